#pragma once
// Telegrams of the serial protocol of the PLS / LMS 2xx scanners: STX 0x02,
// address (0x00 to the scanner, 0x80 and up from it), length (16-bit
// little-endian, from the command byte to the status byte), command, data,
// status (answers only), and a 16-bit little-endian check over everything
// before it. Commands are acknowledged with 0x06 (or refused with 0x15) before
// their answer, whose command byte is the request's with 0x80 set.
#include <cstddef>
#include <cstdint>
#include <vector>

namespace lms {
inline constexpr uint8_t kStx = 0x02;
inline constexpr uint8_t kAck = 0x06;
inline constexpr uint8_t kNak = 0x15;
inline constexpr uint8_t kToScanner = 0x00;
inline constexpr uint8_t kFromScanner = 0x80;  // the lowest address an answer comes from
inline constexpr uint8_t kAnswerBit = 0x80;

// Requests.
inline constexpr uint8_t kSelectMode = 0x20;
inline constexpr uint8_t kRequestValues = 0x30;
inline constexpr uint8_t kSetVariant = 0x3B;
// The measured values: the answer to kRequestValues and the continuous output.
inline constexpr uint8_t kMeasuredValues = 0xB0;

// The operating modes kSelectMode takes.
inline constexpr uint8_t kModeContinuous = 0x24;  // every scan's values, unasked
inline constexpr uint8_t kModeOnRequest = 0x25;   // values only when asked
inline constexpr uint8_t kMode38400 = 0x40;
inline constexpr uint8_t kMode19200 = 0x41;
inline constexpr uint8_t kMode9600 = 0x42;
inline constexpr uint8_t kMode500000 = 0x48;
// kRequestValues' one data byte for a single scan of all values.
inline constexpr uint8_t kOneScan = 0x01;

// Length field bounds: at least the command byte; the longest answer of the
// family (401 values) is well under the maximum.
inline constexpr int kMaxLength = 1024;
// STX, address, two length bytes; the two check bytes after.
inline constexpr int kHeaderBytes = 4;
inline constexpr int kCrcBytes = 2;
}  // namespace lms

// The check: a 16-bit register from 0; for each byte, the register shifted
// left one bit (0x8005 XOR-ed in when its top bit was set), then XOR-ed with
// the previous byte (0 at first) in the high half and this byte in the low.
uint16_t lmsCrc(const uint8_t* bytes, std::size_t count);

// The whole telegram for a command and its data; status appended when given
// (answers carry one, requests do not).
std::vector<uint8_t> buildLmsTelegram(uint8_t address, uint8_t command,
                                      const std::vector<uint8_t>& data, int status = -1);

// The mode byte that selects a line speed; 0 for a speed the family lacks.
uint8_t lmsModeForBaud(int baud);
