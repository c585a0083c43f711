#pragma once
// A byte link to the robot (TCP socket or serial line) as the robot layer
// uses it: one thread reads, any thread may write, writes never interleave.
#include <atomic>
#include <cstdint>
#include <mutex>
#include <string>

class ArDeviceConnection {
 public:
  ArDeviceConnection() = default;
  ArDeviceConnection(const ArDeviceConnection&) = delete;
  ArDeviceConnection& operator=(const ArDeviceConnection&) = delete;
  virtual ~ArDeviceConnection();

  // The text for an open() result code, for "Open failed: %s\n".
  virtual const char* getOpenMessage(int code) = 0;

  // Waits up to timeoutMs for bytes, or until wakeFd (an eventfd, -1 for none)
  // becomes readable. Returns the byte count read, kReadTimeout, kReadWoken, or
  // kReadLinkLost when the peer closed or reset the link.
  static constexpr int kReadTimeout = 0;
  static constexpr int kReadWoken = -2;
  static constexpr int kReadLinkLost = -1;
  int read(uint8_t* buffer, int size, int timeoutMs, int wakeFd = -1);

  // Writes every byte or fails (link closed, peer gone, stuck for 500 ms).
  bool write(const uint8_t* bytes, int size);

  bool isOpen() const { return fd_.load() >= 0; }
  void close();

  virtual bool isSerial() const { return false; }
  // Line speed; meaningful for serial lines only.
  virtual bool setBaud(int /*baud*/) { return true; }

 protected:
  // Takes ownership of an open, non-blocking descriptor.
  void adopt(int fd);
  // Every descriptor this link lets go of passes through here. A subclass
  // that overrides it must call close() in its own destructor.
  virtual void release(int fd);
  virtual long writeSome(int fd, const uint8_t* bytes, int size);

  std::string message_;  // holds the last getOpenMessage() text

 private:
  std::atomic<int> fd_{-1};
  std::mutex writeMutex_;
};
