#include "scanner/cola_framer.h"

void ColaFramer::feed(const char* bytes, std::size_t count, ColaTelegramSink& sink) {
  for (std::size_t i = 0; i < count; ++i) {
    const char c = bytes[i];
    if (c == cola::kStx) {
      if (inTelegram_) ++discards_.shortTelegrams;
      inTelegram_ = true;
      overlong_ = false;
      text_.clear();
      continue;
    }
    if (!inTelegram_) {
      ++discards_.garbageBytes;
      continue;
    }
    if (c == cola::kEtx) {
      inTelegram_ = false;
      if (overlong_) {
        ++discards_.shortTelegrams;
      } else {
        sink.onTelegram(text_);
      }
      text_.clear();
      continue;
    }
    if (overlong_) continue;
    if (text_.size() >= kMaxTelegram) {
      overlong_ = true;
      text_.clear();
      text_.shrink_to_fit();
      continue;
    }
    text_ += c;
  }
}

void ColaFramer::reset() {
  inTelegram_ = false;
  overlong_ = false;
  text_.clear();
}

std::string colaTelegram(std::string_view text) {
  std::string t;
  t.reserve(text.size() + 2);
  t += cola::kStx;
  t += text;
  t += cola::kEtx;
  return t;
}
