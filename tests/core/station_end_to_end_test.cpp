// The whole station under a virtual X server: the real torva with its console
// on a pseudo-terminal, driven through its menus, dialogs and keys with
// xdotool, against the robot simulator.
#include <gtest/gtest.h>
#include <termios.h>

#include <chrono>
#include <csignal>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "tests/support/child_process.h"
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

// VEL2's argument for equal wheel speeds (mm/s).
long packedVel2(int mmPerS) {
  const int byte = mmPerS / 20;
  return static_cast<short>(((byte & 0xFF) << 8) | (byte & 0xFF));
}

bool xdo(const std::string& args) {
  return std::system(("xdotool " + args + " >/dev/null 2>&1").c_str()) == 0;
}

std::string windowId(const std::string& name) {
  for (int i = 0; i < 100; ++i) {
    std::string id = commandOutput("xdotool search --name '^" + name + "$' 2>/dev/null");
    if (!id.empty()) return id.substr(0, id.find('\n'));
    std::this_thread::sleep_for(100ms);
  }
  return {};
}

// The window's pixels (RGB rows, top first) through ImageMagick's import.
struct Picture {
  int width = 0, height = 0;
  std::string rgb;
  int at(int x, int y) const {
    const std::size_t i = (static_cast<std::size_t>(y) * width + x) * 3;
    return (static_cast<unsigned char>(rgb[i]) << 16) |
           (static_cast<unsigned char>(rgb[i + 1]) << 8) | static_cast<unsigned char>(rgb[i + 2]);
  }
};

Picture capture(const std::string& wid, const std::string& path) {
  Picture p;
  if (std::system(("import -window " + wid + " -depth 8 " + path + " 2>/dev/null").c_str()) != 0) {
    return p;
  }
  std::ifstream in(path, std::ios::binary);
  std::string magic;
  int maxValue = 0;
  in >> magic >> p.width >> p.height >> maxValue;
  in.get();
  p.rgb.assign(static_cast<std::size_t>(p.width) * p.height * 3, '\0');
  in.read(p.rgb.data(), static_cast<std::streamsize>(p.rgb.size()));
  if (magic != "P6" || !in) p = Picture{};
  return p;
}

// Pixels of one colour inside a box.
int pixelsOf(const Picture& p, int colour, int x0, int y0, int x1, int y1) {
  int n = 0;
  for (int y = y0; y < y1 && y < p.height; ++y) {
    for (int x = x0; x < x1 && x < p.width; ++x) n += p.at(x, y) == colour;
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

// Keys one after the other, each given time to act (a menu opens its popup
// before the next key can reach it, slowly in a sanitizer build).
void key(const std::string& wid, const std::string& keys) {
  xdo("windowfocus --sync " + wid);
  xdo("key --delay 500 " + keys);
}

void click(const std::string& wid, int x, int y) {
  xdo("mousemove --window " + wid + " " + std::to_string(x) + " " + std::to_string(y) + " click 1");
}

class StationEndToEnd : public testing::Test {
 protected:
  void SetUp() override {
    if (std::getenv("DISPLAY") == nullptr) GTEST_SKIP() << "needs an X server (xvfb-run)";
    for (const char* f : {"font.bmp", "mono.bmp"}) {
      std::filesystem::copy_file(std::string(TORVA_SOURCE_DIR) + "/resources/" + f, run_.file(f));
    }
    log_ = run_.file("sim.log");
  }

  // Starts the station with its console on a terminal; waits for its window.
  void startStation(std::vector<std::string> environment) {
    environment.push_back(environmentGps_.empty() ? "TORVA_COM2=" + run_.file("no-gps")
                                                  : environmentGps_);
    ASSERT_TRUE(station_.start({kStation}, run_.path().string(), environment, true));
    // The console's title comes once the window and records are made, just
    // before the threads and the frame loop start.
    ASSERT_TRUE(station_.waitFor("\x1b]0;Estado de comunicaciones\x07", 20s)) << station_.output();
    if (environmentGps_.empty()) {
      ASSERT_TRUE(station_.waitFor("E012_Failed to open port", 10s)) << station_.output();
    }
    wid_ = windowId(kTitle);
    ASSERT_FALSE(wid_.empty());
    tcgetattr(station_.terminalFd(), &consoleBefore_);
  }

  // Holds Up for about two seconds, then Space, then Escape; checks what the
  // robot was told and how the station ended.
  void driveAndLeave() {
    const Picture atRest = capture(wid_, run_.file("rest.ppm"));
    ASSERT_GT(atRest.width, 0);
    xdo("windowfocus --sync " + wid_);
    xdo("keydown Up");
    // The speed steps by 0.01 m/s a frame: about 2 s at 60 frames a second,
    // longer where frames are slow (a sanitizer build on software GL).
    bool fullSpeed = false;
    for (int i = 0; i < 100 && !fullSpeed; ++i) {
      std::this_thread::sleep_for(200ms);
      for (const LogLine& l : readLog(log_)) {
        fullSpeed |= l.name == "VEL2" && l.value == packedVel2(1200);
      }
    }
    std::this_thread::sleep_for(1000ms);  // the robot gathers speed
    const Picture moving = capture(wid_, run_.file("moving.ppm"));
    xdo("keyup Up");
    EXPECT_TRUE(fullSpeed) << "holding Up brings both wheels to 1.2 m/s";
    // The "REAL" dial, the lowest on the right, shows the robot's speed.
    const int dialTop = atRest.height - 105;
    EXPECT_GT(changedPixels(atRest, moving, atRest.width - 180, dialTop, atRest.width - 10,
                            atRest.height - 10),
              100)
        << "the REAL dial follows the robot";
    std::this_thread::sleep_for(500ms);

    key(wid_, "space");
    std::this_thread::sleep_for(700ms);
    auto log = readLog(log_);
    long lastVel2 = -1;
    for (const LogLine& l : log) {
      if (l.name == "VEL2") lastVel2 = l.value;
    }
    EXPECT_EQ(lastVel2, 0) << "Space stops both wheels";

    key(wid_, "Escape");
    EXPECT_EQ(station_.wait(10s), 0) << station_.output();
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
    ASSERT_TRUE(simulator_.waitFor("torva-sim gps en /dev/", 10s)) << simulator_.output();
    simulator_.waitFor("\n", 1s);
    for (int i = 0; i < 50 && simulator_.output().find('\n', simulator_.output().find("gps en")) ==
                                  std::string::npos;
         ++i) {
      simulator_.drain(20);
    }
    const std::string& text = simulator_.output();
    const auto at = text.find("/dev/", text.find("gps en"));
    environmentGps_ = "TORVA_COM2=" + text.substr(at, text.find('\n', at) - at);
  }

  // The simulator's last commands: motors disabled, then the session closed.
  void expectRobotSessionClosed() {
    std::this_thread::sleep_for(300ms);
    const auto log = readLog(log_);
    ASSERT_GE(log.size(), 2u);
    EXPECT_EQ(log[log.size() - 2].name, "ENABLE");
    EXPECT_EQ(log[log.size() - 2].value, 0);
    EXPECT_EQ(log.back().name, "CLOSE") << "the robot's session is closed";
  }

  // Archivo > Inicio > Modo IP > MobileSim, then "Manual" in the IP dialog.
  void connectManualThroughMobileSim() {
    key(wid_, "alt+a i Down Right b");
    const std::string dialog = windowId("Conexion modo IP");
    ASSERT_FALSE(dialog.empty()) << "the IP dialog opens";
    click(dialog, 231, 22);
    expectWorkerLines();
  }

  void expectWorkerLines() {
    for (const char* line :
         {"1c\r\n", "\a->1\r\n", "\a->2\r\n", "\a->3\r\n", "2c\r\n",
          "Tiempo conexion maxima: 10000 \r\n", "Voltaje Baterias : ", "runhola"}) {
      EXPECT_TRUE(station_.waitFor(line, 10s)) << line << "\n" << station_.output();
    }
  }

  TempDir run_;
  std::string log_;
  ChildProcess station_;
  ChildProcess simulator_;
  std::string wid_;
  std::string environmentGps_;
  termios consoleBefore_{};
};
}  // namespace

TEST_F(StationEndToEnd, ConsoleWindowAndManualDrivingOverTcp) {
  startRobotSimulator({kSimulator, "--address", "127.0.0.1", "--port", "8101", "--log", log_});
  if (HasFatalFailure()) return;
  startStation({});
  // The console's title, then the GPS link's failure on a missing receiver.
  const std::string& console = station_.output();
  EXPECT_LT(console.find("\x1b]0;Estado de comunicaciones\x07"), console.find("E012_")) << console;

  connectManualThroughMobileSim();
  ASSERT_FALSE(HasFatalFailure());
  driveAndLeave();
}

TEST_F(StationEndToEnd, ManualDrivingOverASerialLine) {
  ASSERT_TRUE(simulator_.start({kSimulator, "--no-tcp", "--pty", "--log", log_}));
  ASSERT_TRUE(simulator_.waitFor("linea serie en /dev/", 10s)) << simulator_.output();
  simulator_.waitFor("\n", 1s);
  const std::string& text = simulator_.output();
  const auto at = text.find("/dev/");
  const std::string ptyPath = text.substr(at, text.find('\n', at) - at);
  startStation({"TORVA_COM3=" + ptyPath});

  // Archivo > Inicio > Modo Serial, then "COM3" and "Manual".
  key(wid_, "alt+a i Return");
  const std::string dialog = windowId("Puerto Serial");
  ASSERT_FALSE(dialog.empty()) << "the serial dialog opens";
  click(dialog, 206 + 37, 28 + 11);
  click(dialog, 34 + 37, 213 + 11);
  expectWorkerLines();
  driveAndLeave();
}

// The demo: station and simulator together, the simulator writing the laser
// file into the station's folder and sending GPS sentences on a pseudo-terminal.
TEST_F(StationEndToEnd, DemoShowsTheWallsTheScanAndTheGpsFix) {
  startSimulatorWithGps({"--laser-dir", run_.path().string()});
  ASSERT_FALSE(HasFatalFailure());
  startStation({});
  connectManualThroughMobileSim();
  ASSERT_FALSE(HasFatalFailure());

  // A short drive, then a look.
  xdo("windowfocus --sync " + wid_);
  xdo("keydown Up");
  std::this_thread::sleep_for(1500ms);
  xdo("keyup Up");
  key(wid_, "space");
  std::this_thread::sleep_for(2500ms);
  const Picture shown = capture(wid_, run_.file("demo.ppm"));
  ASSERT_GT(shown.width, 0);
  const int menu = shown.height - 450;  // the menu bar above the drawing area

  // The map view (the square at the bottom centre) has orange wall cells.
  EXPECT_GT(pixelsOf(shown, 0xFF9900, 212, menu + 270, 382, menu + 440), 20);
  // The radar (top left) shows the scan on its black half-disc.
  EXPECT_GT(pixelsOf(shown, 0x000000, 10, menu + 25, 405, menu + 250), 1000);
  // The GPS fix at the default origin, 33 degrees 27 minutes south.
  EXPECT_TRUE(station_.waitFor("Latitud: 33 g 27.0", 5s)) << station_.output();
  key(wid_, "Escape");
  EXPECT_EQ(station_.wait(10s), 0);
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
  ASSERT_TRUE(station_.waitFor("press Esc or Ctrl+C to terminate", 10s)) << station_.output();
  connectManualThroughMobileSim();
  ASSERT_FALSE(HasFatalFailure());

  // Under way: Up held until the robot has been told a forward speed.
  xdo("windowfocus --sync " + wid_);
  xdo("keydown Up");
  bool moving = false;
  for (int i = 0; i < 100 && !moving; ++i) {
    std::this_thread::sleep_for(100ms);
    for (const LogLine& l : readLog(log_)) moving |= l.name == "VEL2" && l.value > 0;
  }
  ASSERT_TRUE(moving) << "the robot is driven before the signal";
  termios during{};
  tcgetattr(station_.terminalFd(), &during);
  EXPECT_EQ(during.c_lflag & ICANON, 0u) << "the console takes raw keys while the GPS link runs";

  station_.signal(sig);
  const int status = station_.wait(10s);
  xdo("keyup Up");
  EXPECT_EQ(status, 128 + sig) << station_.output();
  expectRobotSessionClosed();
  if (HasFatalFailure()) return;

  termios after{};
  tcgetattr(station_.terminalFd(), &after);
  EXPECT_EQ(after.c_lflag & (ICANON | ECHO | ISIG), static_cast<tcflag_t>(ICANON | ECHO | ISIG))
      << "the terminal is cooked again";
}

INSTANTIATE_TEST_SUITE_P(Signals, StationSignalEnd, testing::Values(SIGTERM, SIGINT),
                         [](const testing::TestParamInfo<int>& info) {
                           return std::string(info.param == SIGTERM ? "SIGTERM" : "SIGINT");
                         });
