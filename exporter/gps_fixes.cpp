#include "exporter/gps_fixes.h"

#include "gps/gga_sentence.h"
#include "gps/gps_reader_state.h"
#include "gps/nmea_sentence_assembler.h"

double signedDegrees(const GeoAngle& angle) {
  const double degrees = angle.degrees + angle.minutes / 60.0;
  return angle.hemisphere == 'S' || angle.hemisphere == 'W' ? -degrees : degrees;
}

GpsFixes gpsFixes(std::string_view bytes, const std::vector<GpsChunk>& reads) {
  GpsFixes out;
  GpsReaderState state;
  for (const GpsChunk& read : reads) {
    if (read.offset > bytes.size() || bytes.size() - read.offset < read.count) break;
    for (char byte : bytes.substr(read.offset, read.count)) {
      const AssembleResult assembled = assembleByte(state.assembler, byte);
      if (assembled == AssembleResult::Overlong || assembled == AssembleResult::Cut) {
        ++out.discarded;
        continue;
      }
      if (assembled != AssembleResult::Complete) continue;
      GgaSentence gga;
      const GgaParse parse = parseGgaSentence(assembledSentence(state.assembler), gga);
      if (parse.status == GgaStatus::BadChecksum || parse.status == GgaStatus::BadField) {
        ++out.discarded;
        continue;
      }
      if (parse.status != GgaStatus::Accepted) continue;
      GpsFix fix;
      fix.seconds = read.seconds;
      fix.hasPosition = gga.hasPosition;
      fix.shown = takeGgaSentence(state, gga, fix.block);
      if (fix.hasPosition) {
        fix.latitude = signedDegrees(gga.latitude);
        fix.longitude = signedDegrees(gga.longitude);
      }
      if (fix.hasPosition || fix.shown) out.fixes.push_back(fix);
    }
  }
  return out;
}
