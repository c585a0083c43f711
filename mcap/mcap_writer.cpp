#include "mcap/mcap_writer.h"

#include <fcntl.h>
#include <unistd.h>
#include <zlib.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

namespace {
// Record opcodes of the format.
enum Op : std::uint8_t {
  kHeader = 0x01,
  kFooter = 0x02,
  kSchema = 0x03,
  kChannel = 0x04,
  kMessage = 0x05,
  kChunk = 0x06,
  kMessageIndex = 0x07,
  kChunkIndex = 0x08,
  kStatistics = 0x0B,
  kSummaryOffset = 0x0E,
  kDataEnd = 0x0F,
};
constexpr std::string_view kMagic("\x89MCAP0\r\n", 8);
// The file goes out in pieces of about this size.
constexpr std::size_t kWriteBytes = 1 << 20;

// Integers are little-endian whatever the machine.
template <class T>
void put(std::string& out, T value) {
  for (std::size_t i = 0; i < sizeof(T); ++i) {
    out.push_back(static_cast<char>((static_cast<std::uint64_t>(value) >> (8 * i)) & 0xFF));
  }
}

// Strings and byte runs with a 32-bit length before them.
void putString(std::string& out, std::string_view text) {
  put<std::uint32_t>(out, static_cast<std::uint32_t>(text.size()));
  out.append(text);
}

void putRecordStart(std::string& out, Op op, std::uint64_t contentLength) {
  put<std::uint8_t>(out, op);
  put<std::uint64_t>(out, contentLength);
}

std::string record(Op op, std::string_view content) {
  std::string out;
  out.reserve(9 + content.size());
  putRecordStart(out, op, content.size());
  out.append(content);
  return out;
}

std::uint32_t crc(std::uint32_t start, std::string_view bytes) {
  uLong c = start;
  // zlib takes at most 4 GiB a call.
  while (!bytes.empty()) {
    const std::size_t n = std::min<std::size_t>(bytes.size(), 1u << 30);
    c = ::crc32(c, reinterpret_cast<const Bytef*>(bytes.data()), static_cast<uInt>(n));
    bytes.remove_prefix(n);
  }
  return static_cast<std::uint32_t>(c);
}
}  // namespace

McapWriter::McapWriter(std::size_t chunkBytes) : chunkBytes_(chunkBytes) {}

McapWriter::~McapWriter() {
  if (fd_ >= 0) ::close(fd_);
}

bool McapWriter::open(const std::string& path, std::string_view library, std::string& error) {
  path_ = path;
  fd_ = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
  if (fd_ < 0) {
    error = "no se puede crear " + path + " (" + std::strerror(errno) + ")";
    return false;
  }
  emitData(kMagic);
  std::string header;
  putString(header, "");  // no profile: messages are plain JSON
  putString(header, library);
  emitData(record(kHeader, header));
  return true;
}

std::uint16_t McapWriter::addSchema(std::string_view name, std::string_view encoding,
                                    std::string_view data) {
  schemas_.push_back(Schema{std::string(name), std::string(encoding), std::string(data)});
  const auto id = static_cast<std::uint16_t>(schemas_.size());
  std::string content;
  put<std::uint16_t>(content, id);
  putString(content, name);
  putString(content, encoding);
  putString(content, data);
  emitData(record(kSchema, content));
  return id;
}

std::uint16_t McapWriter::addChannel(std::uint16_t schemaId, std::string_view topic,
                                     std::string_view messageEncoding) {
  Channel channel;
  channel.schemaId = schemaId;
  channel.topic = topic;
  channel.encoding = messageEncoding;
  channels_.push_back(std::move(channel));
  const auto id = static_cast<std::uint16_t>(channels_.size());
  std::string content;
  put<std::uint16_t>(content, id);
  put<std::uint16_t>(content, schemaId);
  putString(content, topic);
  putString(content, messageEncoding);
  put<std::uint32_t>(content, 0);  // no metadata
  emitData(record(kChannel, content));
  return id;
}

bool McapWriter::addMessage(std::uint16_t channelId, std::uint64_t logTime, std::string_view data) {
  if (channelId == 0 || channelId > channels_.size()) {
    error_ = "canal " + std::to_string(channelId) + " desconocido";
    return false;
  }
  Channel& channel = channels_[channelId - 1u];
  if (chunk_.empty()) {
    chunkStart_ = chunkEnd_ = logTime;
  } else {
    chunkStart_ = std::min(chunkStart_, logTime);
    chunkEnd_ = std::max(chunkEnd_, logTime);
  }
  if (messageCount_ == 0) {
    firstTime_ = lastTime_ = logTime;
  } else {
    firstTime_ = std::min(firstTime_, logTime);
    lastTime_ = std::max(lastTime_, logTime);
  }
  channel.index.emplace_back(logTime, chunk_.size());
  putRecordStart(chunk_, kMessage, 2 + 4 + 8 + 8 + data.size());
  put<std::uint16_t>(chunk_, channelId);
  put<std::uint32_t>(chunk_, channel.sequence++);
  put<std::uint64_t>(chunk_, logTime);
  put<std::uint64_t>(chunk_, logTime);  // published when logged
  chunk_.append(data);
  ++channel.count;
  ++messageCount_;
  if (chunk_.size() >= chunkBytes_) closeChunk();
  return error_.empty();
}

void McapWriter::closeChunk() {
  if (chunk_.empty()) return;
  const std::uint64_t chunkOffset = position();
  const std::uint32_t recordsCrc = crc(0, chunk_);
  std::string head;
  putRecordStart(head, kChunk, 8 + 8 + 8 + 4 + 4 + 8 + chunk_.size());
  put<std::uint64_t>(head, chunkStart_);
  put<std::uint64_t>(head, chunkEnd_);
  put<std::uint64_t>(head, chunk_.size());  // uncompressed size
  put<std::uint32_t>(head, recordsCrc);
  putString(head, "");  // not compressed
  put<std::uint64_t>(head, chunk_.size());
  emitData(head);
  // The records' CRC is already known: the data section's takes it whole.
  emit(chunk_);
  dataCrc_ = static_cast<std::uint32_t>(
      ::crc32_combine(dataCrc_, recordsCrc, static_cast<z_off_t>(chunk_.size())));
  const std::uint64_t chunkLength = position() - chunkOffset;

  // Each channel's message index right after the chunk.
  const std::uint64_t indexesStart = position();
  std::string offsets;  // channel id to its index's place in the file
  for (std::size_t i = 0; i < channels_.size(); ++i) {
    auto& entries = channels_[i].index;
    if (entries.empty()) continue;
    put<std::uint16_t>(offsets, static_cast<std::uint16_t>(i + 1));
    put<std::uint64_t>(offsets, position());
    std::string content;
    put<std::uint16_t>(content, static_cast<std::uint16_t>(i + 1));
    put<std::uint32_t>(content, static_cast<std::uint32_t>(entries.size() * 16));
    for (const auto& [time, offset] : entries) {
      put<std::uint64_t>(content, time);
      put<std::uint64_t>(content, offset);
    }
    emitData(record(kMessageIndex, content));
    entries.clear();
  }
  std::string index;
  put<std::uint64_t>(index, chunkStart_);
  put<std::uint64_t>(index, chunkEnd_);
  put<std::uint64_t>(index, chunkOffset);
  put<std::uint64_t>(index, chunkLength);
  putString(index, offsets);
  put<std::uint64_t>(index, position() - indexesStart);
  putString(index, "");
  put<std::uint64_t>(index, chunk_.size());  // compressed size: the same
  put<std::uint64_t>(index, chunk_.size());
  chunkIndexes_.push_back(record(kChunkIndex, index));
  chunk_.clear();
}

bool McapWriter::finish(std::string& error) {
  if (fd_ < 0) {
    error = error_.empty() ? "fichero MCAP sin abrir" : error_;
    return false;
  }
  closeChunk();
  std::string dataEnd;
  put<std::uint32_t>(dataEnd, dataCrc_);  // every byte before this record
  emit(record(kDataEnd, dataEnd));

  // The summary, grouped by opcode, each group's place noted for its offset record.
  const std::uint64_t summaryStart = position();
  std::string summary;
  struct Group {
    Op op;
    std::uint64_t start;
    std::uint64_t length;
  };
  std::vector<Group> groups;
  const auto group = [&](Op op, auto&& add) {
    const std::size_t before = summary.size();
    add();
    if (summary.size() > before)
      groups.push_back({op, summaryStart + before, summary.size() - before});
  };
  group(kSchema, [&] {
    for (std::size_t i = 0; i < schemas_.size(); ++i) {
      std::string content;
      put<std::uint16_t>(content, static_cast<std::uint16_t>(i + 1));
      putString(content, schemas_[i].name);
      putString(content, schemas_[i].encoding);
      putString(content, schemas_[i].data);
      summary += record(kSchema, content);
    }
  });
  group(kChannel, [&] {
    for (std::size_t i = 0; i < channels_.size(); ++i) {
      std::string content;
      put<std::uint16_t>(content, static_cast<std::uint16_t>(i + 1));
      put<std::uint16_t>(content, channels_[i].schemaId);
      putString(content, channels_[i].topic);
      putString(content, channels_[i].encoding);
      put<std::uint32_t>(content, 0);
      summary += record(kChannel, content);
    }
  });
  group(kStatistics, [&] {
    std::string content;
    put<std::uint64_t>(content, messageCount_);
    put<std::uint16_t>(content, static_cast<std::uint16_t>(schemas_.size()));
    put<std::uint32_t>(content, static_cast<std::uint32_t>(channels_.size()));
    put<std::uint32_t>(content, 0);  // attachments
    put<std::uint32_t>(content, 0);  // metadata
    put<std::uint32_t>(content, static_cast<std::uint32_t>(chunkIndexes_.size()));
    put<std::uint64_t>(content, firstTime_);
    put<std::uint64_t>(content, lastTime_);
    std::string counts;
    for (std::size_t i = 0; i < channels_.size(); ++i) {
      put<std::uint16_t>(counts, static_cast<std::uint16_t>(i + 1));
      put<std::uint64_t>(counts, channels_[i].count);
    }
    putString(content, counts);
    summary += record(kStatistics, content);
  });
  group(kChunkIndex, [&] {
    for (const std::string& index : chunkIndexes_) summary += index;
  });

  const std::uint64_t offsetsStart = summaryStart + summary.size();
  for (const Group& g : groups) {
    std::string content;
    put<std::uint8_t>(content, g.op);
    put<std::uint64_t>(content, g.start);
    put<std::uint64_t>(content, g.length);
    summary += record(kSummaryOffset, content);
  }
  std::string footer;
  putRecordStart(footer, kFooter, 8 + 8 + 4);
  put<std::uint64_t>(footer, summaryStart);
  put<std::uint64_t>(footer, offsetsStart);
  // From the summary's first byte to the footer's last field before the CRC.
  put<std::uint32_t>(footer, crc(crc(0, summary), footer));
  emit(summary);
  emit(footer);
  emit(kMagic);

  const bool flushed = flush();
  if (::close(fd_) != 0 && error_.empty()) {
    error_ = "no se puede escribir " + path_ + " (" + std::strerror(errno) + ")";
  }
  fd_ = -1;
  if (!flushed || !error_.empty()) {
    error = error_;
    return false;
  }
  return true;
}

void McapWriter::emit(std::string_view bytes) {
  pending_.append(bytes);
  if (pending_.size() >= kWriteBytes) flush();
}

void McapWriter::emitData(std::string_view bytes) {
  dataCrc_ = crc(dataCrc_, bytes);
  emit(bytes);
}

bool McapWriter::flush() {
  if (!error_.empty()) {
    pending_.clear();  // the file is lost already: keep nothing
    return false;
  }
  std::size_t done = 0;
  while (done < pending_.size()) {
    const ssize_t n = ::write(fd_, pending_.data() + done, pending_.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      error_ =
          "no se puede escribir " + path_ + " (" + std::strerror(n == 0 ? ENOSPC : errno) + ")";
      pending_.clear();
      return false;
    }
    done += static_cast<std::size_t>(n);
  }
  written_ += done;
  pending_.clear();
  return true;
}
