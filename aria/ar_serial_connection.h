#pragma once
// The robot link over a serial line: raw 8N1, no flow control, 9600 baud at
// open (the handshake tries the faster speeds when the robot stays silent).
// Names "COM1" to "COM12" resolve through the COMn mapping; a name starting
// with '/' is taken as a device path.
#include <string>

#include "aria/ar_device_connection.h"

class ArSerialConnection : public ArDeviceConnection {
 public:
  enum Open {
    OPEN_COULD_NOT_OPEN_PORT = 1,
    OPEN_PORT_MISSING = 2,
    OPEN_PORT_BUSY = 3,
    OPEN_PERMISSION_DENIED = 4,
    OPEN_COULD_NOT_SET_UP_PORT = 5,
    OPEN_BAD_PORT_NAME = 6,
  };

  ~ArSerialConnection() override { close(); }

  void setPort(const char* name);
  const char* getPort() const { return name_.c_str(); }
  // Opens the given port, or the one set with setPort when port is null.
  // 0 on success, else one of Open.
  int open(const char* port = nullptr);
  const char* getOpenMessage(int code) override;

  bool isSerial() const override { return true; }
  bool setBaud(int baud) override;
  int getBaud() const { return baud_; }

 protected:
  void release(int fd) override;

 private:
  std::string name_;
  std::string path_;
  std::string detail_;  // the system's text for the last failure
  int baud_ = 9600;
  int rawFd_ = -1;  // same descriptor as the base holds; termios calls only
};
