torva_bench(recorder_bench SOURCES ${CMAKE_CURRENT_LIST_DIR}/recorder_bench.cpp LIBS record)
