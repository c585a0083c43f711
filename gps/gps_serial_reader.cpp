// The reader side of the GPS link. Its failure codes:
//   E005 the keyboard writer's thread cannot start (nothing is read)
//   E006 the stop signal could not be made (the link reads on; only the
//        device going away ends it)
//   E009 poll() itself fails; E008 the port reports a hang-up or error: the
//        device is gone. Both end the link.
//   E010 a read fails because the device is gone (ends the link); E011 any
//        other read failure (that read's bytes are lost, the link waits again).
#include <poll.h>
#include <pthread.h>

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

void* writerThread(void* link) {
  keyboardWriter(*static_cast<const KeyboardWriterLink*>(link));
  return nullptr;
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
  pthread_t writer{};
  if (const int error =
          pthread_create(&writer, nullptr, writerThread, const_cast<KeyboardWriterLink*>(&link));
      error != 0) {
    printCodedError("E005_CreateThread failed", error);
    return;
  }
  if (!readerWake.valid()) printCodedError("E006_CreateEvent failed", readerWake.error());
  readUntilStopped(port, state, rc, readerWake, watcher);
  // The writer is ended and waited for before the port closes, so that it
  // never writes a key to a descriptor that something else has reopened.
  writerWake.raise();
  pthread_join(writer, nullptr);
}
