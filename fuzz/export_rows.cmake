torva_fuzz(export_rows SOURCES ${CMAKE_CURRENT_LIST_DIR}/export_rows.cpp LIBS exporter)
