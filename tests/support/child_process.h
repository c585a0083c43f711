#pragma once
// A program run as a child of the test: its output collected from a pipe or,
// when it should see a terminal, from a pseudo-terminal whose other side is
// its standard input, output and error.
#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <string>
#include <thread>
#include <utility>
#include <vector>

extern char** environ;

class ChildProcess {
 public:
  ChildProcess() = default;
  ChildProcess(const ChildProcess&) = delete;
  ChildProcess& operator=(const ChildProcess&) = delete;
  ~ChildProcess() { reset(); }

  // Ends the child if it still runs and forgets it, ready for another start.
  void reset() {
    if (pid_ > 0) {
      ::kill(pid_, SIGKILL);
      ::waitpid(pid_, nullptr, 0);
    }
    if (out_ >= 0) ::close(out_);
    pid_ = 0;
    out_ = -1;
    terminal_ = false;
    text_.clear();
  }

  // Starts argv[0] in dir (empty: this folder) with the extra environment
  // (NAME=value). onTerminal: its standard streams are a pseudo-terminal.
  bool start(const std::vector<std::string>& argv, const std::string& dir = "",
             const std::vector<std::string>& environment = {}, bool onTerminal = false) {
    Exec exec(argv, environment);
    const pid_t parent = ::getpid();
    if (onTerminal) {
      int master = -1;
      termios settings{};
      ::cfmakeraw(&settings);
      settings.c_lflag |= ICANON | ECHO | ISIG;  // a cooked terminal, as an operator's is
      settings.c_oflag |= OPOST | ONLCR;
      pid_ = ::forkpty(&master, nullptr, &settings, nullptr);
      if (pid_ < 0) return false;
      if (pid_ == 0) execInChild(parent, dir, exec);
      out_ = master;
      terminal_ = true;
      return true;
    }
    int fds[2];
    if (::pipe2(fds, O_CLOEXEC) != 0) return false;
    pid_ = ::fork();
    if (pid_ == 0) {
      ::dup2(fds[1], 1);
      ::dup2(fds[1], 2);
      execInChild(parent, dir, exec);
    }
    ::close(fds[1]);
    out_ = fds[0];
    if (pid_ < 0) pid_ = 0;
    return pid_ > 0;
  }

  // The same with its standard output and error on a descriptor of the test's
  // (a file, a pipe that nobody reads); output() then stays empty.
  bool startWithOutput(const std::vector<std::string>& argv, const std::string& dir,
                       const std::vector<std::string>& environment, int outputFd) {
    Exec exec(argv, environment);
    const pid_t parent = ::getpid();
    pid_ = ::fork();
    if (pid_ == 0) {
      ::dup2(outputFd, 1);
      ::dup2(outputFd, 2);
      execInChild(parent, dir, exec);
    }
    if (pid_ < 0) pid_ = 0;
    return pid_ > 0;
  }

  pid_t pid() const { return pid_; }
  int terminalFd() const { return terminal_ ? out_ : -1; }
  const std::string& output() const { return text_; }

  // Collects output until it holds needle or the time is up.
  bool waitFor(const std::string& needle, std::chrono::milliseconds timeout) {
    const auto end = std::chrono::steady_clock::now() + timeout;
    while (text_.find(needle) == std::string::npos) {
      const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
          end - std::chrono::steady_clock::now());
      if (left.count() <= 0 || !readSome(static_cast<int>(left.count()))) break;
    }
    return text_.find(needle) != std::string::npos;
  }

  // Collects what the child wrote so far, waiting at most ms for more.
  void drain(int ms) {
    while (readSome(ms)) {
    }
  }

  // Waits for the child to end; its exit status, 128 + signal, or -1 on time-out.
  int wait(std::chrono::milliseconds timeout) {
    const auto end = std::chrono::steady_clock::now() + timeout;
    while (std::chrono::steady_clock::now() < end) {
      drain(0);
      int status = 0;
      const pid_t r = ::waitpid(pid_, &status, WNOHANG);
      if (r == pid_) {
        pid_ = 0;
        drain(50);
        if (WIFEXITED(status)) return WEXITSTATUS(status);
        return 128 + WTERMSIG(status);
      }
      std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return -1;
  }

  void signal(int sig) const {
    if (pid_ > 0) ::kill(pid_, sig);
  }

 private:
  // Arguments and environment as execve takes them. The extra settings
  // replace inherited ones of the same name.
  struct Exec {
    Exec(const std::vector<std::string>& argv, const std::vector<std::string>& environment)
        : argStore(argv) {
      for (char** e = environ; *e != nullptr; ++e) {
        const std::string inherited(*e);
        const std::string name = inherited.substr(0, inherited.find('=') + 1);
        bool replaced = false;
        for (const std::string& extra : environment) replaced |= extra.rfind(name, 0) == 0;
        if (!replaced) env.push_back(inherited);
      }
      for (const std::string& extra : environment) env.push_back(extra);
      for (auto& a : argStore) args.push_back(a.data());
      args.push_back(nullptr);
      for (auto& e : env) envp.push_back(e.data());
      envp.push_back(nullptr);
    }
    std::vector<std::string> argStore, env;
    std::vector<char*> args, envp;
  };

  // The child's side of start: it dies with the test process, so a test
  // killed at its time-out leaves no station or simulator behind holding a
  // port or a display. Only async-signal-safe calls after fork.
  [[noreturn]] static void execInChild(pid_t parent, const std::string& dir, Exec& exec) {
    ::prctl(PR_SET_PDEATHSIG, SIGKILL);
    if (::getppid() != parent) ::_exit(125);
    if (!dir.empty() && ::chdir(dir.c_str()) != 0) ::_exit(126);
    ::execve(exec.args[0], exec.args.data(), exec.envp.data());
    ::_exit(127);
  }

  bool readSome(int ms) {
    pollfd p{out_, POLLIN, 0};
    if (out_ < 0 || ::poll(&p, 1, ms) <= 0) return false;
    char buffer[4096];
    const ssize_t n = ::read(out_, buffer, sizeof buffer);
    if (n <= 0) return false;
    text_.append(buffer, static_cast<std::size_t>(n));
    return true;
  }

  pid_t pid_ = 0;
  int out_ = -1;
  bool terminal_ = false;
  std::string text_;
};

// Runs a shell command; its standard output.
inline std::string commandOutput(const std::string& command) {
  std::string out;
  if (FILE* p = ::popen(command.c_str(), "r")) {
    char buffer[512];
    while (std::fgets(buffer, sizeof buffer, p) != nullptr) out += buffer;
    ::pclose(p);
  }
  return out;
}

// torva-sim on a free loopback port, with extra options; the port it took,
// or 0 when it did not start.
inline int startSimulator(ChildProcess& sim, const std::string& binaryDir,
                          const std::vector<std::string>& options = {}) {
  std::vector<std::string> args{binaryDir + "/sim/torva-sim", "--port", "0"};
  args.insert(args.end(), options.begin(), options.end());
  if (!sim.start(args)) return 0;
  // "torva-sim escuchando en 127.0.0.1:PORT"
  const std::string mark = "escuchando en ";
  if (!sim.waitFor(mark, std::chrono::seconds(10))) return 0;
  const std::size_t at = sim.output().find(mark);
  for (int i = 0; i < 100 && sim.output().find('\n', at) == std::string::npos; ++i) sim.drain(10);
  const std::string& text = sim.output();
  const auto colon = text.rfind(':', text.find('\n', at));
  if (colon == std::string::npos || colon < at) return 0;
  return std::atoi(text.c_str() + colon + 1);
}
