#pragma once
// Writes MCAP files, the open container format for robotics logs that
// Foxglove, Lichtblick, PlotJuggler and the ROS 2 tools open (mcap.dev):
// magic, header, schemas and channels, messages in chunks each followed by
// its message indexes, the data end, then a summary (schemas, channels,
// statistics, chunk indexes), its offsets and the footer, so that a reader
// seeks to a time through the indexes without reading the whole file. Chunks
// are not compressed and carry their CRC. Knows nothing of the station.
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

class McapWriter {
 public:
  // A chunk is closed once its records pass chunkBytes: smaller chunks seek
  // finer, larger ones cost fewer index records.
  explicit McapWriter(std::size_t chunkBytes = 512 * 1024);
  ~McapWriter();  // an unfinished file is closed as it stands
  McapWriter(const McapWriter&) = delete;
  McapWriter& operator=(const McapWriter&) = delete;

  // Creates path (replacing it) and writes the magic and the header, with
  // library naming the writer; false with a reason.
  bool open(const std::string& path, std::string_view library, std::string& error);

  // Schemas and channels, all before the first message. Ids count from 1.
  std::uint16_t addSchema(std::string_view name, std::string_view encoding, std::string_view data);
  std::uint16_t addChannel(std::uint16_t schemaId, std::string_view topic,
                           std::string_view messageEncoding);

  // A message on a channel, log and publish time in nanoseconds; its sequence
  // number counts its channel's messages from 0. False once a write failed.
  bool addMessage(std::uint16_t channel, std::uint64_t logTime, std::string_view data);

  // The last chunk, the summary and the footer; closes the file. False with a
  // reason when anything could not be written.
  bool finish(std::string& error);

  std::uint64_t messageCount() const { return messageCount_; }
  std::size_t chunkCount() const { return chunkIndexes_.size(); }

 private:
  struct Schema {
    std::string name;
    std::string encoding;
    std::string data;
  };
  struct Channel {
    std::uint16_t schemaId = 0;
    std::string topic;
    std::string encoding;
    std::uint32_t sequence = 0;
    std::uint64_t count = 0;
    // This chunk's messages: log time and offset in the chunk's records.
    std::vector<std::pair<std::uint64_t, std::uint64_t>> index;
  };

  std::uint64_t position() const { return written_ + pending_.size(); }
  void emit(std::string_view bytes);
  void emitData(std::string_view bytes);  // part of the data section's CRC
  bool flush();
  void closeChunk();

  std::size_t chunkBytes_;
  int fd_ = -1;
  std::string path_;
  std::string error_;
  std::uint64_t written_ = 0;
  std::string pending_;
  std::uint32_t dataCrc_ = 0;

  std::vector<Schema> schemas_;
  std::vector<Channel> channels_;
  std::string chunk_;
  std::uint64_t chunkStart_ = 0;
  std::uint64_t chunkEnd_ = 0;
  std::vector<std::string> chunkIndexes_;  // each a whole Chunk Index record
  std::uint64_t messageCount_ = 0;
  std::uint64_t firstTime_ = 0;
  std::uint64_t lastTime_ = 0;
};
