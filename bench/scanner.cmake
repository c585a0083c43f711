torva_bench(scanner_bench
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/scanner_bench.cpp
  LIBS scanner_link sim)
