#pragma once
// The GGA sentence (NMEA 0183 fix data), ids "GPGGA" and "GNGGA":
//   $GPGGA,hhmmss.ss,ddmm.mmmm,N,dddmm.mmmm,W,q,nn,h.h,alt,M,geo,M,age,ref*hh
// Each field is read from its own text; nothing is kept from an earlier sentence.
#include <string_view>

// Degrees and decimal minutes, with the hemisphere letter (N, S, E or W).
struct GeoAngle {
  int degrees = 0;
  double minutes = 0;
  char hemisphere = 0;
};

struct GgaSentence {
  bool hasTime = false;
  int hours = 0;
  int minutes = 0;
  int seconds = 0;  // whole seconds; the fraction is not kept
  // Latitude and longitude both present and a fix quality other than 0: a
  // receiver without a fix sends empty or placeholder positions.
  bool hasPosition = false;
  GeoAngle latitude;
  GeoAngle longitude;
  bool hasAltitude = false;
  int altitude = 0;  // metres above mean sea level, truncated toward zero
};

enum class GgaStatus {
  NotGga,       // another sentence (or the id in lower case): ignored
  Accepted,     // out holds the sentence's values
  BadChecksum,  // "*hh" present and not the XOR of the characters between "$" and "*"
  BadField,     // a field is not a well-formed value; badField names it
};

struct GgaParse {
  GgaStatus status = GgaStatus::NotGga;
  const char* badField = "";  // Spanish field name for the console line
};

// sentence: from "$" to the last character before the line end.
GgaParse parseGgaSentence(std::string_view sentence, GgaSentence& out);
