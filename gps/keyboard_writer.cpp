#include "gps/keyboard_writer.h"

#include <poll.h>
#include <pthread.h>
#include <unistd.h>

#include <cerrno>

#include "gps/console_key_decoder.h"
#include "gps/gps_error_report.h"
#include "os/console_print.h"
#include "os/serial_port.h"
#include "os/terminal_console.h"
#include "os/wake_event.h"

namespace {

enum class Step { Continue, End };

bool woken(const pollfd& p) {
  return (p.revents & (POLLIN | POLLERR | POLLHUP | POLLNVAL)) != 0;
}

// Writes one key to the port; a full output queue is waited out (E003 when
// that wait fails), any other failure is E004.
Step sendKey(const KeyboardWriterLink& link, unsigned char key) {
  for (;;) {
    const ssize_t n = link.port->write(&key, 1);
    if (n == 1) return Step::Continue;
    if (n < 0 && errno == EINTR) continue;
    if (n < 0 && errno != EAGAIN) {
      printLastError("E004_WriteFile failed");
      return Step::End;
    }
    pollfd waits[2] = {{link.port->fd(), POLLOUT, 0}, {link.writerWake->fd(), POLLIN, 0}};
    const int ready = ::poll(waits, 2, -1);
    if (ready < 0 && errno == EINTR) continue;
    if (ready < 0) {
      printLastError("E003_GetOverlappedResult failed");
      return Step::End;
    }
    if (woken(waits[1])) return Step::End;
    if ((waits[0].revents & (POLLERR | POLLHUP | POLLNVAL)) != 0) {
      printCodedError("E003_GetOverlappedResult failed", EIO);
      return Step::End;
    }
  }
}

void readKeys(const KeyboardWriterLink& link) {
  ConsoleKeyDecoder decoder;
  for (;;) {
    pollfd waits[2] = {{link.consoleFd, POLLIN, 0}, {link.writerWake->fd(), POLLIN, 0}};
    const int ready = ::poll(waits, 2, keyUnfinished(decoder) ? kEscapePauseMs : -1);
    if (ready < 0 && errno == EINTR) continue;
    if (ready < 0) {
      printLastError("E002_ReadConsoleInput failed...");
      return;
    }
    if (woken(waits[1])) return;
    if (ready == 0) {
      if (decodeKeyPause(decoder) == KeyAction::Stop) return;
      continue;
    }
    if ((waits[0].revents & (POLLERR | POLLNVAL)) != 0 && (waits[0].revents & POLLIN) == 0) {
      printCodedError("E002_ReadConsoleInput failed...",
                      (waits[0].revents & POLLNVAL) ? EBADF : EIO);
      return;
    }
    unsigned char keys[64];
    const ssize_t n = ::read(link.consoleFd, keys, sizeof keys);
    if (n < 0 && (errno == EINTR || errno == EAGAIN)) continue;
    if (n <= 0) {
      // A console that is gone (closed terminal) reads as end of input.
      printCodedError("E002_ReadConsoleInput failed...", n == 0 ? EIO : errno);
      return;
    }
    for (ssize_t i = 0; i < n; ++i) {
      const KeyAction action = decodeKeyByte(decoder, keys[i]);
      if (action == KeyAction::Stop) return;
      if (action == KeyAction::Send && link.port != nullptr &&
          sendKey(link, keys[i]) == Step::End) {
        return;
      }
    }
  }
}

}  // namespace

void keyboardWriter(const KeyboardWriterLink& link) {
  if (!link.writerWake->valid()) {
    printCodedError("E001_CreateEvent failed", link.writerWake->error());
    link.readerWake->raise();
    return;
  }
  if (!enterRawKeyInput(link.consoleFd)) return;  // no console to type on
  consolePrintf("press Esc or Ctrl+C to terminate\n");
  readKeys(link);
  leaveRawKeyInput();
  if (!link.readerWake->raise()) consolePrintf("SetCommMask-GetLastError: %i\n", errno);
}

namespace {

void* writerThread(void* link) {
  keyboardWriter(*static_cast<const KeyboardWriterLink*>(link));
  return nullptr;
}

}  // namespace

void runBesideKeyboardWriter(const KeyboardWriterLink& link,
                             const std::function<void()>& readLoop) {
  pthread_t writer{};
  if (const int error =
          pthread_create(&writer, nullptr, writerThread, const_cast<KeyboardWriterLink*>(&link));
      error != 0) {
    printCodedError("E005_CreateThread failed", error);
    return;
  }
  if (!link.readerWake->valid()) {
    printCodedError("E006_CreateEvent failed", link.readerWake->error());
  }
  readLoop();
  link.writerWake->raise();
  pthread_join(writer, nullptr);
}
