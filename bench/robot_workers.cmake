torva_bench(robot_workers
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/robot_workers_bench.cpp
  LIBS robot)
target_compile_definitions(robot_workers PRIVATE TORVA_BINARY_DIR="${PROJECT_BINARY_DIR}")
add_dependencies(robot_workers torva-sim)
