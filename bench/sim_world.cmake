torva_bench(sim_world_bench
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/sim_world_bench.cpp
  LIBS sim)
