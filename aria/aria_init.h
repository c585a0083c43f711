#pragma once
// Process-wide side of the robot layer: start-up per worker, shutdown per
// worker, and the robots' safe stop when the process ends.

namespace Aria {
// Idempotent; every worker calls it once before it makes robots. Installs the
// exit hook (std::atexit) that stops every connected robot, and keeps a peer
// that vanished from killing the process with SIGPIPE.
void init();

// Ends, quietly (no disconnect callbacks), the links of the robots created by
// the calling worker: their robot cycles stop, each connected robot gets
// ENABLE 0 and CLOSE and its connection is closed. Robots of other workers
// are left alone. A robot's own threads count as the worker that made it.
void shutdown();

// Stops every connected robot of the process: ENABLE 0, then CLOSE, on each
// link, and no disconnect callbacks from then on. Safe from any thread,
// including a robot's callback, and more than once. Call it right before
// std::_Exit (which skips the std::atexit hook); ordinary exits run it through
// the hook that init installs.
void exitCleanup();

// True once exitCleanup has run.
bool isExiting();
}  // namespace Aria
