#include "aria/aria_init.h"

#include <csignal>
#include <cstdlib>
#include <mutex>
#include <vector>

#include "aria/ar_robot.h"
#include "aria/ar_robot_registry.h"

namespace {
struct Registry {
  std::mutex mutex;
  std::vector<ArRobot*> robots;
};

Registry& registry() {
  static Registry r;
  return r;
}

std::atomic<bool> gExiting{false};
std::atomic<uint64_t> gNextToken{1};
std::atomic<uint64_t> gNextStatus{1};
thread_local uint64_t tWorker = 0;
thread_local const ArRobot* tLayerRobot = nullptr;

void exitHook() {
  Aria::exitCleanup();
}
}  // namespace

namespace ArRobotRegistry {
uint64_t currentWorker() {
  if (tWorker == 0) tWorker = gNextToken.fetch_add(1);
  return tWorker;
}
void adoptWorker(uint64_t token) {
  tWorker = token;
}
const ArRobot* currentLayerRobot() {
  return tLayerRobot;
}
void setCurrentLayerRobot(const ArRobot* robot) {
  tLayerRobot = robot;
}

uint64_t nextStatusSequence() {
  return gNextStatus.fetch_add(1, std::memory_order_relaxed);
}

void add(ArRobot* robot) {
  Registry& r = registry();
  std::lock_guard<std::mutex> lock(r.mutex);
  r.robots.push_back(robot);
}

void remove(ArRobot* robot) {
  Registry& r = registry();
  std::lock_guard<std::mutex> lock(r.mutex);
  std::erase(r.robots, robot);
}
}  // namespace ArRobotRegistry

namespace Aria {
void init() {
  static std::once_flag once;
  std::call_once(once, [] {
    registry();  // built before the hook, so it outlives it at exit
    std::signal(SIGPIPE, SIG_IGN);
    std::atexit(exitHook);
  });
  ArRobotRegistry::currentWorker();
}

void shutdown() {
  const uint64_t me = ArRobotRegistry::currentWorker();
  std::vector<ArRobot*> mine;
  {
    Registry& r = registry();
    std::lock_guard<std::mutex> lock(r.mutex);
    for (ArRobot* robot : r.robots) {
      if (robot->ownerToken() == me) mine.push_back(robot);
    }
  }
  // Only this worker (or its robots' threads while it waits on them) ends its
  // robots, so they stay alive through the close.
  for (ArRobot* robot : mine) robot->closeQuietly();
}

void exitCleanup() {
  gExiting.store(true);
  Registry& r = registry();
  std::lock_guard<std::mutex> lock(r.mutex);
  for (ArRobot* robot : r.robots) robot->stopForExit();
}

bool isExiting() {
  return gExiting.load();
}
}  // namespace Aria
