#pragma once
// Reading the fields of a CoLa-A telegram in order: fields are separated by
// one space; numbers are hexadecimal unless signed ("+12", "-5" are decimal);
// a real is its IEEE 754 bits in hexadecimal; a text of known length is taken
// character by character, since it may hold spaces.
#include <cstddef>
#include <cstdint>
#include <string_view>

class ColaFields {
 public:
  explicit ColaFields(std::string_view text) : text_(text) {}

  // The next field; false when none is left.
  bool field(std::string_view& out);
  // An unsigned number (at most 32 bits).
  bool number(uint32_t& out);
  // A signed 32-bit number: hexadecimal as two's complement, or decimal with a sign.
  bool signedNumber(int32_t& out);
  // A real written as the 8 hex digits of its bits.
  bool real(float& out);
  // Skips count fields.
  bool skip(uint32_t count);
  // The next count characters, spaces included.
  bool characters(uint32_t count, std::string_view& out);
  bool atEnd() const { return pos_ >= text_.size(); }
  // Characters not read yet.
  std::size_t left() const { return pos_ >= text_.size() ? 0 : text_.size() - pos_; }

 private:
  std::string_view text_;
  std::size_t pos_ = 0;
};

// A whole field as a number, by the rules above; false when it is not one.
bool colaNumber(std::string_view field, uint32_t& out);
