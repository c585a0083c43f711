#pragma once
// What the GPS thread keeps from one received byte to the next: the sentence
// being assembled, the last fix, the reference point and the step between the
// last two fixes. One instance per link, used by the GPS thread only.
#include <string_view>

#include "gps/gga_sentence.h"
#include "gps/gps_status_block.h"
#include "gps/nmea_sentence_assembler.h"
#include "gps/utm_projection.h"

struct RobotController;

struct GpsReaderState {
  SentenceAssembler assembler;
  int ggaCount = 0;  // GGA sentences accepted since start
  bool haveReference = false;
  // The last fix (valid once haveReference is set) and the last time and altitude.
  GeoAngle latitude{0, 0, 'S'};
  GeoAngle longitude{0, 0, 'W'};
  UtmPoint utm;
  int altitude = 0;
  int hours = 0;
  int minutes = 0;
  int seconds = 0;
  // The first fix: positions are shown relative to it for the whole run.
  double utmOriginX = 0;
  double utmOriginY = 0;
  float currentX = 0;
  float currentY = 0;
  float previousX = 0;
  float previousY = 0;
  double stepX = 0;
  double stepY = 0;
  double stepLength = 0;
};

// What the station makes of one accepted GGA sentence: the last fix, the
// reference and the step move on, and block gets the values the console and
// the panel show (all but byteIndex). False when there is nothing to show
// (no fix yet); the state is updated either way. Prints nothing.
bool takeGgaSentence(GpsReaderState& state, const GgaSentence& gga, GpsStatusBlock& block);

// One received byte with its index within the read that delivered it (0 to 9).
// A byte that completes a GGA sentence publishes the fix in rc and prints the
// status block; bad sentences get one console line and are skipped.
void gpsByteReceived(GpsReaderState& state, RobotController& rc, char byte, int index);

// One complete sentence ("$" to the last character before the line end).
void gpsSentenceReceived(GpsReaderState& state, RobotController& rc, std::string_view sentence,
                         int index);
