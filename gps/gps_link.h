#pragma once
// The serial link to the GPS receiver on "COM2" ($TORVA_COM2, else
// /dev/ttyS1), 19200 baud 8N1 raw: every received byte goes to the GGA intake,
// and the keys typed on the status console go to the receiver until the
// operator presses Esc or Ctrl+C. The link runs once; a stop is final.
// With TORVA_COM2=gpsd (or gpsd:HOST:PORT) the receiver's bytes come from gpsd
// instead, and typed keys have nowhere to go.
#include <string_view>

#include "os/wake_event.h"

struct RobotController;

// Sees every read's bytes as they arrive, before the GGA intake takes them
// (a recorder). Runs on the GPS thread: it must only take note and return.
using GpsBytesWatcher = void (*)(const char* bytes, int count);
class SerialPort;
struct GpsReaderState;

inline constexpr int kGpsBaud = 19200;
inline constexpr int kGpsReadSize = 10;  // bytes per read, as the intake's indices count them

class GpsLink {
 public:
  explicit GpsLink(RobotController& rc, GpsBytesWatcher watcher = nullptr)
      : rc_(rc), watcher_(watcher) {}
  GpsLink(const GpsLink&) = delete;
  GpsLink& operator=(const GpsLink&) = delete;

  // Opens and configures the port, then reads until the link stops (Esc or
  // Ctrl+C on the console, stop(), the device going away). Failures print the
  // coded line and the usage text. Returns 0. A path naming gpsd runs runGpsd().
  int run(const char* devicePath, int consoleFd);

  // The same through gpsd ("gpsd", "gpsd:HOST:PORT"): connects, asks for the
  // receiver's raw NMEA and reads until the link stops or gpsd goes away.
  int runGpsd(std::string_view setting, int consoleFd);

  // Stops the link from any thread, as Esc does; also before run() starts.
  void stop() const { readerWake_.raise(); }

 private:
  RobotController& rc_;
  GpsBytesWatcher watcher_;
  WakeEvent readerWake_;  // raised by the keyboard writer or stop(): the reader ends
  WakeEvent writerWake_;  // raised by the reader when it ends: the writer ends
};

// The reader's loop on an open, configured port: starts the keyboard writer,
// waits with poll() for data or the stop signal, drains the port in reads of at
// most kGpsReadSize bytes, and ends the writer before it returns.
void gpsReaderLoop(const SerialPort& port, GpsReaderState& state, RobotController& rc,
                   const WakeEvent& readerWake, const WakeEvent& writerWake, int consoleFd,
                   GpsBytesWatcher watcher = nullptr);

// The station's GPS link: "COM2", keys from standard input. Returns 0 once stopped.
int openGpsPort(RobotController& rc, GpsBytesWatcher watcher = nullptr);
