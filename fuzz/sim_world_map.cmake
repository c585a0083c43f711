torva_fuzz(sim_world_map SOURCES ${CMAKE_CURRENT_LIST_DIR}/sim_world_map.cpp LIBS sim)
