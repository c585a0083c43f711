// The whole station on a virtual X server of the test's own: the real torva
// with its console on a pseudo-terminal, driven through its menus, dialogs and
// keys as an operator drives it (one key, then what it opens), against the
// robot simulator. Every wait is on a state, with a deadline.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <termios.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <csignal>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "mapper/map_builder.h"
#include "record/recording_rows.h"
#include "sim/sim_server.h"
#include "tests/support/child_process.h"
#include "tests/support/console_capture.h"
#include "tests/support/count_of.h"
#include "tests/support/poll_until.h"
#include "tests/support/private_display.h"
#include "tests/support/temp_dir.h"

namespace {
using namespace std::chrono_literals;
const std::string kStation = TORVA_BINARY_DIR "/core/torva";
const std::string kSimulator = TORVA_BINARY_DIR "/sim/torva-sim";
const std::string kTitle = "Controlador TORVA version 1.0";

struct LogLine {
  double seconds;
  int command;
  std::string name;
  long value;
};

std::vector<LogLine> readLog(const std::string& path) {
  std::vector<LogLine> lines;
  std::ifstream in(path);
  std::string text;
  while (std::getline(in, text)) {
    std::istringstream fields(text);
    LogLine l{0, 0, {}, 0};
    char link = 0;
    fields >> l.seconds >> link >> l.command >> l.name >> l.value;
    lines.push_back(l);
  }
  return lines;
}

// The last VEL2 argument the simulator logged, or -1.
long lastVel2(const std::string& path) {
  long last = -1;
  for (const LogLine& l : readLog(path)) {
    if (l.name == "VEL2") last = l.value;
  }
  return last;
}

// VEL2's argument for equal wheel speeds (mm/s).
long packedVel2(int mmPerS) {
  const int byte = mmPerS / 20;
  return static_cast<short>(((byte & 0xFF) << 8) | (byte & 0xFF));
}

// Pixels of one colour inside a box.
int pixelsOf(const Picture& p, unsigned colour, int x0, int y0, int x1, int y1) {
  int n = 0;
  for (int y = y0; y < y1 && y < p.height; ++y) {
    for (int x = x0; x < x1 && x < p.width; ++x) n += p.at(x, y) == colour;
  }
  return n;
}

// Orange pixels beside a black one inside a box: lines drawn on black.
int scanPixels(const Picture& p, int x0, int y0, int x1, int y1) {
  const auto orange = [](unsigned c) {
    const unsigned r = c >> 16 & 0xFF, g = c >> 8 & 0xFF, b = c & 0xFF;
    return r > 0xC0 && g > 0x60 && g < 0xD0 && b < 0x40;
  };
  int n = 0;
  for (int y = std::max(y0, 1); y < y1 && y < p.height - 1; ++y) {
    for (int x = std::max(x0, 1); x < x1 && x < p.width - 1; ++x) {
      n += orange(p.at(x, y)) && (p.at(x - 1, y) == 0 || p.at(x + 1, y) == 0 ||
                                  p.at(x, y - 1) == 0 || p.at(x, y + 1) == 0);
    }
  }
  return n;
}

// Pixels that differ between two pictures inside a box.
int changedPixels(const Picture& a, const Picture& b, int x0, int y0, int x1, int y1) {
  int changed = 0;
  for (int y = y0; y < y1 && y < a.height && y < b.height; ++y) {
    for (int x = x0; x < x1 && x < a.width && x < b.width; ++x) changed += a.at(x, y) != b.at(x, y);
  }
  return changed;
}

// A pipe full before the first byte, whose reader never reads: what a paused
// pager or a stalled ssh session is to the program that writes into it.
class StalledPipe {
 public:
  StalledPipe() {
    if (::pipe2(fds_, O_CLOEXEC) != 0) return;
    ::fcntl(fds_[1], F_SETPIPE_SZ, 4096);
    ::fcntl(fds_[1], F_SETFL, O_NONBLOCK);
    const std::string filler(4096, '.');
    while (::write(fds_[1], filler.data(), filler.size()) > 0) {
    }
    full_ = errno == EAGAIN;
    ::fcntl(fds_[1], F_SETFL, 0);
  }
  ~StalledPipe() {
    for (int fd : fds_)
      if (fd >= 0) ::close(fd);
  }
  StalledPipe(const StalledPipe&) = delete;
  StalledPipe& operator=(const StalledPipe&) = delete;
  bool full() const { return full_; }
  int writeEnd() const { return fds_[1]; }
  // Once the child has its copy.
  void closeWriteEnd() {
    ::close(fds_[1]);
    fds_[1] = -1;
  }

 private:
  int fds_[2] = {-1, -1};
  bool full_ = false;
};

std::string idOf(Window w) {
  return std::to_string(static_cast<unsigned long>(w));
}

class StationEndToEnd : public testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(display_.start()) << "the end-to-end tests need Xvfb (scripts/setup installs it)";
    for (const char* f : {"font.bmp", "mono.bmp"}) {
      std::filesystem::copy_file(std::string(TORVA_SOURCE_DIR) + "/resources/" + f, run_.file(f));
    }
    log_ = run_.file("sim.log");
  }

  // Starts the station with its console on a terminal; waits for its window.
  void startStation(std::vector<std::string> environment) {
    environment.push_back(environmentGps_.empty() ? "TORVA_COM2=" + run_.file("no-gps")
                                                  : environmentGps_);
    environment.push_back("DISPLAY=" + display_.name());
    ASSERT_TRUE(station_.start({kStation}, run_.path().string(), environment, true));
    // The console's title comes once the window and records are made, just
    // before the threads and the frame loop start.
    ASSERT_TRUE(station_.waitFor("\x1b]0;Estado de comunicaciones\x07", 20s)) << station_.output();
    if (environmentGps_.empty()) {
      ASSERT_TRUE(station_.waitFor("E012_Failed to open port", 10s)) << station_.output();
    }
    frame_ = display_.waitForWindow(kTitle, 10s);
    ASSERT_NE(frame_, 0u) << "the station's window is shown";
    tcgetattr(station_.terminalFd(), &consoleBefore_);
  }

  // Starts the station with its standard output and error on outputFd (a
  // file, a pipe nobody reads); waits for its window.
  void startStationWithOutput(std::vector<std::string> environment, int outputFd) {
    environment.push_back(environmentGps_.empty() ? "TORVA_COM2=" + run_.file("no-gps")
                                                  : environmentGps_);
    environment.push_back("DISPLAY=" + display_.name());
    ASSERT_TRUE(station_.startWithOutput({kStation}, run_.path().string(), environment, outputFd));
    frame_ = display_.waitForWindow(kTitle, 20s);
    ASSERT_NE(frame_, 0u) << "the station's window is shown";
  }

  // The menu bar's height: the window less the 450 rows of the drawing area.
  int menuBarHeight() const { return display_.capture(frame_).height - 450; }

  // Keys for the window itself (not for a menu or dialog).
  void keysToWindow(const std::string& keys) {
    ASSERT_TRUE(display_.xdotool("windowfocus --sync " + idOf(frame_)));
    ASSERT_TRUE(display_.xdotool(keys));
  }

  // One key to the open menu, then waits until as many menus are open as it
  // should leave.
  void menuKey(const std::string& key, std::size_t menusAfter) {
    ASSERT_TRUE(display_.xdotool("key " + key));
    EXPECT_TRUE(pollUntil([&] { return display_.popups().size() == menusAfter; }, 10s, 50ms))
        << "after " << key << ": " << display_.popups().size() << " menus open, not " << menusAfter;
  }

  // "Archivo" > "Inicio", opened as an operator does: a click on "Archivo",
  // then its "i"; the submenu's first entry is then the chosen one.
  void openInicio() {
    ASSERT_TRUE(display_.xdotool("mousemove --window " + idOf(frame_) + " 20 " +
                                 std::to_string(menuBarHeight() / 2) + " click 1"));
    ASSERT_TRUE(pollUntil([&] { return display_.popups().size() == 1; }, 10s, 50ms))
        << "the \"Archivo\" menu opens";
    menuKey("i", 2);
  }

  // Moves the choice in the topmost menu one entry down, and waits until the
  // menu shows it.
  void menuDown() {
    const Window menu = display_.popups().back();
    const Picture before = display_.capture(menu);
    ASSERT_TRUE(display_.xdotool("key Down"));
    EXPECT_TRUE(
        pollUntil([&] { return display_.capture(menu).pixels != before.pixels; }, 10s, 50ms))
        << "the choice moves down";
  }

  // A dialog is mapped before Qt has laid it out and drawn it; a click that
  // arrives then can be lost. Waits until two captures in a row show the
  // same drawn picture (more than one colour).
  void waitUntilDrawn(Window dialog) {
    Picture last;
    EXPECT_TRUE(pollUntil(
        [&] {
          Picture now = display_.capture(dialog);
          const bool drawn =
              !now.pixels.empty() && std::any_of(now.pixels.begin(), now.pixels.end(),
                                                 [&](unsigned p) { return p != now.pixels[0]; });
          const bool steady = drawn && now.pixels == last.pixels;
          last = std::move(now);
          return steady;
        },
        10s, 50ms))
        << "the dialog is drawn";
  }

  // Clicks a button at (x, y) inside a drawn dialog.
  void clickInDialog(Window dialog, int x, int y) {
    ASSERT_TRUE(display_.xdotool("mousemove --window " + idOf(dialog) + " " + std::to_string(x) +
                                 " " + std::to_string(y) + " click 1"));
  }

  // Clicks the button that closes the dialog until it is gone: a click the
  // toolkit dropped is sent again, one that took effect leaves nothing to click.
  void clickToClose(Window dialog, const std::string& title, int x, int y) {
    const auto gone = [&] { return display_.shownWindowNamed(title) == 0; };
    for (int attempt = 0; attempt < 3 && !gone(); ++attempt) {
      clickInDialog(dialog, x, y);
      if (pollUntil(gone, 4s)) return;
    }
    EXPECT_TRUE(gone()) << title << " closes\n" << station_.output();
  }

  // Holds Up until both wheels are told 1.2 m/s and the REAL dial moved, then
  // Space, then Escape; checks what the robot was told and how the station ended.
  void driveAndLeave() {
    const Picture atRest = display_.capture(frame_);
    ASSERT_GT(atRest.width, 0);
    keysToWindow("keydown Up");
    // The speed steps by 0.01 m/s a frame: about 2 s at 60 frames a second,
    // longer where frames are slow (a sanitizer build on software GL).
    const bool fullSpeed =
        pollUntil([&] { return lastVel2(log_) == packedVel2(1200); }, 30s, 100ms);
    // The "REAL" dial, the lowest on the right, shows the robot's speed.
    const int dialTop = atRest.height - 105;
    const bool dialMoved = pollUntil(
        [&] {
          return changedPixels(atRest, display_.capture(frame_), atRest.width - 180, dialTop,
                               atRest.width - 10, atRest.height - 10) > 100;
        },
        10s, 100ms);
    display_.xdotool("keyup Up");
    EXPECT_TRUE(fullSpeed) << "holding Up brings both wheels to 1.2 m/s";
    EXPECT_TRUE(dialMoved) << "the REAL dial follows the robot\n" << station_.output();

    keysToWindow("key space");
    EXPECT_TRUE(pollUntil([&] { return lastVel2(log_) == 0; }, 10s, 100ms))
        << "Space stops both wheels";

    keysToWindow("key Escape");
    EXPECT_EQ(station_.wait(10s), 0) << station_.output();
    EXPECT_EQ(station_.output().find("sin respuesta"), std::string::npos) << station_.output();
    expectRobotSessionClosed();

    termios after{};
    tcgetattr(station_.terminalFd(), &after);
    EXPECT_EQ(after.c_lflag & (ICANON | ECHO), consoleBefore_.c_lflag & (ICANON | ECHO));
  }

  // The simulator on the robot port 8101, which the station's MobileSim
  // choice connects to. A port still held by a simulator that just ended (or
  // another program) is waited for.
  void startRobotSimulator(const std::vector<std::string>& args) {
    for (int attempt = 0; attempt < 20; ++attempt) {
      simulator_.reset();
      ASSERT_TRUE(simulator_.start(args));
      if (simulator_.waitFor("escuchando en 127.0.0.1:8101", 10s)) return;
      if (simulator_.output().find("Address already in use") == std::string::npos) break;
      std::this_thread::sleep_for(500ms);
    }
    FAIL() << "the simulator does not listen on 8101: " << simulator_.output();
  }

  // The simulator on the robot port with its GPS line on a pseudo-terminal,
  // which the station is then given as its receiver.
  void startSimulatorWithGps(const std::vector<std::string>& extra) {
    std::vector<std::string> args{kSimulator, "--address", "127.0.0.1", "--port",
                                  "8101",     "--gps-pty", "--log",     log_};
    args.insert(args.end(), extra.begin(), extra.end());
    startRobotSimulator(args);
    if (HasFatalFailure()) return;
    environmentGps_ = "TORVA_COM2=" + simulatorDevice("gps en ");
    ASSERT_NE(environmentGps_, "TORVA_COM2=") << simulator_.output();
  }

  // The device the simulator named after `mark` on a line of its own output.
  std::string simulatorDevice(const std::string& mark) {
    if (!simulator_.waitFor(mark + "/dev/", 10s)) return {};
    const auto lineDone = [&] {
      simulator_.drain(0);
      const std::string& text = simulator_.output();
      return text.find('\n', text.find(mark)) != std::string::npos;
    };
    if (!pollUntil(lineDone, 5s, 10ms)) return {};
    const std::string& text = simulator_.output();
    const auto at = text.find("/dev/", text.find(mark));
    return text.substr(at, text.find('\n', at) - at);
  }

  // Whether one of the station's threads has this name (its label).
  bool stationHasThread(const std::string& name) const {
    const auto tasks = std::filesystem::path("/proc") / std::to_string(station_.pid()) / "task";
    std::error_code error;
    for (const auto& task : std::filesystem::directory_iterator(tasks, error)) {
      std::ifstream comm(task.path() / "comm");
      std::string line;
      if (std::getline(comm, line) && line == name) return true;
    }
    return false;
  }

  // The simulator's last commands: motors disabled, then the session closed.
  void expectRobotSessionClosed() {
    const auto closed = [&] {
      const auto log = readLog(log_);
      return log.size() >= 2 && log[log.size() - 2].name == "ENABLE" &&
             log[log.size() - 2].value == 0 && log.back().name == "CLOSE";
    };
    EXPECT_TRUE(pollUntil(closed, 5s, 50ms))
        << "the robot's motors are disabled and its session closed";
  }

  // Archivo > Inicio > Modo IP > MobileSim, then "Manual" in the IP dialog.
  void connectManualThroughMobileSim() {
    connectThroughMobileSim(22);
    expectWorkerLines();
  }

  // The same menu path, then the IP dialog's button at this height ("Manual"
  // 22, "Automatico" 50).
  void connectThroughMobileSim(int buttonY) {
    openInicio();
    ASSERT_FALSE(HasFailure());
    menuDown();  // "Modo IP"
    menuKey("Right", 3);
    ASSERT_FALSE(HasFailure());
    ASSERT_TRUE(display_.xdotool("key b"));  // "Mo&bileSim"
    const Window dialog = display_.waitForWindow("Conexion modo IP", 10s);
    ASSERT_NE(dialog, 0u) << "the IP dialog opens";
    waitUntilDrawn(dialog);
    clickToClose(dialog, "Conexion modo IP", 231, buttonY);
  }

  // Waits for the simulator to print needle, reading the station's console
  // meanwhile (a console nobody reads would hold the station's threads).
  bool simulatorSays(const std::string& needle, std::chrono::milliseconds timeout) {
    return pollUntil(
        [&] {
          station_.drain(0);
          return simulator_.waitFor(needle, 20ms);
        },
        timeout, 1ms);
  }

  void expectWorkerLines() {
    if (station_.terminalFd() < 0) return;  // a log the test reads at the end
    for (const char* line :
         {"1c\r\n", "\a->1\r\n", "\a->2\r\n", "\a->3\r\n", "2c\r\n",
          "Tiempo conexion maxima: 10000 \r\n", "Voltaje Baterias : ", "runhola"}) {
      EXPECT_TRUE(station_.waitFor(line, 10s)) << line << "\n" << station_.output();
    }
  }

  PrivateDisplay display_;
  TempDir run_;
  std::string log_;
  ChildProcess station_;
  ChildProcess simulator_;
  Window frame_ = 0;
  std::string environmentGps_;
  termios consoleBefore_{};
};
}  // namespace

TEST_F(StationEndToEnd, ConsoleWindowAndManualDrivingOverTcp) {
  startRobotSimulator({kSimulator, "--address", "127.0.0.1", "--port", "8101", "--log", log_});
  if (HasFatalFailure()) return;
  startStation({});
  ASSERT_FALSE(HasFatalFailure());
  // The console's title, then the GPS link's failure on a missing receiver.
  const std::string& console = station_.output();
  EXPECT_LT(console.find("\x1b]0;Estado de comunicaciones\x07"), console.find("E012_")) << console;

  connectManualThroughMobileSim();
  ASSERT_FALSE(HasFailure());
  EXPECT_TRUE(stationHasThread("T7")) << "the gamepad's thread";
  driveAndLeave();
}

TEST_F(StationEndToEnd, ManualDrivingOverASerialLine) {
  ASSERT_TRUE(simulator_.start({kSimulator, "--no-tcp", "--pty", "--log", log_}));
  const std::string ptyPath = simulatorDevice("linea serie en ");
  ASSERT_FALSE(ptyPath.empty()) << simulator_.output();
  startStation({"TORVA_COM3=" + ptyPath, "TORVA_REGISTRO=0", "TORVA_MANDO=0"});
  ASSERT_FALSE(HasFatalFailure());

  // Archivo > Inicio > Modo Serial, then "COM3" and "Manual".
  openInicio();
  ASSERT_FALSE(HasFailure());
  ASSERT_TRUE(display_.xdotool("key Return"));
  const Window dialog = display_.waitForWindow("Puerto Serial", 10s);
  ASSERT_NE(dialog, 0u) << "the serial dialog opens";
  waitUntilDrawn(dialog);
  clickInDialog(dialog, 206 + 37, 28 + 11);                  // "COM3"
  clickToClose(dialog, "Puerto Serial", 34 + 37, 213 + 11);  // "Manual"
  expectWorkerLines();
  ASSERT_FALSE(HasFailure());
  EXPECT_FALSE(stationHasThread("T7")) << "TORVA_MANDO=0 starts no gamepad thread";
  driveAndLeave();
  EXPECT_FALSE(std::filesystem::exists(run_.path() / "registros"))
      << "TORVA_REGISTRO=0 records nothing";
}

// The demo: station and simulator together, the simulator writing the laser
// file into the station's folder and sending GPS sentences on a pseudo-terminal.
// The bundled room has walls and boxes within the radar's 5 m of the start, so
// right after connecting, before any key, the radar shows the scan and the map
// view the walls. The station's output goes to a file, as `torva > log.txt`
// sends it: a log of stamped lines, each once, in time order, no control bytes.
TEST_F(StationEndToEnd, DemoShowsTheWallsTheScanAndTheGpsFixAndLogsToAFile) {
  startSimulatorWithGps({"--laser-dir", run_.path().string()});
  ASSERT_FALSE(HasFatalFailure());
  const std::string logPath = run_.file("torva.log");
  const int logFd = ::open(logPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
  ASSERT_GE(logFd, 0);
  startStationWithOutput({}, logFd);
  ::close(logFd);
  ASSERT_FALSE(HasFatalFailure());
  const auto logText = [&] {
    std::ifstream in(logPath, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
  };

  connectManualThroughMobileSim();
  ASSERT_FALSE(HasFailure());
  const int menu = menuBarHeight();
  // The scan on the radar (top left): orange drawn on its black half-disc (the
  // range labels sit on the grey around it); the map view (the square at the
  // bottom centre): orange wall cells.
  const auto radarScan = [&](const Picture& p) {
    return scanPixels(p, 50, menu + 25, 370, menu + 235);
  };
  const auto mapOrange = [&](const Picture& p) {
    return pixelsOf(p, 0xFF9900, 212, menu + 270, 382, menu + 440);
  };
  Picture shown;
  const bool lit = pollUntil(
      [&] {
        shown = display_.capture(frame_);
        return radarScan(shown) > 100 && mapOrange(shown) > 20;
      },
      10s, 200ms);
  EXPECT_TRUE(lit) << "radar: " << radarScan(shown) << " scan pixels; map: " << mapOrange(shown)
                   << " orange";

  // A short drive: forward until the robot was told 0.9 m/s, then Space.
  keysToWindow("keydown Up");
  EXPECT_TRUE(pollUntil([&] { return lastVel2(log_) >= packedVel2(900); }, 20s, 100ms));
  display_.xdotool("keyup Up");
  keysToWindow("key space");
  EXPECT_TRUE(pollUntil([&] { return lastVel2(log_) == 0; }, 10s, 100ms));

  // The GPS fix at the default origin, 33 degrees 27 minutes south.
  EXPECT_TRUE(pollUntil([&] { return logText().find("Latitud: 33 g 27.0") != std::string::npos; },
                        5s, 50ms))
      << logText();
  keysToWindow("key Escape");
  EXPECT_EQ(station_.wait(10s), 0);

  const std::string log = logText();
  EXPECT_EQ(countOf(log, "Robot conectado"), 1) << log;
  EXPECT_EQ(countOf(log, "Tiempo conexion maxima: 10000"), 1) << log;
  EXPECT_EQ(std::count_if(log.begin(), log.end(),
                          [](char c) { return static_cast<unsigned char>(c) < 0x20 && c != '\n'; }),
            0)
      << "no control byte but the line ends";
  std::istringstream lines(log);
  std::string line, lastStamp;
  int stamped = 0;
  while (std::getline(lines, line)) {
    ASSERT_TRUE(isStampedLogLine(line)) << line;
    const std::string stamp = line.substr(0, 12);
    EXPECT_GE(stamp, lastStamp) << "in time order: " << line;
    lastStamp = stamp;
    ++stamped;
  }
  EXPECT_GT(stamped, 10);
}

// A route while the station's output goes to a pipe that nobody reads (a
// paused pager, a stalled ssh session): the route is driven to its end and
// the wheels stopped as always, the station runs on, and SIGTERM ends it at
// once.
TEST_F(StationEndToEnd, ARouteEndsWhileNobodyReadsTheConsole) {
  run_.write("data_ruta.dat", "0 0\n0 2\n");  // 2 m straight ahead
  SimOptions options;
  options.cycleMs = 100;
  SimServer sim(options);  // the robot port, 8101
  std::string why;
  ASSERT_TRUE(sim.start(why)) << why;
  StalledPipe console;
  ASSERT_TRUE(console.full());
  startStationWithOutput({"TORVA_REGISTRO=0"}, console.writeEnd());
  console.closeWriteEnd();
  ASSERT_FALSE(HasFatalFailure());
  connectThroughMobileSim(50);  // "Automatico"
  ASSERT_FALSE(HasFailure());

  // The route's end: its worker closes the robot's session.
  ASSERT_TRUE(pollUntil([&] { return sim.tcpClientConnected(); }, 20s, 20ms));
  ASSERT_TRUE(pollUntil([&] { return !sim.tcpClientConnected(); }, 60s, 50ms)) << "the route ends";
  const SimPose end = sim.truePose();
  // Within its stopping distance of the last point, as any route run ends
  // (before, it drove on at 300 mm/s, 2 m past it by 25 s).
  EXPECT_LT(std::hypot(end.x - 2000, end.y), 350) << "ended at " << end.x << ", " << end.y;
  sim.withRobot([](SimRobot& r) {
    EXPECT_EQ(r.leftVel(), 0);
    EXPECT_EQ(r.rightVel(), 0);
  });
  const auto log = sim.commandLog();
  ASSERT_GE(log.size(), 2u);
  EXPECT_EQ(log[log.size() - 2].name, "ENABLE");
  EXPECT_EQ(log.back().name, "CLOSE");

  EXPECT_EQ(station_.wait(500ms), -1) << "the station keeps running";
  const auto signalled = std::chrono::steady_clock::now();
  station_.signal(SIGTERM);
  EXPECT_EQ(station_.wait(5s), 128 + SIGTERM);
  const auto took = std::chrono::steady_clock::now() - signalled;
  RecordProperty(
      "sigterm_to_end_ms",
      static_cast<int>(std::chrono::duration_cast<std::chrono::milliseconds>(took).count()));
  EXPECT_LE(took, 1s);
}

// A short route run is recorded: every file of the recording, rows in time
// order, a scan row for every pass of the laser thread, the route's wheel
// speeds and the final motors-off among the commands; and torva-map rebuilds
// from the recording the very map the station wrote when it ended.
TEST_F(StationEndToEnd, ARouteRunIsRecordedReplayedAndItsMapRebuilt) {
  run_.write("data_ruta.dat", "0 0\n0 1\n");  // 1 m straight ahead, at the slow speed
  startSimulatorWithGps({"--laser-dir", run_.path().string()});
  ASSERT_FALSE(HasFatalFailure());
  startStation({});
  ASSERT_FALSE(HasFatalFailure());
  connectThroughMobileSim(50);  // "Automatico"
  ASSERT_FALSE(HasFailure());
  EXPECT_TRUE(station_.waitFor("3c\r\n", 60s)) << "the route ends\n" << station_.output();
  expectRobotSessionClosed();
  keysToWindow("key Escape");
  ASSERT_EQ(station_.wait(10s), 0) << station_.output();

  std::vector<std::filesystem::path> recordings;
  for (const auto& e : std::filesystem::directory_iterator(run_.path() / "registros")) {
    recordings.push_back(e.path());
  }
  ASSERT_EQ(recordings.size(), 1u);
  const std::filesystem::path folder = recordings[0];
  for (const char* f :
       {"gps.nmea", "laser.tsv", "laser_pose.csv", "robot.csv", "comandos.csv", "mapa.png"}) {
    EXPECT_GT(std::filesystem::file_size(folder / f), 0u) << f;
  }
  const auto rows = [&](const char* file, char separator) {
    std::vector<std::vector<std::string>> out;
    std::ifstream in(folder / file);
    std::string line;
    std::getline(in, line);  // header
    while (std::getline(in, line)) {
      std::vector<std::string> fields;
      std::istringstream split(line);
      for (std::string f; std::getline(split, f, separator);) fields.push_back(f);
      out.push_back(fields);
    }
    return out;
  };
  const auto inTimeOrder = [](const std::vector<std::vector<std::string>>& table) {
    double last = 0;
    for (const auto& row : table) {
      const double t = std::stod(row.at(0));
      if (t < last) return false;
      last = t;
    }
    return true;
  };
  const auto laser = rows("laser.tsv", '\t');
  const auto robot = rows("robot.csv", ',');
  const auto commands = rows("comandos.csv", ',');
  ASSERT_FALSE(laser.empty());
  ASSERT_FALSE(robot.empty());
  ASSERT_FALSE(commands.empty());
  EXPECT_TRUE(inTimeOrder(laser));
  EXPECT_TRUE(inTimeOrder(robot));
  EXPECT_TRUE(inTimeOrder(commands));
  EXPECT_EQ(robot[0].size(), 13u);
  EXPECT_EQ(laser[0].size(), 2u + 361u);

  // Each scan names the status packet whose pose marked it (its robot.csv
  // row): from the robot worker's first pose on, every scan has one, in the
  // order the packets came, and the heading it was marked with is that
  // packet's (the raw odometry in the simulator's mode).
  const auto poses = rows("laser_pose.csv", ',');
  ASSERT_EQ(poses.size(), laser.size());
  long lastPacket = -1;
  int named = 0;
  for (const auto& pose : poses) {
    const long packet = std::stol(pose.at(4));
    if (packet < 0) {
      EXPECT_EQ(lastPacket, -1) << "a scan without its packet after one with";
      continue;
    }
    ASSERT_LT(static_cast<std::size_t>(packet), robot.size());
    EXPECT_GE(packet, lastPacket);
    lastPacket = packet;
    const double headingDeg = std::stod(robot[static_cast<std::size_t>(packet)].at(3));
    EXPECT_EQ(static_cast<float>(headingDeg * 3.1415927 / 180.0), std::stof(pose.at(3)))
        << "scan at " << pose[0] << " s, packet " << packet;
    ++named;
  }
  EXPECT_GT(named, 20);

  // The laser thread reads the scan file ten times a second, from the first
  // scan to the station's end (the Escape key, the last command row).
  const double length = std::stod(commands.back()[0]) - std::stod(laser.front()[0]);
  EXPECT_NEAR(static_cast<double>(laser.size()), length * 10, length * 10 * 0.1)
      << laser.size() << " scans in " << length << " s";

  // The route's straight at 300 mm/s on both wheels (VEL2, 15 twice in its
  // argument's bytes), then the motors off (ENABLE 0).
  const auto sent = [&](const std::string& number, const std::string& argument) {
    return std::any_of(commands.begin(), commands.end(), [&](const auto& row) {
      return row.size() == 4 && row[1] == "robot" && row[2] == number && row[3] == argument;
    });
  };
  EXPECT_TRUE(sent("32", std::to_string(packedVel2(300))));
  EXPECT_TRUE(sent("4", "0"));

  ChildProcess mapTool;
  ASSERT_TRUE(mapTool.start(
      {TORVA_BINARY_DIR "/mapper/torva-map", folder.string(), "-o", run_.file("rebuilt.png")}));
  EXPECT_EQ(mapTool.wait(60s), 0) << mapTool.output();
  const auto bytesOf = [](const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
  };
  EXPECT_EQ(bytesOf(run_.file("rebuilt.png")), bytesOf((folder / "mapa.png").string()))
      << "torva-map gives the station's own map";

  // torva-export makes of it a file in which an MCAP reader of its own finds
  // every row of the recording at its time, nothing left out.
  ChildProcess exportTool;
  ASSERT_TRUE(exportTool.start(
      {TORVA_BINARY_DIR "/exporter/torva-export", folder.string(), "-o", run_.file("run.mcap")}));
  EXPECT_EQ(exportTool.wait(60s), 0) << exportTool.output();
  EXPECT_EQ(std::count(exportTool.output().begin(), exportTool.output().end(), '\n'), 1)
      << exportTool.output();
  ChildProcess reader;
  ASSERT_TRUE(reader.start({TORVA_NODE, TORVA_MCAP_CHECK, folder.string(), run_.file("run.mcap")}));
  EXPECT_EQ(reader.wait(60s), 0) << reader.output();
  EXPECT_NE(reader.output().find(": ok: "), std::string::npos) << reader.output();

  // The same run played back by the simulator (its packets, scans and GPS
  // bytes at their times), the station connected the same way: its map grid
  // is the live run's, but for the cells of a scan at either end (the
  // station's laser pass and the replay's scans need not fall on the same
  // 100 ms).
  const std::filesystem::path live = run_.path() / "vivo";
  std::filesystem::rename(folder, live);
  simulator_.reset();
  station_.reset();
  log_ = run_.file("replay.log");
  startRobotSimulator({kSimulator, "--address", "127.0.0.1", "--port", "8101", "--log", log_,
                       "--gps-pty", "--laser-dir", run_.path().string(), "--replay",
                       live.string()});
  ASSERT_FALSE(HasFatalFailure());
  environmentGps_ = "TORVA_COM2=" + simulatorDevice("gps en ");
  startStation({});
  ASSERT_FALSE(HasFatalFailure());
  connectThroughMobileSim(50);
  ASSERT_FALSE(HasFailure());
  EXPECT_TRUE(station_.waitFor("3c\r\n", 60s)) << "the replayed route ends\n" << station_.output();
  EXPECT_TRUE(simulatorSays("torva-sim: fin del registro", 30s)) << simulator_.output();
  keysToWindow("key Escape");
  ASSERT_EQ(station_.wait(10s), 0) << station_.output();

  recordings.clear();
  for (const auto& e : std::filesystem::directory_iterator(run_.path() / "registros")) {
    recordings.push_back(e.path());
  }
  ASSERT_EQ(recordings.size(), 1u);
  const auto gridOf = [](const std::filesystem::path& dir) {
    std::string laserText, poseText, error;
    std::vector<LaserRecord> scans;
    EXPECT_TRUE(readRecordingFile(dir.string(), "laser.tsv", laserText, error) &&
                readRecordingFile(dir.string(), "laser_pose.csv", poseText, error) &&
                parseLaserRecords(laserText, poseText, scans, error))
        << error;
    return buildMapGrids(scans, 500).obstacles;
  };
  const std::vector<std::uint8_t> liveGrid = gridOf(live), replayGrid = gridOf(recordings[0]);
  ASSERT_EQ(liveGrid.size(), replayGrid.size());
  long differing = 0, marked = 0;
  for (std::size_t i = 0; i < liveGrid.size(); ++i) {
    differing += liveGrid[i] != replayGrid[i];
    marked += liveGrid[i] != 0;
  }
  RecordProperty("replay_cells_differing", static_cast<int>(differing));
  EXPECT_GT(marked, 100);
  EXPECT_LE(differing, 2 * 361) << differing << " of " << marked << " marked cells differ";
}

// A wall across the route: the robot touches it and cannot go on; the route
// ends with its line, the wheels stay at zero, the robot's session is closed
// as after a finished route, and the station runs on until Escape.
TEST_F(StationEndToEnd, ARouteIntoAWallEndsAndTheStationRunsOn) {
  run_.write("data_ruta.dat", "0 0\n0 4\n");  // 4 m straight ahead
  startRobotSimulator({kSimulator, "--address", "127.0.0.1", "--port", "8101", "--log", log_,
                       "--map", TORVA_TEST_DATA "/sim/wall_across_route.map"});
  if (HasFatalFailure()) return;
  startStation({});
  ASSERT_FALSE(HasFatalFailure());
  connectThroughMobileSim(50);  // "Automatico"
  ASSERT_FALSE(HasFailure());

  ASSERT_TRUE(simulatorSays("el robot toca un obstaculo", 60s)) << simulator_.output();
  const auto touched = std::chrono::steady_clock::now();
  const std::string line = "ruta: el robot no avanza en el tramo 1, ruta detenida";
  ASSERT_TRUE(station_.waitFor(line, 15s)) << station_.output();
  const auto ended = std::chrono::steady_clock::now();
  RecordProperty(
      "touch_to_end_ms",
      static_cast<int>(
          std::chrono::duration_cast<std::chrono::milliseconds>(ended - touched).count()));
  EXPECT_LE(ended - touched, 7s);

  // The worker ends as after a finished route: motors off, session closed.
  EXPECT_TRUE(station_.waitFor("3c\r\n", 10s)) << station_.output();
  expectRobotSessionClosed();
  EXPECT_EQ(lastVel2(log_), 0) << "the wheels were last told zero, up to the session's end";

  // Still up, and Escape ends it as usual.
  EXPECT_EQ(station_.wait(500ms), -1) << "the station keeps running";
  keysToWindow("key Escape");
  EXPECT_EQ(station_.wait(10s), 0) << station_.output();
}

// A signal to the station while a robot drives and the console takes raw keys
// for the GPS receiver: the robot's motors are disabled and its session closed,
// the terminal gets its settings back, and the status tells which signal it was.
class StationSignalEnd : public StationEndToEnd, public testing::WithParamInterface<int> {};

TEST_P(StationSignalEnd, DisablesTheRobotClosesItsSessionAndRestoresTheTerminal) {
  const int sig = GetParam();
  startSimulatorWithGps({});
  ASSERT_FALSE(HasFatalFailure());
  startStation({});
  ASSERT_FALSE(HasFatalFailure());
  ASSERT_TRUE(station_.waitFor("press Esc or Ctrl+C to terminate", 10s)) << station_.output();
  connectManualThroughMobileSim();
  ASSERT_FALSE(HasFailure());

  // Under way: Up held until the robot has been told a forward speed.
  keysToWindow("keydown Up");
  ASSERT_TRUE(pollUntil([&] { return lastVel2(log_) > 0; }, 20s, 100ms))
      << "the robot is driven before the signal";
  termios during{};
  tcgetattr(station_.terminalFd(), &during);
  EXPECT_EQ(during.c_lflag & ICANON, 0u) << "the console takes raw keys while the GPS link runs";

  // On a terminal the GPS fix is a block that clears the screen, as always.
  EXPECT_TRUE(station_.waitFor("\x1b[H\x1b[2JLatitud: ", 5s)) << station_.output();

  station_.signal(sig);
  const int status = station_.wait(10s);
  display_.xdotool("keyup Up");
  EXPECT_EQ(status, 128 + sig) << station_.output();
  expectRobotSessionClosed();

  termios after{};
  tcgetattr(station_.terminalFd(), &after);
  EXPECT_EQ(after.c_lflag & (ICANON | ECHO | ISIG), static_cast<tcflag_t>(ICANON | ECHO | ISIG))
      << "the terminal is cooked again";
}

INSTANTIATE_TEST_SUITE_P(Signals, StationSignalEnd, testing::Values(SIGTERM, SIGINT),
                         [](const testing::TestParamInfo<int>& info) {
                           return std::string(info.param == SIGTERM ? "SIGTERM" : "SIGINT");
                         });
