torva_bench(aria_link
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/aria_link_bench.cpp
          ${PROJECT_SOURCE_DIR}/tests/aria/scripted_robot_peer.cpp
  LIBS aria)
target_compile_definitions(aria_link PRIVATE TORVA_BINARY_DIR="${PROJECT_BINARY_DIR}")
add_dependencies(aria_link torva-sim)
