// torva-sim: a robot on the robot's packet protocol, over TCP and optionally
// a pseudo-terminal, until SIGINT or SIGTERM.
#include <csignal>
#include <cstdio>
#include <cstdlib>

#include "sim/sim_options.h"
#include "sim/sim_server.h"

int main(int argc, char** argv) {
  SimOptions options;
  bool help = false;
  std::string error;
  if (!parseSimOptions(argc, argv, options, help, error)) {
    std::fprintf(stderr, "torva-sim: %s\n%s", error.c_str(), simUsage());
    return 2;
  }
  if (help) {
    std::fputs(simUsage(), stdout);
    return 0;
  }
  // Signals are taken by sigwait below, not by whichever thread they hit.
  sigset_t stopSignals;
  sigemptyset(&stopSignals);
  sigaddset(&stopSignals, SIGINT);
  sigaddset(&stopSignals, SIGTERM);
  pthread_sigmask(SIG_BLOCK, &stopSignals, nullptr);
  std::signal(SIGPIPE, SIG_IGN);

  SimServer server(options);
  if (!server.start(error)) {
    std::fprintf(stderr, "torva-sim: %s\n", error.c_str());
    return 1;
  }
  if (options.tcp)
    std::printf("torva-sim escuchando en %s:%d\n", options.address.c_str(), server.tcpPort());
  if (options.pty) std::printf("torva-sim linea serie en %s\n", server.ptyPath().c_str());
  std::fflush(stdout);

  int signal = 0;
  sigwait(&stopSignals, &signal);
  server.stop();
  std::printf("torva-sim terminado\n");
  std::fflush(stdout);
  std::_Exit(0);
}
