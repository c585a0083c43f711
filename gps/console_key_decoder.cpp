#include "gps/console_key_decoder.h"

namespace {

constexpr unsigned char kEsc = 27;
constexpr unsigned char kCtrlC = 3;
constexpr int kLongestSequence = 32;  // a longer "sequence" is garbage: give up on it

KeyAction plainByte(ConsoleKeyDecoder& d, unsigned char byte) {
  if (byte == kEsc) {
    d.state = ConsoleKeyDecoder::State::Escape;
    return KeyAction::None;
  }
  if (byte == kCtrlC) return KeyAction::Stop;
  if (byte == 0) return KeyAction::None;
  return KeyAction::Send;
}

}  // namespace

KeyAction decodeKeyByte(ConsoleKeyDecoder& d, unsigned char byte) {
  using State = ConsoleKeyDecoder::State;
  switch (d.state) {
    case State::Plain:
      return plainByte(d, byte);
    case State::Escape:
      if (byte == '[') {
        d.state = State::ControlSequence;
        d.sequenceLength = 0;
        return KeyAction::None;
      }
      if (byte == 'O') {
        d.state = State::SingleShift;
        return KeyAction::None;
      }
      // Esc followed at once by another key (or Alt+key): Esc counts.
      d.state = State::Plain;
      return KeyAction::Stop;
    case State::SingleShift:
      d.state = State::Plain;
      return KeyAction::None;
    case State::ControlSequence:
      if (byte >= 0x40 && byte <= 0x7e) {  // final byte
        d.state = State::Plain;
        return KeyAction::None;
      }
      if (byte >= 0x20 && byte <= 0x3f && ++d.sequenceLength < kLongestSequence) {
        return KeyAction::None;  // parameter or intermediate byte
      }
      d.state = State::Plain;
      return plainByte(d, byte);
  }
  return KeyAction::None;
}

KeyAction decodeKeyPause(ConsoleKeyDecoder& d) {
  const bool loneEscape = d.state == ConsoleKeyDecoder::State::Escape;
  d.state = ConsoleKeyDecoder::State::Plain;
  return loneEscape ? KeyAction::Stop : KeyAction::None;
}
