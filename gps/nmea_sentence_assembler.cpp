#include "gps/nmea_sentence_assembler.h"

AssembleResult assembleByte(SentenceAssembler& a, char byte) {
  if (byte == '$') {
    const bool cut = a.inSentence && !a.overlong && a.length > 1;
    a.inSentence = true;
    a.overlong = false;
    a.text[0] = '$';
    a.length = 1;
    return cut ? AssembleResult::Cut : AssembleResult::None;
  }
  if (!a.inSentence) return AssembleResult::None;  // noise between sentences
  if (byte == '\r' || byte == '\n') {
    a.inSentence = false;
    return a.overlong ? AssembleResult::Overlong : AssembleResult::Complete;
  }
  if (a.overlong) return AssembleResult::None;
  if (a.length == a.text.size()) {
    a.overlong = true;
    return AssembleResult::None;
  }
  a.text[a.length++] = byte;
  return AssembleResult::None;
}
