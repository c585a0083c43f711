torva_fuzz(scanner_cola SOURCES ${CMAKE_CURRENT_LIST_DIR}/scanner_cola.cpp LIBS scanner_codec)
