#include "gps/gga_sentence.h"

#include <array>
#include <charconv>
#include <cstddef>

namespace {

constexpr std::size_t kGgaMinFields = 10;  // up to the altitude

bool isDigit(char c) {
  return c >= '0' && c <= '9';
}

int hexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  return -1;
}

// Leading digits of text; returns how many.
std::size_t digitRun(std::string_view text, std::size_t from = 0) {
  std::size_t i = from;
  while (i < text.size() && isDigit(text[i])) ++i;
  return i - from;
}

int digitsValue(std::string_view digits) {
  int value = 0;
  for (char c : digits) value = value * 10 + (c - '0');
  return value;
}

// "d+" or "d+.d+": the only shape a coordinate, time or altitude may have.
bool plainDecimal(std::string_view text, std::size_t& integerDigits) {
  integerDigits = digitRun(text);
  if (integerDigits == 0) return false;
  if (integerDigits == text.size()) return true;
  if (text[integerDigits] != '.') return false;
  const std::size_t fraction = digitRun(text, integerDigits + 1);
  return fraction > 0 && integerDigits + 1 + fraction == text.size();
}

// ddmm.mmm (latitude, maxDegreeDigits 2) or dddmm.mmm (longitude, 3).
bool parseCoordinate(std::string_view text, int maxDegreeDigits, GeoAngle& angle) {
  std::size_t integerDigits = 0;
  if (!plainDecimal(text, integerDigits)) return false;
  if (integerDigits < 3 || integerDigits > static_cast<std::size_t>(maxDegreeDigits) + 2) {
    return false;
  }
  if (text.size() > 20) return false;
  angle.degrees = digitsValue(text.substr(0, integerDigits - 2));
  const std::string_view minutes = text.substr(integerDigits - 2);
  double value = 0;
  const auto [end, ec] = std::from_chars(minutes.data(), minutes.data() + minutes.size(), value,
                                         std::chars_format::fixed);
  if (ec != std::errc{} || end != minutes.data() + minutes.size()) return false;
  angle.minutes = value;
  return true;
}

bool parseTime(std::string_view text, GgaSentence& out) {
  std::size_t integerDigits = 0;
  if (!plainDecimal(text, integerDigits) || integerDigits != 6) return false;
  out.hours = digitsValue(text.substr(0, 2));
  out.minutes = digitsValue(text.substr(2, 2));
  out.seconds = digitsValue(text.substr(4, 2));
  return out.hours < 24 && out.minutes < 60 && out.seconds <= 60;
}

// Signed decimal, truncated toward zero. Beyond a million metres it is no altitude.
bool parseAltitude(std::string_view text, int& altitude) {
  bool negative = false;
  if (!text.empty() && (text[0] == '-' || text[0] == '+')) {
    negative = text[0] == '-';
    text.remove_prefix(1);
  }
  std::size_t integerDigits = 0;
  if (!plainDecimal(text, integerDigits) || integerDigits > 6) return false;
  const int whole = digitsValue(text.substr(0, integerDigits));
  altitude = negative ? -whole : whole;
  return true;
}

bool parseQuality(std::string_view text, int& quality) {
  if (text.empty() || text.size() > 2 || digitRun(text) != text.size()) return false;
  quality = digitsValue(text);
  return true;
}

bool hemisphereLetter(std::string_view text, char positive, char negative, char& letter) {
  if (text.size() != 1 || (text[0] != positive && text[0] != negative)) return false;
  letter = text[0];
  return true;
}

GgaParse bad(const char* field) {
  return {GgaStatus::BadField, field};
}

}  // namespace

GgaParse parseGgaSentence(std::string_view sentence, GgaSentence& out) {
  if (sentence.size() < 7 || sentence[0] != '$') return {};
  const std::string_view id = sentence.substr(1, 5);
  if ((id != "GPGGA" && id != "GNGGA") || sentence[6] != ',') return {};

  std::string_view body = sentence.substr(1);
  if (const std::size_t star = body.find('*'); star != std::string_view::npos) {
    const std::string_view sum = body.substr(star + 1);
    body = body.substr(0, star);
    if (sum.size() != 2 || hexValue(sum[0]) < 0 || hexValue(sum[1]) < 0) {
      return {GgaStatus::BadChecksum, ""};
    }
    unsigned char computed = 0;
    for (char c : body) computed ^= static_cast<unsigned char>(c);
    if (computed != hexValue(sum[0]) * 16 + hexValue(sum[1])) return {GgaStatus::BadChecksum, ""};
  }

  std::array<std::string_view, kGgaMinFields> field;
  std::size_t count = 0;
  for (std::size_t start = 0; count < field.size();) {
    const std::size_t comma = body.find(',', start);
    field[count++] =
        body.substr(start, comma == std::string_view::npos ? body.npos : comma - start);
    if (comma == std::string_view::npos) break;
    start = comma + 1;
  }
  if (count < kGgaMinFields) return bad("numero de campos");

  GgaSentence s;
  if (!field[1].empty()) {
    if (!parseTime(field[1], s)) return bad("hora");
    s.hasTime = true;
  }
  const bool hasLat = !field[2].empty();
  const bool hasLon = !field[4].empty();
  if (hasLat) {
    if (!parseCoordinate(field[2], 2, s.latitude)) return bad("latitud");
    if (!hemisphereLetter(field[3], 'N', 'S', s.latitude.hemisphere)) return bad("hemisferio N/S");
  }
  if (hasLon) {
    if (!parseCoordinate(field[4], 3, s.longitude)) return bad("longitud");
    if (!hemisphereLetter(field[5], 'E', 'W', s.longitude.hemisphere)) return bad("hemisferio E/W");
  }
  int quality = -1;
  if (!field[6].empty() && !parseQuality(field[6], quality)) return bad("calidad");
  if (!field[9].empty()) {
    if (!parseAltitude(field[9], s.altitude)) return bad("altitud");
    s.hasAltitude = true;
  }
  s.hasPosition = hasLat && hasLon && quality != 0;
  if (s.hasPosition) {
    const auto beyond = [](const GeoAngle& a, int limit) {
      return a.minutes >= 60 || a.degrees + a.minutes / 60 > limit;
    };
    if (beyond(s.latitude, 90)) return bad("latitud");
    if (beyond(s.longitude, 180)) return bad("longitud");
  }
  out = s;
  return {GgaStatus::Accepted, ""};
}
