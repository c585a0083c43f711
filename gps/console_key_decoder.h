#pragma once
// Turns the bytes a terminal sends for key presses into what the keyboard
// writer does with them. A key with a character sends it; Esc and Ctrl+C stop
// the link; keys without a character (arrows, function keys) arrive as escape
// sequences (ESC [ ... or ESC O x) and send nothing. A lone ESC is told from
// the start of a sequence by the pause after it: terminals send a sequence's
// bytes together.

inline constexpr int kEscapePauseMs = 50;

enum class KeyAction { None, Send, Stop };

struct ConsoleKeyDecoder {
  enum class State { Plain, Escape, ControlSequence, SingleShift };
  State state = State::Plain;
  int sequenceLength = 0;
};

KeyAction decodeKeyByte(ConsoleKeyDecoder& decoder, unsigned char byte);

// No byte came within kEscapePauseMs while a key was unfinished.
KeyAction decodeKeyPause(ConsoleKeyDecoder& decoder);

// True while the decoder waits to see whether more bytes of a key follow.
inline bool keyUnfinished(const ConsoleKeyDecoder& decoder) {
  return decoder.state != ConsoleKeyDecoder::State::Plain;
}
