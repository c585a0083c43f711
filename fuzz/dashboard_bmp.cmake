# The BMP reader on arbitrary bytes. Built from the decoder's source alone, so
# the target needs no display.
torva_fuzz(dashboard_bmp
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/dashboard_bmp.cpp ${PROJECT_SOURCE_DIR}/dashboard/bmp_decode.cpp)
