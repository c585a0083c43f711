// The GPS link through gpsd: a TCP connection on which gpsd relays the
// receiver's NMEA sentences. Its failure codes:
//   E015 gpsd cannot be reached: the setting is malformed, the host unknown,
//        gpsd not running or refusing the connection. Nothing is started.
//   E016 the watch request cannot be sent. The link ends.
//   E017 gpsd closed the connection or it broke while reading. The link ends.
// As with a serial port, the GPS values keep their last fix after the end.
#include <poll.h>
#include <sys/socket.h>

#include <cerrno>
#include <memory>
#include <string_view>

#include "gps/gps_error_report.h"
#include "gps/gps_link.h"
#include "gps/gps_reader_state.h"
#include "gps/gpsd_setting.h"
#include "gps/gpsd_stream_filter.h"
#include "gps/keyboard_writer.h"
#include "os/console_print.h"
#include "os/tcp_client.h"

namespace {

// Every sentence the receiver sends, unchanged, and no position reports of gpsd's own.
constexpr std::string_view kWatchRequest = "?WATCH={\"enable\":true,\"nmea\":true}\n";

bool sendWatch(const TcpClient& gpsd) {
  std::string_view rest = kWatchRequest;
  while (!rest.empty()) {
    const ssize_t n = gpsd.write(rest.data(), rest.size());
    if (n > 0) {
      rest.remove_prefix(static_cast<std::size_t>(n));
      continue;
    }
    if (n < 0 && errno == EINTR) continue;
    if (n < 0 && errno != EAGAIN) return false;
    pollfd wait{gpsd.fd(), POLLOUT, 0};
    if (::poll(&wait, 1, -1) < 0 && errno != EINTR) return false;
  }
  return true;
}

struct GpsdReader {
  const TcpClient& gpsd;
  const GpsdAddress& address;
  GpsReaderState& state;
  RobotController& rc;
  GpsBytesWatcher watcher;
  GpsdStreamFilter filter;

  // Reads until the socket is empty; false once the connection is over.
  bool drain() {
    for (;;) {
      char buffer[kGpsReadSize];
      const ssize_t n = gpsd.read(buffer, sizeof buffer);
      if (n < 0 && errno == EINTR) continue;
      if (n < 0 && errno == EAGAIN) return true;
      if (n <= 0) {
        printCodedError("E017_gpsd closed the connection", n == 0 ? ENOTCONN : errno);
        return false;
      }
      // A byte keeps its index within the read that delivered it, as on a
      // serial line. The watcher sees the receiver's bytes only, not gpsd's.
      char nmea[kGpsReadSize];
      int nmeaCount = 0;
      for (int i = 0; i < n; ++i) {
        switch (filterGpsdByte(filter, buffer[i])) {
          case GpsdByte::Pass:
            nmea[nmeaCount++] = buffer[i];
            gpsByteReceived(state, rc, buffer[i], i);
            break;
          case GpsdByte::Skip:
            break;
          case GpsdByte::WatchStarted:
            consolePrintf("Conectado a gpsd en %s:%d\n", address.host.c_str(), address.port);
            break;
        }
      }
      if (watcher != nullptr && nmeaCount > 0) watcher(nmea, nmeaCount);
    }
  }

  void readUntilStopped(const WakeEvent& readerWake) {
    for (;;) {
      pollfd waits[2] = {{gpsd.fd(), POLLIN, 0}, {readerWake.fd(), POLLIN, 0}};
      const int ready = ::poll(waits, 2, -1);
      if (ready < 0 && errno == EINTR) continue;
      if (ready < 0) {
        printLastError("E017_gpsd closed the connection");
        return;
      }
      if (waits[1].revents != 0) return;  // stop signal
      const short events = waits[0].revents;
      // A closed connection is readable too: the read tells it.
      if ((events & (POLLIN | POLLHUP)) != 0) {
        if (!drain()) return;
      } else if ((events & (POLLERR | POLLNVAL)) != 0) {
        int error = EIO;
        socklen_t length = sizeof error;
        ::getsockopt(gpsd.fd(), SOL_SOCKET, SO_ERROR, &error, &length);
        printCodedError("E017_gpsd closed the connection", error != 0 ? error : EIO);
        return;
      }
    }
  }
};

}  // namespace

int GpsLink::runGpsd(std::string_view setting, int consoleFd) {
  const auto address = parseGpsdSetting(setting);
  if (!address) {
    printCodedError("E015_Failed to connect to gpsd", EINVAL);
    return 0;
  }
  TcpClient gpsd;
  if (!gpsd.connect(address->host, address->port, readerWake_.fd())) {
    // A stop while the connection was pending is no failure.
    if (gpsd.failure().code != ECANCELED) {
      printCodedErrorText("E015_Failed to connect to gpsd", gpsd.failure().code,
                          gpsd.failure().text.c_str());
    }
    return 0;
  }
  if (!sendWatch(gpsd)) {
    printLastError("E016_gpsd watch request failed");
    return 0;
  }
  auto state = std::make_unique<GpsReaderState>();
  GpsdReader reader{gpsd, *address, *state, rc_, watcher_, {}};
  const KeyboardWriterLink link{nullptr, consoleFd, &writerWake_, &readerWake_};
  runBesideKeyboardWriter(link, [&] { reader.readUntilStopped(readerWake_); });
  return 0;
}
