torva_bench(gps_nmea_bench SOURCES ${CMAKE_CURRENT_LIST_DIR}/gps_nmea_bench.cpp LIBS gps)
