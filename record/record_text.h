#pragma once
// Numbers in the recording's text files: written so that reading them back
// gives the very same value, read strictly (a whole field or nothing).
#include <string>
#include <string_view>
#include <vector>

// Seconds since the start of the run, with microseconds.
void appendSeconds(std::string& out, double seconds);
// The shortest text that reads back as the same float / double.
void appendFloat(std::string& out, float value);
void appendDouble(std::string& out, double value);
void appendInt(std::string& out, long value);

// A whole field as a finite number; false for anything else.
bool parseFloatField(std::string_view text, float& out);
bool parseDoubleField(std::string_view text, double& out);
bool parseIntField(std::string_view text, long& out);

// Splits a line on the separator (fields may be empty).
void splitFields(std::string_view line, char separator, std::vector<std::string_view>& fields);

// Walks a text file line by line. A last line without its line end was cut
// when the station stopped (a crash, a power cut): it is not handed out.
class LineReader {
 public:
  explicit LineReader(std::string_view text) : text_(text) {}
  bool next(std::string_view& line);
  long lineNumber() const { return line_; }

 private:
  std::string_view text_;
  std::size_t pos_ = 0;
  long line_ = 0;
};
