#pragma once
// Turns an untrusted byte stream into packets: hunts for FA FB, takes N (3 to
// 200), waits for the N bytes and checks the sum. A packet that stalls (no
// byte for more than 100 ms in the middle of it) is given up; a bad sum or a
// bad N drops only the leading FA, so a good packet hidden behind the bad one
// is still found. Both ends of the link use it.
#include <array>
#include <cstddef>
#include <cstdint>

#include "aria/ar_packet.h"

enum class PacketDiscard { Garbage, BadLength, BadChecksum, Stalled };

// Where the receiver hands what it found.
class PacketSink {
 public:
  virtual ~PacketSink() = default;
  virtual void onPacket(const ReceivedPacket& packet) = 0;
  // byteCount: how many bytes were skipped.
  virtual void onDiscard(PacketDiscard /*reason*/, int /*byteCount*/) {}
};

class PacketReceiver {
 public:
  static constexpr int kStallMs = 100;

  // nowMs: a steady clock in milliseconds, for the stall rule.
  void feed(const uint8_t* bytes, std::size_t count, int64_t nowMs, PacketSink& sink);
  // Applies the stall rule when no bytes came; call it between reads.
  void tick(int64_t nowMs, PacketSink& sink);
  // Forgets everything buffered (a new connection, a new line speed).
  void reset();
  bool midPacket() const { return size_ > 0; }

 private:
  void parse(PacketSink& sink);
  void dropFront(int count);
  void flushGarbage(PacketSink& sink);

  std::array<uint8_t, 1024> buffer_{};
  int size_ = 0;
  int garbageRun_ = 0;
  int64_t lastByteMs_ = 0;
};

// A short Spanish text for a discard reason, for console lines.
const char* packetDiscardText(PacketDiscard reason);
