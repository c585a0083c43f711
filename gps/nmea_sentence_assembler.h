#pragma once
// Cuts the receiver's byte stream into NMEA sentences: a "$" starts one, CR or
// LF ends it. Nothing is dropped between reads, so a sentence split across any
// number of reads comes out whole, once.
#include <array>
#include <cstddef>
#include <string_view>

// Longest sentence kept, "$" included; NMEA allows 82 characters with CR LF.
inline constexpr std::size_t kMaxSentenceLength = 120;

struct SentenceAssembler {
  std::array<char, kMaxSentenceLength> text{};
  std::size_t length = 0;
  bool inSentence = false;
  bool overlong = false;  // the current sentence passed the limit; wait for its end
};

enum class AssembleResult {
  None,      // byte taken, no sentence ended
  Complete,  // assembledSentence() holds a whole sentence, "$" included, no line end
  Overlong,  // a sentence longer than the limit ended and was discarded
  Cut,       // a "$" arrived before the line end: the unfinished sentence was discarded
};

AssembleResult assembleByte(SentenceAssembler& assembler, char byte);

// The sentence that the last Complete result finished.
inline std::string_view assembledSentence(const SentenceAssembler& assembler) {
  return {assembler.text.data(), assembler.length};
}
