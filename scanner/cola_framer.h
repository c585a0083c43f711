#pragma once
// The framing of CoLa-A, the ASCII protocol of the current SICK scanners
// (TiM 5xx, LMS 1xx, LMS 5xx) over TCP: each telegram is text between STX
// (0x02) and ETX (0x03). Bytes outside a telegram are counted and skipped; a
// telegram that a new STX cuts short, or that grows past any real scan, is
// counted and dropped.
#include <cstddef>
#include <string>
#include <string_view>

#include "scanner/link_discards.h"

class ColaTelegramSink {
 public:
  virtual ~ColaTelegramSink() = default;
  // text: the telegram without STX and ETX.
  virtual void onTelegram(std::string_view text) = 0;
};

class ColaFramer {
 public:
  // A telegram of five echoes with remission over 1141 angles stays well under this.
  static constexpr std::size_t kMaxTelegram = 256 * 1024;

  void feed(const char* bytes, std::size_t count, ColaTelegramSink& sink);
  void reset();
  const LinkDiscards& discards() const { return discards_; }
  LinkDiscards& discards() { return discards_; }

 private:
  bool inTelegram_ = false;
  bool overlong_ = false;
  std::string text_;
  LinkDiscards discards_;
};

namespace cola {
inline constexpr char kStx = 0x02;
inline constexpr char kEtx = 0x03;
}  // namespace cola

// A request framed for the wire: STX, text, ETX.
std::string colaTelegram(std::string_view text);
