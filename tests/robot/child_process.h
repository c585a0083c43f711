#pragma once
// Child processes for the worker tests and benchmarks: torva-sim on a free
// port, and any program whose output (stdout and stderr together) is read back
// through a pipe.
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <string>
#include <vector>

extern char** environ;

class ChildProcess {
 public:
  ChildProcess() = default;
  ~ChildProcess() {
    if (pid_ > 0) {
      ::kill(pid_, SIGKILL);
      ::waitpid(pid_, nullptr, 0);
    }
    if (out_ >= 0) ::close(out_);
  }
  ChildProcess(const ChildProcess&) = delete;
  ChildProcess& operator=(const ChildProcess&) = delete;

  bool start(std::vector<std::string> args) {
    int fds[2];
    if (::pipe(fds) != 0) return false;
    std::vector<char*> argv;
    for (auto& a : args) argv.push_back(a.data());
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, fds[1], 1);
    posix_spawn_file_actions_adddup2(&actions, fds[1], 2);
    posix_spawn_file_actions_addclose(&actions, fds[0]);
    const int rc = posix_spawn(&pid_, argv[0], &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    ::close(fds[1]);
    out_ = fds[0];
    if (rc != 0) pid_ = -1;
    return rc == 0;
  }

  // Reads output until it holds `what` or timeoutMs passes (or the output ends).
  bool readUntil(const std::string& what, int timeoutMs) {
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    while (output_.find(what) == std::string::npos) {
      const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                            end - std::chrono::steady_clock::now())
                            .count();
      if (left <= 0 || !readSome(static_cast<int>(left))) return false;
    }
    return true;
  }

  // Reads to the end of the output and waits for the exit; the exit status,
  // 128 + signal for a signal, or -1 when it did not end within timeoutMs.
  int finish(int timeoutMs) {
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    for (;;) {
      const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                            end - std::chrono::steady_clock::now())
                            .count();
      if (left <= 0) return -1;
      if (!readSome(static_cast<int>(left))) break;
    }
    int status = 0;
    while (std::chrono::steady_clock::now() < end) {
      const pid_t got = ::waitpid(pid_, &status, WNOHANG);
      if (got == pid_) {
        pid_ = -1;
        if (WIFEXITED(status)) return WEXITSTATUS(status);
        return WIFSIGNALED(status) ? 128 + WTERMSIG(status) : -1;
      }
      ::usleep(2000);
    }
    return -1;
  }

  void kill(int signal) {
    if (pid_ > 0) ::kill(pid_, signal);
  }
  const std::string& output() const { return output_; }

 private:
  // False at the end of the output or after timeoutMs without any.
  bool readSome(int timeoutMs) {
    pollfd p{out_, POLLIN, 0};
    if (::poll(&p, 1, timeoutMs) <= 0) return false;
    char buffer[4096];
    const ssize_t n = ::read(out_, buffer, sizeof buffer);
    if (n <= 0) return false;
    output_.append(buffer, static_cast<std::size_t>(n));
    return true;
  }

  pid_t pid_ = -1;
  int out_ = -1;
  std::string output_;
};

// torva-sim on a free loopback port, with extra options; the port it took,
// or 0 when it did not start.
inline int startSimulator(ChildProcess& sim, const std::string& binaryDir,
                          const std::vector<std::string>& options = {}) {
  std::vector<std::string> args{binaryDir + "/sim/torva-sim", "--port", "0"};
  args.insert(args.end(), options.begin(), options.end());
  if (!sim.start(args) || !sim.readUntil("\n", 10000)) return 0;
  // "torva-sim escuchando en 127.0.0.1:PORT"
  const std::string& text = sim.output();
  const auto colon = text.rfind(':', text.find('\n'));
  if (colon == std::string::npos) return 0;
  return std::atoi(text.c_str() + colon + 1);
}
