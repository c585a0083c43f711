#pragma once
// The robot link over TCP (a robot's network bridge or a simulator).
#include "aria/ar_device_connection.h"

class ArTcpConnection : public ArDeviceConnection {
 public:
  enum Open {
    OPEN_NET_FAIL = 1,     // no socket could be made
    OPEN_BAD_HOST = 2,     // the name does not resolve
    OPEN_NO_ROUTE = 3,     // network or host unreachable
    OPEN_CON_REFUSED = 4,  // nothing listens there, or it serves someone else
    OPEN_TIMEOUT = 5,      // no answer in time
  };

  // 0 once connected, else one of Open.
  int open(const char* host, int port);
  const char* getOpenMessage(int code) override;

 protected:
  long writeSome(int fd, const uint8_t* bytes, int size) override;

 private:
  std::string target_;
};
