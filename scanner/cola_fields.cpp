#include "scanner/cola_fields.h"

#include <charconv>
#include <cstring>

namespace {
// Decimal with a sign: the magnitude and whether it was negative.
bool signedDecimal(std::string_view field, uint64_t& magnitude, bool& negative) {
  if (field.size() < 2 || (field[0] != '+' && field[0] != '-')) return false;
  negative = field[0] == '-';
  const char* first = field.data() + 1;
  const char* last = field.data() + field.size();
  const auto [end, ec] = std::from_chars(first, last, magnitude, 10);
  return ec == std::errc{} && end == last && magnitude <= 0xFFFFFFFFu;
}

bool hexadecimal(std::string_view field, uint32_t& out) {
  if (field.empty() || field.size() > 8) return false;
  const char* last = field.data() + field.size();
  const auto [end, ec] = std::from_chars(field.data(), last, out, 16);
  return ec == std::errc{} && end == last;
}
}  // namespace

bool colaNumber(std::string_view field, uint32_t& out) {
  uint64_t magnitude = 0;
  bool negative = false;
  if (signedDecimal(field, magnitude, negative)) {
    if (negative && magnitude != 0) return false;
    out = static_cast<uint32_t>(magnitude);
    return true;
  }
  return hexadecimal(field, out);
}

bool ColaFields::field(std::string_view& out) {
  if (pos_ >= text_.size()) return false;
  const std::size_t space = text_.find(' ', pos_);
  const std::size_t end = space == std::string_view::npos ? text_.size() : space;
  out = text_.substr(pos_, end - pos_);
  pos_ = end + 1;
  return !out.empty();
}

bool ColaFields::number(uint32_t& out) {
  std::string_view f;
  return field(f) && colaNumber(f, out);
}

bool ColaFields::signedNumber(int32_t& out) {
  std::string_view f;
  if (!field(f)) return false;
  uint64_t magnitude = 0;
  bool negative = false;
  if (signedDecimal(f, magnitude, negative)) {
    if (magnitude > (negative ? 0x80000000u : 0x7FFFFFFFu)) return false;
    out = negative ? static_cast<int32_t>(-static_cast<int64_t>(magnitude))
                   : static_cast<int32_t>(magnitude);
    return true;
  }
  uint32_t bits = 0;
  if (!hexadecimal(f, bits)) return false;
  out = static_cast<int32_t>(bits);
  return true;
}

bool ColaFields::real(float& out) {
  std::string_view f;
  uint32_t bits = 0;
  if (!field(f) || !hexadecimal(f, bits)) return false;
  std::memcpy(&out, &bits, sizeof out);
  return true;
}

bool ColaFields::skip(uint32_t count) {
  std::string_view f;
  for (uint32_t i = 0; i < count; ++i) {
    if (!field(f)) return false;
  }
  return true;
}

bool ColaFields::characters(uint32_t count, std::string_view& out) {
  if (count > left()) return false;
  // No characters: nothing to take, and no separator of their own (the
  // length's separator already came); the position may stand past the end.
  if (count == 0) {
    out = {};
    return true;
  }
  out = text_.substr(pos_, count);
  pos_ += count;
  // The separator after the text, unless the telegram ends there.
  if (pos_ < text_.size()) {
    if (text_[pos_] != ' ') return false;
    ++pos_;
  }
  return true;
}
