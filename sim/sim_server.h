#pragma once
// The simulator's links and clock: a TCP port serving one client at a time
// (refusing others while one is connected), optionally a pseudo-terminal for
// the serial link, and the cycle that moves the robot and sends its status.
// One thread runs it all; other threads talk to it through the methods below.
#include <atomic>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "sim/sim_command_log.h"
#include "sim/sim_robot.h"
#include "sim/sim_session.h"

struct SimOptions {
  std::string address = "127.0.0.1";
  int port = 8101;  // 0: any free port (tcpPort() tells which)
  bool tcp = true;
  bool pty = false;
  int cycleMs = 100;
  int stepMs = 0;  // simulated ms per cycle; 0: the cycle itself (real time)
  int watchdogMs = 2000;
  std::string model = "p3dx-sh";
  std::string logPath;  // command log file; empty: memory only
};

class SimServer {
 public:
  explicit SimServer(const SimOptions& options);
  ~SimServer();
  SimServer(const SimServer&) = delete;
  SimServer& operator=(const SimServer&) = delete;

  // Opens the links and starts the thread; error gets a console-ready text.
  bool start(std::string& error);
  void stop();

  int tcpPort() const { return port_.load(); }
  std::string ptyPath() const { return ptyPath_; }
  bool tcpClientConnected() const { return clientConnected_.load(); }

  SimPose truePose() const;
  // Runs f on the robot under the simulator's lock (tests, a world).
  void withRobot(const std::function<void(SimRobot&)>& f);
  std::vector<SimCommandRecord> commandLog() const { return log_.snapshot(); }
  void clearCommandLog() { log_.clear(); }

  // Called on the simulator thread after every cycle's step, under its lock.
  // Worlds, laser file writers and GPS emitters attach here.
  using CycleObserver = std::function<void(const SimRobot& robot, int64_t timeMs)>;
  void addCycleObserver(CycleObserver observer);

  // A replay: the status packets to send this cycle come from feed (given
  // whether a robot session is open) instead of the simulated body. Set
  // before start().
  using StatusFeed =
      std::function<void(bool sessionOpen, std::vector<std::vector<uint8_t>>& packets)>;
  void setStatusFeed(StatusFeed feed) { statusFeed_ = std::move(feed); }

  // Fault injection for tests.
  void dropTcpClient(bool reset);                         // close, or reset (RST)
  void setSilent(bool silent) { silent_.store(silent); }  // no status packets
  void sendRaw(const std::vector<uint8_t>& bytes);        // to every connected link

 private:
  struct Action {
    enum Kind { Drop, Reset, Raw } kind;
    std::vector<uint8_t> bytes;
  };
  bool openListener(std::string& error);
  bool openPty(std::string& error);
  void loop();
  void acceptClient();
  void closeClient(bool reset);
  void readClient(int64_t now);
  void readPty(int64_t now);
  void runCycle(int64_t now);
  void runActions();
  void post(Action action);
  static void writeAll(int fd, const uint8_t* bytes, std::size_t size, bool socket);

  SimOptions options_;
  int64_t startMs_ = 0;
  std::atomic<int> port_{0};
  std::string ptyPath_;
  std::atomic<bool> clientConnected_{false};
  std::atomic<bool> silent_{false};
  std::atomic<bool> stopping_{false};

  SimCommandLog log_;
  mutable std::mutex mutex_;  // robot, sessions, observers
  SimRobot robot_;
  std::unique_ptr<SimSession> tcpSession_;
  std::unique_ptr<SimSession> ptySession_;
  std::vector<CycleObserver> observers_;
  StatusFeed statusFeed_;
  std::vector<std::vector<uint8_t>> fed_;  // simulator thread

  std::mutex actionMutex_;
  std::vector<Action> actions_;

  int listenFd_ = -1;
  int clientFd_ = -1;
  int ptyMaster_ = -1;
  int ptySlave_ = -1;  // held open so the line outlives its clients
  int wakeFd_ = -1;
  std::thread thread_;
};

// The robot parameters for a model name, as the simulator answers them.
SimRobotConfig simConfigForModel(const std::string& model);
