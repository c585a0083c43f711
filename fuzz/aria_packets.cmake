torva_fuzz(aria_packets SOURCES ${CMAKE_CURRENT_LIST_DIR}/aria_packets.cpp LIBS aria)
