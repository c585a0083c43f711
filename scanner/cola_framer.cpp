#include "scanner/cola_framer.h"

void ColaFramer::feed(const char* bytes, std::size_t count, ColaTelegramSink& sink) {
  for (std::size_t i = 0; i < count; ++i) {
    // The text between the marks goes in whole runs: a scan is thousands of bytes.
    if (inTelegram_ && !overlong_) {
      std::size_t end = i;
      while (end < count && bytes[end] != cola::kStx && bytes[end] != cola::kEtx) ++end;
      const std::size_t room = kMaxTelegram - text_.size();
      if (end - i > room) {
        overlong_ = true;
        text_.clear();
        text_.shrink_to_fit();
      } else {
        text_.append(bytes + i, end - i);
      }
      i = end;
      if (i == count) break;
    }
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
    // Inside an overlong telegram: skipped up to its end.
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
