torva_fuzz(laser_scan SOURCES ${CMAKE_CURRENT_LIST_DIR}/laser_scan.cpp LIBS laser)
