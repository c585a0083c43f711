#include "record/record_text.h"

#include <charconv>
#include <cmath>

void appendSeconds(std::string& out, double seconds) {
  // Room for the largest double written out whole, so no value is cut.
  char buffer[400];
  const auto result =
      std::to_chars(buffer, buffer + sizeof buffer, seconds, std::chars_format::fixed, 6);
  if (result.ec == std::errc()) out.append(buffer, result.ptr);
}

void appendFloat(std::string& out, float value) {
  char buffer[32];
  const auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
  out.append(buffer, result.ptr);
}

void appendDouble(std::string& out, double value) {
  char buffer[40];
  const auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
  out.append(buffer, result.ptr);
}

void appendInt(std::string& out, long value) {
  char buffer[24];
  const auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
  out.append(buffer, result.ptr);
}

namespace {
template <class T>
bool parseWhole(std::string_view text, T& out) {
  if (text.empty()) return false;
  T value{};
  const auto [ptr, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (ec != std::errc() || ptr != text.data() + text.size()) return false;
  out = value;
  return true;
}
}  // namespace

bool parseFloatField(std::string_view text, float& out) {
  float value = 0;
  if (!parseWhole(text, value) || !std::isfinite(value)) return false;
  out = value;
  return true;
}

bool parseDoubleField(std::string_view text, double& out) {
  double value = 0;
  if (!parseWhole(text, value) || !std::isfinite(value)) return false;
  out = value;
  return true;
}

bool parseIntField(std::string_view text, long& out) {
  return parseWhole(text, out);
}

void splitFields(std::string_view line, char separator, std::vector<std::string_view>& fields) {
  fields.clear();
  std::size_t start = 0;
  for (;;) {
    const std::size_t end = line.find(separator, start);
    if (end == std::string_view::npos) {
      fields.push_back(line.substr(start));
      return;
    }
    fields.push_back(line.substr(start, end - start));
    start = end + 1;
  }
}

bool LineReader::next(std::string_view& line) {
  const std::size_t end = text_.find('\n', pos_);
  if (end == std::string_view::npos) return false;
  line = text_.substr(pos_, end - pos_);
  if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
  pos_ = end + 1;
  ++line_;
  return true;
}
