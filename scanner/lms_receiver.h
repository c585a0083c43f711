#pragma once
// Turns the untrusted bytes of a serial line into what the LMS / PLS 2xx
// protocol carries: acknowledges (0x06), refusals (0x15) and telegrams with a
// good check. A telegram may come in any number of reads. Bytes outside a
// telegram, a bad check or a length no telegram can have are counted and
// skipped; after a bad telegram only its STX is dropped, so a good telegram
// hidden inside it is still found. Both ends of the line use it.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "scanner/link_discards.h"

// A telegram with a good check. body: its command byte, data and (answers
// only) status byte, as the length field counts them.
struct LmsFrame {
  uint8_t address = 0;
  const uint8_t* body = nullptr;
  int size = 0;
  uint8_t command() const { return body[0]; }
};

class LmsFrameSink {
 public:
  virtual ~LmsFrameSink() = default;
  virtual void onAck() {}
  virtual void onNak() {}
  virtual void onFrame(const LmsFrame& frame) = 0;
};

class LmsReceiver {
 public:
  // fromScanner: take telegrams addressed from a scanner (0x80 and up);
  // otherwise those addressed to one (below 0x80).
  explicit LmsReceiver(bool fromScanner) : fromScanner_(fromScanner) {}

  void feed(const uint8_t* bytes, std::size_t count, LmsFrameSink& sink);
  // Forgets a telegram begun (a new connection, a new line speed).
  void reset() { buffer_.clear(); }
  const LinkDiscards& discards() const { return discards_; }
  LinkDiscards& discards() { return discards_; }

 private:
  void parse(LmsFrameSink& sink);

  bool fromScanner_;
  std::vector<uint8_t> buffer_;
  LinkDiscards discards_;
};
