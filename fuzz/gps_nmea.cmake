torva_fuzz(gps_nmea_fuzz SOURCES ${CMAKE_CURRENT_LIST_DIR}/gps_nmea_fuzz.cpp LIBS gps)
