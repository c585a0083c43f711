// The robot layer's receiving side on arbitrary bytes: the packet receiver
// with its stall rule, then the status, configuration and SYNC2 decoders and
// the odometry they feed. The first byte of each chunk sets its size and the
// time gap before it, so split packets and stalls are explored too.
#include <cstddef>
#include <cstdint>

#include "aria/ar_commands.h"
#include "aria/ar_config_packet.h"
#include "aria/ar_encoder_odometry.h"
#include "aria/ar_packet_receiver.h"

namespace {
struct Sink : PacketSink {
  ArEncoderOdometry odometry;
  ArRobotParams params;
  void onPacket(const ReceivedPacket& p) override {
    if (ArPacketTypes::isStatus(p.type)) {
      ArStatusFields f;
      if (decodeStatusPacket(p, f)) applyStatusToOdometry(odometry, f, params);
    } else if (p.type == ArPacketTypes::CONFIG) {
      ArConfigFields c;
      decodeConfigPacket(p, c);
    } else if (p.type == ArPacketTypes::SYNC2) {
      PacketFieldReader r(p);
      robotParamsForModel(r.string(), params);
      r.string();
      r.string();
    }
    parseCommandArgument(p);
  }
};
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  PacketReceiver receiver;
  Sink sink;
  int64_t now = 0;
  size_t i = 0;
  while (i < size) {
    const uint8_t control = data[i++];
    now += (control & 0x0F) * 15;  // 0 to 225 ms between chunks
    const size_t chunk = 1 + (control >> 4) * 8;
    const size_t n = chunk < size - i ? chunk : size - i;
    receiver.feed(data + i, n, now, sink);
    i += n;
  }
  receiver.tick(now + 1000, sink);
  return 0;
}
