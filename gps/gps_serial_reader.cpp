// The reader side of the GPS link on a serial port. Its failure codes (E005
// and E006, about starting, are told in keyboard_writer.h):
//   E009 poll() itself fails; E008 the port reports a hang-up or error: the
//        device is gone. Both end the link.
//   E010 a read fails because the device is gone (ends the link); E011 any
//        other read failure (that read's bytes are lost, the link waits again).
#include <poll.h>

#include <cerrno>
#include <chrono>
#include <thread>

#include "gps/gps_error_report.h"
#include "gps/gps_link.h"
#include "gps/gps_reader_state.h"
#include "gps/keyboard_writer.h"
#include "os/serial_port.h"

namespace {

enum class Drain { Emptied, Failed, DeviceGone };

bool deviceGone(int error) {
  return error == EIO || error == ENXIO || error == ENODEV;
}

// Reads until a read delivers nothing, handing every byte on with its index
// within its read.
Drain drainPort(const SerialPort& port, GpsReaderState& state, RobotController& rc,
                GpsBytesWatcher watcher) {
  for (;;) {
    char buffer[kGpsReadSize];
    const ssize_t n = port.read(buffer, sizeof buffer);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0 && errno == EAGAIN) return Drain::Emptied;  // no data yet
    if (n < 0) {
      if (deviceGone(errno)) {
        printLastError("E010_GetOverlappedResult failed");
        return Drain::DeviceGone;
      }
      printLastError("E011_ReadFile failed");
      return Drain::Failed;
    }
    if (n == 0) return Drain::Emptied;
    if (watcher != nullptr) watcher(buffer, static_cast<int>(n));
    for (int i = 0; i < n; ++i) gpsByteReceived(state, rc, buffer[i], i);
  }
}

void readUntilStopped(const SerialPort& port, GpsReaderState& state, RobotController& rc,
                      const WakeEvent& readerWake, GpsBytesWatcher watcher) {
  for (;;) {
    pollfd waits[2] = {{port.fd(), POLLIN, 0}, {readerWake.fd(), POLLIN, 0}};
    const int ready = ::poll(waits, 2, -1);
    if (ready < 0 && errno == EINTR) continue;
    if (ready < 0) {
      printLastError("E009_WaitCommEvent failed");
      return;
    }
    if (waits[1].revents != 0) return;  // stop signal
    const short events = waits[0].revents;
    if ((events & POLLIN) != 0) {
      const Drain drained = drainPort(port, state, rc, watcher);
      if (drained == Drain::DeviceGone) return;
      // A port that keeps failing must not spin the thread.
      if (drained == Drain::Failed) std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    if ((events & (POLLERR | POLLHUP | POLLNVAL)) != 0) {
      // The device went away (a receiver unplugged): nothing more will come.
      printCodedError("E008_GetOverlappedResult failed", (events & POLLNVAL) ? EBADF : EIO);
      return;
    }
  }
}

}  // namespace

void gpsReaderLoop(const SerialPort& port, GpsReaderState& state, RobotController& rc,
                   const WakeEvent& readerWake, const WakeEvent& writerWake, int consoleFd,
                   GpsBytesWatcher watcher) {
  const KeyboardWriterLink link{&port, consoleFd, &writerWake, &readerWake};
  runBesideKeyboardWriter(link, [&] { readUntilStopped(port, state, rc, readerWake, watcher); });
}
