#include "os/text_numbers.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cmath>

namespace {
bool isSpace(char c) {
  return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v' || c == '\f';
}
}  // namespace

ScanResult NumberScanner::next(double& value) {
  while (pos_ < text_.size() && isSpace(text_[pos_])) ++pos_;
  if (pos_ >= text_.size()) return ScanResult::End;

  std::size_t start = pos_;
  if (text_[start] == '+') {
    ++start;
    // "+-1" is not a number; from_chars alone would take "-1".
    if (start < text_.size() && (text_[start] == '-' || text_[start] == '+')) {
      return ScanResult::NotNumber;
    }
  }
  const char* first = text_.data() + start;
  const char* last = text_.data() + text_.size();
  double parsed = 0;
  const auto [end, ec] = std::from_chars(first, last, parsed, std::chars_format::general);
  if (ec == std::errc::result_out_of_range) return ScanResult::NotNumber;
  if (ec != std::errc{} || !std::isfinite(parsed)) return ScanResult::NotNumber;
  pos_ = static_cast<std::size_t>(end - text_.data());
  value = parsed;
  return ScanResult::Number;
}

std::optional<std::string> readFileText(const char* path, std::size_t maxBytes) {
  const int fd = ::open(path, O_RDONLY | O_CLOEXEC | O_NONBLOCK);
  if (fd < 0) return std::nullopt;
  std::string text;
  char chunk[8192];
  while (text.size() < maxBytes) {
    const std::size_t want = std::min(sizeof chunk, maxBytes - text.size());
    const ssize_t got = ::read(fd, chunk, want);
    if (got < 0 && errno == EINTR) continue;
    if (got <= 0) break;
    text.append(chunk, static_cast<std::size_t>(got));
  }
  ::close(fd);
  return text;
}
