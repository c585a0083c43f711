#include "scanner/lms_telegram.h"

uint16_t lmsCrc(const uint8_t* bytes, std::size_t count) {
  uint16_t crc = 0;
  uint8_t previous = 0;
  for (std::size_t i = 0; i < count; ++i) {
    const bool top = (crc & 0x8000) != 0;
    crc = static_cast<uint16_t>(crc << 1);
    if (top) crc ^= 0x8005;
    crc ^= static_cast<uint16_t>(previous << 8 | bytes[i]);
    previous = bytes[i];
  }
  return crc;
}

std::vector<uint8_t> buildLmsTelegram(uint8_t address, uint8_t command,
                                      const std::vector<uint8_t>& data, int status) {
  const std::size_t length = 1 + data.size() + (status >= 0 ? 1 : 0);
  std::vector<uint8_t> t;
  t.reserve(lms::kHeaderBytes + length + lms::kCrcBytes);
  t.push_back(lms::kStx);
  t.push_back(address);
  t.push_back(static_cast<uint8_t>(length & 0xFF));
  t.push_back(static_cast<uint8_t>(length >> 8));
  t.push_back(command);
  t.insert(t.end(), data.begin(), data.end());
  if (status >= 0) t.push_back(static_cast<uint8_t>(status));
  const uint16_t crc = lmsCrc(t.data(), t.size());
  t.push_back(static_cast<uint8_t>(crc & 0xFF));
  t.push_back(static_cast<uint8_t>(crc >> 8));
  return t;
}

uint8_t lmsModeForBaud(int baud) {
  switch (baud) {
    case 9600:
      return lms::kMode9600;
    case 19200:
      return lms::kMode19200;
    case 38400:
      return lms::kMode38400;
    case 500000:
      return lms::kMode500000;
    default:
      return 0;
  }
}
