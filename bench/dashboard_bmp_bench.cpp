// Decoding the station's pictures: the cost that start-up pays once for each.
#include <benchmark/benchmark.h>

#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "dashboard/bmp_image.h"

namespace {

std::vector<std::uint8_t> readAll(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void decodePicture(benchmark::State& state, const char* name) {
  const std::vector<std::uint8_t> file = readAll(std::string(TORVA_RESOURCES) + "/" + name);
  for (auto _ : state) {
    BmpImage image;
    BmpError error = decodeBmp(file, image);
    benchmark::DoNotOptimize(error);
    benchmark::DoNotOptimize(image.pixels.data());
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * file.size()));
}

void BM_DecodeFont(benchmark::State& state) {
  decodePicture(state, "font.bmp");
}
void BM_DecodeEmblem(benchmark::State& state) {
  decodePicture(state, "mono.bmp");
}
BENCHMARK(BM_DecodeFont);
BENCHMARK(BM_DecodeEmblem);

}  // namespace
