#pragma once
// Reading decimal numbers out of text the way the C runtime's "%f" input does:
// any white space between numbers, an optional sign, digits, an optional
// fraction and exponent. Used for the station's plain-text data files.
#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

enum class ScanResult { Number, End, NotNumber };

class NumberScanner {
 public:
  explicit NumberScanner(std::string_view text) : text_(text) {}
  // Reads the next number into value. End: only white space was left.
  // NotNumber: the next text is not a finite number (the scanner stays there).
  ScanResult next(double& value);
  std::size_t position() const { return pos_; }

 private:
  std::string_view text_;
  std::size_t pos_ = 0;
};

// Reads at most maxBytes of a file. Empty optional: the file cannot be opened.
std::optional<std::string> readFileText(const char* path, std::size_t maxBytes);
