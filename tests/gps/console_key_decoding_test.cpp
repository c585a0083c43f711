// What a key typed on the terminal makes the keyboard writer do.
#include <gtest/gtest.h>

#include <string>

#include "gps/console_key_decoder.h"

namespace {

// Feeds bytes (a '|' marks a pause between them); returns the bytes sent and
// whether the link was stopped.
std::string decode(const std::string& input, bool& stopped) {
  ConsoleKeyDecoder d;
  std::string sent;
  stopped = false;
  for (char c : input) {
    const KeyAction a =
        c == '|' ? decodeKeyPause(d) : decodeKeyByte(d, static_cast<unsigned char>(c));
    if (a == KeyAction::Send) sent += c;
    if (a == KeyAction::Stop) {
      stopped = true;
      break;
    }
  }
  return sent;
}

TEST(ConsoleKeyDecoding, KeysWithACharacterSendItOthersSendNothing) {
  struct Case {
    const char* name;
    std::string input;
    std::string sent;
    bool stopped;
  };
  const Case cases[] = {
      {"letters, digits, Enter, Tab", "aZ9\r\t", "aZ9\r\t", false},
      {"arrows", "\x1b[A\x1b[B\x1b[C\x1b[D", "", false},
      {"keypad mode arrows and F1", "\x1bOA\x1bOP", "", false},
      {"F5 and shifted arrows with parameters", "\x1b[15~\x1b[1;2A", "", false},
      {"keys around a function key", "x\x1b[24~y", "xy", false},
      {"NUL sends nothing", std::string("a\0b", 3), "ab", false},
      {"Ctrl+C stops",
       "ab\x03"
       "cd",
       "ab", true},
      {"lone Esc stops after the pause",
       "ab\x1b"
       "|cd",
       "ab", true},
      {"Esc then another key at once stops",
       "ab\x1b"
       "x",
       "ab", true},
      {"a pause inside a sequence drops it", "\x1b[1|x", "x", false},
      {"an endless sequence is given up", "\x1b[" + std::string(40, '1') + "~", "111111111~",
       false},
  };
  for (const Case& c : cases) {
    bool stopped = false;
    EXPECT_EQ(decode(c.input, stopped), c.sent) << c.name;
    EXPECT_EQ(stopped, c.stopped) << c.name;
  }
}

}  // namespace
