torva_fuzz(scanner_lms SOURCES ${CMAKE_CURRENT_LIST_DIR}/scanner_lms.cpp LIBS scanner_codec)
