#pragma once
// Writes test pictures in the BMP forms the reader accepts, from a list of
// pixels, so that every form of one picture can be checked against it.
#include <array>
#include <cstdint>
#include <string>
#include <vector>

using Rgb = std::array<std::uint8_t, 3>;

struct Picture {
  int width = 0;
  int height = 0;
  std::vector<Rgb> pixels;  // bottom row first
  std::vector<std::uint8_t> rgbBytes() const;
};

enum class BmpForm {
  Core1,
  Core4,
  Core8,
  Core24,
  Info1,
  Info4,
  Info8,
  Info8ShortTable,
  Info8TopDown,
  Rle4,
  Rle8,
  Info16,
  BitFields16,
  Info24,
  Info24TopDown,
  Info32,
  BitFields32,
  NoFileHeader8,
  NoFileHeaderCore24,
};

struct BmpFormInfo {
  BmpForm form;
  const char* name;
  int maxColours;  // how many colours the form can hold
};
const std::vector<BmpFormInfo>& allBmpForms();

std::vector<std::uint8_t> writeBmp(const Picture& picture, BmpForm form);

// Little-endian field access for hand-made and damaged files.
void setU16(std::vector<std::uint8_t>& file, std::size_t at, std::uint16_t value);
void setU32(std::vector<std::uint8_t>& file, std::size_t at, std::uint32_t value);
