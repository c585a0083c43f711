#pragma once
// A serial line on a termios device: opened for reading and writing without
// becoming the controlling terminal, held exclusively while open, read and
// written without blocking. One thread may write while another reads.
#include <sys/types.h>

#include <cstddef>

class SerialPort {
 public:
  SerialPort() = default;
  ~SerialPort() { close(); }
  SerialPort(const SerialPort&) = delete;
  SerialPort& operator=(const SerialPort&) = delete;

  // Opens a device path. False with errno set on failure (EBUSY when another
  // program holds the port).
  bool open(const char* path);
  // Opens a port by its operator name ("COM2"); EINVAL for an unknown name.
  bool openCom(const char* name);
  void close();

  bool isOpen() const { return fd_ >= 0; }
  // Descriptor to poll for POLLIN / POLLOUT; -1 when closed.
  int fd() const { return fd_; }

  // Reads hand back what has arrived and never wait (no minimum count, no timer);
  // waiting is done with poll() on fd().
  bool applyReadTimeouts();
  // Raw 8 data bits, no parity, one stop bit, no hardware or software flow
  // control, receiver on, modem status ignored, DTR and RTS raised. EINVAL for a
  // speed the driver does not offer or settings it does not keep.
  bool applyLineSettings(int baud);

  // As read(2)/write(2); -1 with EAGAIN when nothing can move yet.
  ssize_t read(void* buffer, std::size_t size) const;
  ssize_t write(const void* buffer, std::size_t size) const;

 private:
  int fd_ = -1;
};
