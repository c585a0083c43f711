// The simulator's receiving side on arbitrary bytes: the packet receiver, the
// handshake and command handling of a session, and the simulated body moving
// between chunks.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "sim/sim_session.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  SimRobot robot;
  SimCommandLog log;
  SimSession session('t', robot, log, SimIdentity{}, 2000, 100);
  std::vector<uint8_t> out;
  int64_t now = 0;
  size_t i = 0;
  while (i < size) {
    const uint8_t control = data[i++];
    now += (control & 0x0F) * 20;
    const size_t chunk = 1 + (control >> 4) * 8;
    const size_t n = chunk < size - i ? chunk : size - i;
    session.receive(data + i, n, now, now, out);
    session.tick(now);
    robot.step(0.1);
    robot.status();
    out.clear();
    i += n;
  }
  return 0;
}
