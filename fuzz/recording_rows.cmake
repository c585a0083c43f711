torva_fuzz(recording_rows SOURCES ${CMAKE_CURRENT_LIST_DIR}/recording_rows.cpp LIBS record_format)
