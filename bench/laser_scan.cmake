torva_bench(laser_scan_bench SOURCES ${CMAKE_CURRENT_LIST_DIR}/laser_scan_bench.cpp LIBS laser)
