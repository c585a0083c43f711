torva_bench(dashboard_bmp_bench
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/dashboard_bmp_bench.cpp
  LIBS dashboard)
target_compile_definitions(dashboard_bmp_bench PRIVATE
  TORVA_RESOURCES="${PROJECT_SOURCE_DIR}/resources")
