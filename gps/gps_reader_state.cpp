#include "gps/gps_reader_state.h"

#include <cmath>

#include "gps/gps_status_block.h"
#include "os/console_print.h"
#include "state/robot_controller.h"

namespace {

// The reference is the first fix; later fixes give a position relative to it
// and the step from the fix before (stored in single precision, as shown).
void updateStep(GpsReaderState& s, const UtmPoint& utm, double& relativeX, double& relativeY) {
  if (!s.haveReference) {
    s.haveReference = true;
    s.utmOriginX = utm.x;
    s.utmOriginY = utm.y;
    relativeX = 0;
    relativeY = 0;
    s.currentX = s.currentY = s.previousX = s.previousY = 0;
    return;
  }
  relativeX = utm.x - s.utmOriginX;
  relativeY = utm.y - s.utmOriginY;
  s.previousX = s.currentX;
  s.previousY = s.currentY;
  s.currentX = static_cast<float>(relativeX);
  s.currentY = static_cast<float>(relativeY);
  s.stepX = static_cast<double>(s.currentX - s.previousX);
  s.stepY = static_cast<double>(s.currentY - s.previousY);
  s.stepLength = std::sqrt(s.stepX * s.stepX + s.stepY * s.stepY);
}

void publish(const GpsReaderState& s, RobotController& rc) {
  rc.gpsDisplacementX = static_cast<float>(s.stepX);
  rc.gpsDisplacementY = static_cast<float>(s.stepY);
  rc.gpsLatDegrees = s.latitude.degrees;
  rc.gpsLatMinutes = static_cast<float>(s.latitude.minutes);
  rc.gpsLatHemisphere = s.latitude.hemisphere;
  rc.gpsLonDegrees = s.longitude.degrees;
  rc.gpsLonMinutes = static_cast<float>(s.longitude.minutes);
  rc.gpsLonHemisphere = s.longitude.hemisphere;
}

}  // namespace

bool takeGgaSentence(GpsReaderState& s, const GgaSentence& gga, GpsStatusBlock& block) {
  ++s.ggaCount;
  if (gga.hasTime) {
    s.hours = gga.hours;
    s.minutes = gga.minutes;
    s.seconds = gga.seconds;
  }
  if (gga.hasAltitude) s.altitude = gga.altitude;
  // Before the first fix there is nothing to show; after it, a sentence
  // without a position repeats the last fix with a step of 0.
  if (!gga.hasPosition && !s.haveReference) return false;
  if (gga.hasPosition) {
    s.latitude = gga.latitude;
    s.longitude = gga.longitude;
    s.utm = projectGeoToUtm(gga.latitude, gga.longitude);
  }
  updateStep(s, s.utm, block.relativeX, block.relativeY);
  block.latitude = s.latitude;
  block.longitude = s.longitude;
  block.altitude = s.altitude;
  block.hours = s.hours;
  block.minutes = s.minutes;
  block.seconds = s.seconds;
  block.utm = s.utm;
  block.stepX = s.stepX;
  block.stepY = s.stepY;
  block.stepLength = s.stepLength;
  block.ggaCount = s.ggaCount;
  return true;
}

void gpsSentenceReceived(GpsReaderState& s, RobotController& rc, std::string_view sentence,
                         int index) {
  GgaSentence gga;
  const GgaParse parse = parseGgaSentence(sentence, gga);
  switch (parse.status) {
    case GgaStatus::NotGga:
      return;
    case GgaStatus::BadChecksum:
      consolePrintf("Sentencia GGA descartada: suma de verificacion incorrecta\n");
      return;
    case GgaStatus::BadField:
      consolePrintf("Sentencia GGA descartada: campo %s no valido\n", parse.badField);
      return;
    case GgaStatus::Accepted:
      break;
  }
  GpsStatusBlock block;
  if (!takeGgaSentence(s, gga, block)) return;
  publish(s, rc);
  block.byteIndex = index;
  printGpsStatusBlock(block);
}

void gpsByteReceived(GpsReaderState& s, RobotController& rc, char byte, int index) {
  switch (assembleByte(s.assembler, byte)) {
    case AssembleResult::None:
      return;
    case AssembleResult::Complete:
      gpsSentenceReceived(s, rc, assembledSentence(s.assembler), index);
      return;
    case AssembleResult::Overlong:
      consolePrintf("Sentencia NMEA descartada: mas de %zu caracteres\n", kMaxSentenceLength);
      return;
    case AssembleResult::Cut:
      consolePrintf("Sentencia NMEA descartada: cortada por otra sentencia\n");
      return;
  }
}
