#include "scanner/lms_receiver.h"

#include "scanner/lms_telegram.h"

void LmsReceiver::feed(const uint8_t* bytes, std::size_t count, LmsFrameSink& sink) {
  buffer_.insert(buffer_.end(), bytes, bytes + count);
  parse(sink);
}

void LmsReceiver::parse(LmsFrameSink& sink) {
  std::size_t at = 0;
  while (at < buffer_.size()) {
    const uint8_t* b = buffer_.data() + at;
    const std::size_t left = buffer_.size() - at;
    if (b[0] != lms::kStx) {
      if (b[0] == lms::kAck) {
        sink.onAck();
      } else if (b[0] == lms::kNak) {
        sink.onNak();
      } else {
        ++discards_.garbageBytes;
      }
      ++at;
      continue;
    }
    // An address from the wrong end tells at once that this STX starts nothing.
    if (left >= 2 && ((b[1] & lms::kAnswerBit) != 0) != fromScanner_) {
      ++discards_.garbageBytes;
      ++at;
      continue;
    }
    if (left < lms::kHeaderBytes) break;
    const int length = b[2] | b[3] << 8;
    if (length < 1 || length > lms::kMaxLength) {
      // No command byte: a telegram cut to nothing; too long: no telegram at all.
      if (length < 1) {
        ++discards_.shortTelegrams;
      } else {
        ++discards_.garbageBytes;
      }
      ++at;
      continue;
    }
    const std::size_t total = lms::kHeaderBytes + static_cast<std::size_t>(length) + lms::kCrcBytes;
    if (left < total) break;
    const std::size_t checked = lms::kHeaderBytes + static_cast<std::size_t>(length);
    const uint16_t sent = static_cast<uint16_t>(b[checked] | b[checked + 1] << 8);
    if (lmsCrc(b, checked) != sent) {
      ++discards_.badCrc;
      ++at;
      continue;
    }
    LmsFrame frame;
    frame.address = b[1];
    frame.body = b + lms::kHeaderBytes;
    frame.size = length;
    at += total;
    sink.onFrame(frame);
  }
  buffer_.erase(buffer_.begin(), buffer_.begin() + static_cast<std::ptrdiff_t>(at));
}
