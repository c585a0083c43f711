#include "aria/ar_packet_receiver.h"

#include <algorithm>
#include <cstring>

void PacketReceiver::reset() {
  size_ = 0;
  garbageRun_ = 0;
}

void PacketReceiver::dropFront(int count) {
  std::memmove(buffer_.data(), buffer_.data() + count, static_cast<std::size_t>(size_ - count));
  size_ -= count;
}

void PacketReceiver::flushGarbage(PacketSink& sink) {
  if (garbageRun_ > 0) {
    const int n = garbageRun_;
    garbageRun_ = 0;
    sink.onDiscard(PacketDiscard::Garbage, n);
  }
}

void PacketReceiver::feed(const uint8_t* bytes, std::size_t count, int64_t nowMs,
                          PacketSink& sink) {
  if (count == 0) return;
  // The stall rule looks at the gap before these bytes.
  tick(nowMs, sink);
  lastByteMs_ = nowMs;
  // After parse() at most one partial packet stays buffered, so chunks of
  // this size always fit.
  constexpr std::size_t kChunk = sizeof(buffer_) - kPacketMaxBytes;
  while (count > 0) {
    const std::size_t n = std::min(count, kChunk);
    std::memcpy(buffer_.data() + size_, bytes, n);
    size_ += static_cast<int>(n);
    bytes += n;
    count -= n;
    parse(sink);
  }
}

void PacketReceiver::tick(int64_t nowMs, PacketSink& sink) {
  if (size_ == 0 || nowMs - lastByteMs_ <= kStallMs) {
    if (size_ == 0 && garbageRun_ > 0 && nowMs - lastByteMs_ > kStallMs) flushGarbage(sink);
    return;
  }
  flushGarbage(sink);
  sink.onDiscard(PacketDiscard::Stalled, size_);
  // Give up on the stalled header and look again in what followed it.
  dropFront(1);
  parse(sink);
  // Whatever is still partial stalled just as long.
  if (size_ > 0) {
    sink.onDiscard(PacketDiscard::Stalled, size_);
    size_ = 0;
  }
}

void PacketReceiver::parse(PacketSink& sink) {
  for (;;) {
    // Hunt for FA FB.
    int start = 0;
    while (start < size_) {
      if (buffer_[start] == kPacketSync0 &&
          (start + 1 == size_ || buffer_[start + 1] == kPacketSync1))
        break;
      ++start;
    }
    if (start > 0) {
      garbageRun_ += start;
      dropFront(start);
    }
    if (size_ < 3) return;
    flushGarbage(sink);
    const int n = buffer_[2];
    if (n < kPacketMinCount || n > kPacketMaxCount) {
      sink.onDiscard(PacketDiscard::BadLength, 3);
      dropFront(1);
      continue;
    }
    if (size_ < n + 3) return;  // wait for the rest
    const uint16_t expected = static_cast<uint16_t>((buffer_[n + 1] << 8) | buffer_[n + 2]);
    if (packetChecksum(buffer_.data() + 3, static_cast<std::size_t>(n - 2)) != expected) {
      sink.onDiscard(PacketDiscard::BadChecksum, n + 3);
      dropFront(1);
      continue;
    }
    ReceivedPacket packet;
    packet.type = buffer_[3];
    packet.dataSize = n - 3;
    std::memcpy(packet.dataBytes.data(), buffer_.data() + 4, static_cast<std::size_t>(n - 3));
    dropFront(n + 3);
    sink.onPacket(packet);
  }
}

const char* packetDiscardText(PacketDiscard reason) {
  switch (reason) {
    case PacketDiscard::Garbage:
      return "bytes fuera de paquete";
    case PacketDiscard::BadLength:
      return "longitud de paquete no valida";
    case PacketDiscard::BadChecksum:
      return "suma de control incorrecta";
    case PacketDiscard::Stalled:
      return "paquete incompleto (linea parada mas de 100 ms)";
  }
  return "paquete no valido";
}
