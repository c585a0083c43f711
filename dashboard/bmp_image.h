#pragma once
// Reading Windows BMP pictures into plain 24-bit pixels. Files are untrusted:
// every offset, size and run is checked against the file, and sizes beyond
// what a texture can use are refused before anything is allocated.
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

struct BmpImage {
  std::int32_t width = 0;
  std::int32_t height = 0;           // rows; always positive here
  std::vector<std::uint8_t> pixels;  // R, G, B per pixel, bottom row first, tight rows
};

enum class BmpError { None, UnknownFormat, ConversionError, OutOfMemory };

// The text the station shows for a reader failure.
const char* bmpErrorText(BmpError error);

// Decodes a whole file held in memory. On failure image is left empty.
BmpError decodeBmp(std::span<const std::uint8_t> file, BmpImage& image);

// Reads a file; a file that cannot be opened gives nothing silently, a file
// that cannot be read as a picture shows its failure and gives nothing.
std::optional<BmpImage> loadBmpImage(const char* fileName);

// As loadBmpImage, but a missing or empty name gives nothing.
std::optional<BmpImage> loadImageFile(const char* fileName);
