#pragma once
// The GGA sentences of a recorded GPS line as the station took them: cut into
// sentences and parsed by the station's own code, each with the easting,
// northing and step the station showed for it.
#include <string_view>
#include <vector>

#include "exporter/run_recording.h"
#include "gps/gps_status_block.h"

struct GpsFix {
  double seconds = 0;        // the time of the read that ended the sentence
  bool hasPosition = false;  // the sentence carried a fix of its own
  bool shown = false;        // the station showed a block for it
  double latitude = 0;       // degrees, north positive
  double longitude = 0;      // degrees, east positive
  GpsStatusBlock block;      // what the station showed (valid when shown)
};

struct GpsFixes {
  std::vector<GpsFix> fixes;  // sentences with a fix or a block, in order
  long discarded = 0;         // sentences the station refused with a console line
};

// bytes: the GPS line's bytes; reads: each read's time and its bytes' place.
GpsFixes gpsFixes(std::string_view bytes, const std::vector<GpsChunk>& reads);

// Degrees, signed by hemisphere (south and west negative).
double signedDegrees(const GeoAngle& angle);
