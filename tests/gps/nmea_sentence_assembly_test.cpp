// Cutting the receiver's byte stream into sentences.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "gps/nmea_sentence_assembler.h"

namespace {

struct Assembled {
  std::vector<std::string> sentences;
  int overlong = 0;
  int cut = 0;
};

Assembled feed(SentenceAssembler& a, std::string_view bytes) {
  Assembled out;
  for (char c : bytes) {
    switch (assembleByte(a, c)) {
      case AssembleResult::Complete:
        out.sentences.emplace_back(assembledSentence(a));
        break;
      case AssembleResult::Overlong:
        ++out.overlong;
        break;
      case AssembleResult::Cut:
        ++out.cut;
        break;
      case AssembleResult::None:
        break;
    }
  }
  return out;
}

const std::string kGga =
    "$GPGGA,194050.00,4221.8237733,N,07101.9411707,W,1,00,3.3,10.835,M,-33.320,M,,*62";
const std::string kRmc =
    "$GPRMC,213121.000,A,4404.1295864,N,12118.8685453,W,000.0,122.7,070416,,,D*72";

TEST(NmeaSentenceAssembly, EverySplitOfTheStreamGivesTheSameSentencesOnce) {
  // Noise before the first "$", CR LF and bare LF line ends, a blank line.
  const std::string stream = "1,N*33\r\n" + kGga + "\r\n" + kRmc + "\n\r\n" + kGga + "\r";
  for (std::size_t split = 0; split <= stream.size(); ++split) {
    SentenceAssembler a;
    Assembled first = feed(a, std::string_view(stream).substr(0, split));
    const Assembled rest = feed(a, std::string_view(stream).substr(split));
    first.sentences.insert(first.sentences.end(), rest.sentences.begin(), rest.sentences.end());
    EXPECT_EQ(first.sentences, (std::vector<std::string>{kGga, kRmc, kGga})) << "split " << split;
  }
}

TEST(NmeaSentenceAssembly, LongStreamLosesNoByteAtAnyPeriod) {
  // A run of sentences much longer than any internal buffer: each comes out whole.
  std::string stream;
  for (int i = 0; i < 40; ++i) stream += kGga + "\r\n" + kRmc + "\r\n";
  SentenceAssembler a;
  const Assembled out = feed(a, stream);
  ASSERT_EQ(out.sentences.size(), 80u);
  for (std::size_t i = 0; i < out.sentences.size(); ++i) {
    EXPECT_EQ(out.sentences[i], i % 2 == 0 ? kGga : kRmc);
  }
}

TEST(NmeaSentenceAssembly, OverlongAndCutSentencesAreDiscardedAndTheNextOneIsKept) {
  struct Case {
    const char* name;
    std::string stream;
    int overlong;
    int cut;
  };
  const std::string limit(kMaxSentenceLength - 1, 'A');  // "$" + 119 = exactly the limit
  const Case cases[] = {
      {"at the limit", "$" + limit + "\r\n" + kGga + "\n", 0, 0},
      {"one over", "$" + limit + "B\r\n" + kGga + "\n", 1, 0},
      {"far over", "$" + std::string(1000, 'x') + "\n" + kGga + "\n", 1, 0},
      {"cut by a new sentence", "$GPGGA,1234" + kGga + "\n", 0, 1},
      {"dollar alone then a sentence", "$" + kGga + "\n", 0, 0},
  };
  for (const Case& c : cases) {
    SentenceAssembler a;
    const Assembled out = feed(a, c.stream);
    EXPECT_EQ(out.overlong, c.overlong) << c.name;
    EXPECT_EQ(out.cut, c.cut) << c.name;
    ASSERT_FALSE(out.sentences.empty()) << c.name;
    EXPECT_EQ(out.sentences.back(), kGga) << c.name;
    if (c.overlong == 0 && c.cut == 0 && std::string(c.name) == "at the limit") {
      EXPECT_EQ(out.sentences.front().size(), kMaxSentenceLength);
    }
  }
}

}  // namespace
