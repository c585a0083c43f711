#pragma once
// Sends the keys typed on the status console to the GPS receiver, one byte per
// key, until Esc or Ctrl+C (which stop the whole link) or until the reader
// tells it to end. Runs on its own thread beside the reader.
#include <functional>

class SerialPort;
class WakeEvent;

struct KeyboardWriterLink {
  // Null when the receiver is read through gpsd: there is nothing to write
  // keys to, so they are dropped (Esc and Ctrl+C still stop the link).
  const SerialPort* port = nullptr;
  int consoleFd = 0;                      // the console's input (standard input)
  const WakeEvent* writerWake = nullptr;  // raised by the reader: end now
  const WakeEvent* readerWake = nullptr;  // raised here: stop the reader
};

// Failure codes: E001 no wake signal of its own (it stops the link at once),
// E002 the console cannot be read (closed terminal), E003 waiting for room in
// the port's output queue fails, E004 a key cannot be written. Each ends the
// writer and stops the link.
// Without a console to type on (not a terminal, or one this process runs in
// the background of) it ends at once and leaves the reader running.
void keyboardWriter(const KeyboardWriterLink& link);

// Runs readLoop on this thread with keyboardWriter on a thread beside it, and
// ends and waits for the writer before returning, so that it never writes a
// key to a descriptor something else has reopened. E005 when the writer
// cannot start (readLoop does not run); E006 when the reader has no stop
// signal (it reads on; only the source going away ends it).
void runBesideKeyboardWriter(const KeyboardWriterLink& link, const std::function<void()>& readLoop);
