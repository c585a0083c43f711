torva_fuzz(route_file SOURCES ${CMAKE_CURRENT_LIST_DIR}/route_file.cpp LIBS robot)
