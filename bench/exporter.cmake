torva_bench(exporter_bench SOURCES ${CMAKE_CURRENT_LIST_DIR}/exporter_bench.cpp LIBS exporter sim)
