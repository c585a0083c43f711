#include "gps/gpsd_stream_filter.h"

#include <string_view>

namespace {

// gpsd puts the class first in every report.
constexpr std::string_view kWatchReply = R"({"class":"WATCH")";

}  // namespace

GpsdByte filterGpsdByte(GpsdStreamFilter& f, char byte) {
  if (f.atLineStart && byte == '{') {
    f.inReport = true;
    f.headLength = 0;
  }
  f.atLineStart = byte == '\n';
  if (!f.inReport) return GpsdByte::Pass;
  if (f.headLength < sizeof f.head) f.head[f.headLength++] = byte;
  if (byte != '\n') return GpsdByte::Skip;
  f.inReport = false;
  const std::string_view head(f.head, f.headLength);
  return head.substr(0, kWatchReply.size()) == kWatchReply ? GpsdByte::WatchStarted
                                                           : GpsdByte::Skip;
}
