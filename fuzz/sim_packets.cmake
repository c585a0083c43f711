torva_fuzz(sim_packets SOURCES ${CMAKE_CURRENT_LIST_DIR}/sim_packets.cpp LIBS sim)
