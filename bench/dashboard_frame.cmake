torva_bench(dashboard_frame_bench
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/dashboard_frame_bench.cpp
  LIBS dashboard)
target_compile_definitions(dashboard_frame_bench PRIVATE
  TORVA_RESOURCES="${PROJECT_SOURCE_DIR}/resources")
