#pragma once
// Sends the keys typed on the status console to the GPS receiver, one byte per
// key, until Esc or Ctrl+C (which stop the whole link) or until the reader
// tells it to end. Runs on its own thread beside the reader.

class SerialPort;
class WakeEvent;

struct KeyboardWriterLink {
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
