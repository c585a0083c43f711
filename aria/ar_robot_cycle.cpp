// The robot cycle thread: reads status packets as they come, keeps the pose,
// sends the keep-alives, and notices a lost link.
#include <poll.h>
#include <sys/eventfd.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>

#include "aria/ar_commands.h"
#include "aria/ar_link_watch.h"
#include "aria/ar_robot.h"
#include "aria/ar_robot_registry.h"
#include "aria/ar_robot_sink.h"
#include "aria/ar_status_packet.h"
#include "aria/ar_util.h"
#include "aria/aria_init.h"
#include "os/console_print.h"

namespace {
// Nothing sent for this long: PULSE. A motion command still renewed is
// repeated as often.
constexpr int kKeepAliveMs = 500;
}  // namespace

// A robot's life is its cycle's: made with the cycle's wake-up descriptor,
// and ended by closing the link and stopping the cycle.
ArRobot::ArRobot() : owner_(ArRobotRegistry::currentWorker()) {
  batterySamples_.fill(0);
  wakeFd_ = ::eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC);
  ArRobotRegistry::add(this);
}

ArRobot::~ArRobot() {
  ArRobotRegistry::remove(this);
  closeQuietly();
  if (wakeFd_ >= 0) ::close(wakeFd_);
}

void ArRobot::wake() {
  const uint64_t one = 1;
  [[maybe_unused]] auto n = ::write(wakeFd_, &one, sizeof one);
}

void ArRobot::runAsync(bool stopRunIfNotConnected) {
  std::lock_guard<std::mutex> lock(cycleMutex_);
  if (cycleActive_) return;
  stopRequested_.store(false);
  stopRunIfNotConnected_.store(stopRunIfNotConnected);
  running_.store(true);
  cycleActive_ = true;
  std::thread([this] { cycleLoop(); }).detach();
}

void ArRobot::stopCycle() {
  stopRequested_.store(true);
  wake();
  if (ArRobotRegistry::currentLayerRobot() == this) return;  // cannot wait for itself
  std::unique_lock<std::mutex> lock(cycleMutex_);
  cycleEnded_.wait(lock, [this] { return !cycleActive_; });
}

void ArRobot::stopRunning(bool doDisconnect) {
  if (doDisconnect && connected_.load()) disconnect();
  stopCycle();
}

void ArRobot::closeQuietly() {
  quiet_.store(true);
  stopCycle();
  {
    std::lock_guard<std::mutex> lock(sendMutex_);
    sendEnd();
  }
  if (connection_ != nullptr) connection_->close();
}

bool ArRobot::disconnect() {
  if (!connected_.load()) return false;
  if (ArRobotRegistry::currentLayerRobot() == this) {
    doDisconnectNormally();
    return true;
  }
  if (!running_.load()) {
    // The callbacks come from a layer thread even here.
    std::thread t([this] {
      ArRobotRegistry::adoptWorker(owner_);
      ArRobotRegistry::setCurrentLayerRobot(this);
      doDisconnectNormally();
    });
    t.join();
    return true;
  }
  std::unique_lock<std::mutex> lock(disconnectMutex_);
  disconnectRequested_ = true;
  wake();
  disconnectDone_.wait_for(lock, std::chrono::seconds(2), [this] { return !disconnectRequested_; });
  return true;
}

void ArRobot::doDisconnectNormally() {
  {
    std::lock_guard<std::mutex> lock(sendMutex_);
    if (!connected_.load()) return;
    sendEnd();
  }
  if (connection_ != nullptr) connection_->close();
  if (!quiet_.load() && !Aria::isExiting()) invokeCBs(normalCBs_);
}

void ArRobot::linkLost(const char* why) {
  {
    std::lock_guard<std::mutex> lock(sendMutex_);
    if (!connected_.load()) return;
    connected_.store(false);
  }
  if (connection_ != nullptr) connection_->close();
  if (quiet_.load() || Aria::isExiting()) return;
  consolePrintf("Conexion con el robot perdida: %s\n", why);
  invokeCBs(errorCBs_);
}

void ArRobot::reportDiscard(PacketDiscard reason, int bytes) {
  const int64_t now = ArUtil::getTimeMs();
  if (now - lastDiscardReportMs_ < 1000) {
    ++discardsSuppressed_;
    return;
  }
  if (discardsSuppressed_ > 0) {
    consolePrintf("Paquete del robot descartado: %s (%d bytes); %d avisos anteriores omitidos\n",
                  packetDiscardText(reason), bytes, discardsSuppressed_);
  } else {
    consolePrintf("Paquete del robot descartado: %s (%d bytes)\n", packetDiscardText(reason),
                  bytes);
  }
  lastDiscardReportMs_ = now;
  discardsSuppressed_ = 0;
}

bool ArRobot::handleStatus(const ReceivedPacket& packet, int64_t nowMs) {
  ArStatusFields f;
  if (!decodeStatusPacket(packet, f)) {
    reportDiscard(PacketDiscard::BadLength, packet.dataSize + 6);
    return false;
  }
  {
    std::lock_guard<std::recursive_mutex> lock(dataMutex_);
    applyStatusToOdometry(odometry_, f, params_);
    pose_ = applyEncoderTransform(transform_, odometry_.raw);
    leftVel_ = f.leftVel * params_.velConvFactor;
    rightVel_ = f.rightVel * params_.velConvFactor;
    batterySamples_[static_cast<std::size_t>(batteryNext_)] = f.battery / 10.0;
    batteryNext_ = (batteryNext_ + 1) % static_cast<int>(batterySamples_.size());
    batteryCount_ = std::min(batteryCount_ + 1, static_cast<int>(batterySamples_.size()));
    motorsEnabled_ = (f.flags & kStatusFlagMotorsEnabled) != 0;
    stallValue_ = f.stallBumpers;
    ++statusCount_;
    statusSequence_ = ArRobotRegistry::nextStatusSequence();
    // Still held: a recorder has the packet before any worker sees its pose.
    noteStatusTaken(*this, f, packet, statusSequence_);
  }
  lastStatusMs_.store(nowMs);
  return true;
}

void ArRobot::handlePacket(const ReceivedPacket& packet, int64_t nowMs) {
  if (ArPacketTypes::isStatus(packet.type)) {
    handleStatus(packet, nowMs);
  } else if (ArPacketTypes::isReset(packet.type)) {
    linkLost("el controlador del robot se reinicio");
    return;
  }
  std::lock_guard<std::mutex> lock(handlerMutex_);
  for (auto& [id, h] : handlers_) {
    if (h.first == packet.type) h.second(packet);
  }
}

int ArRobot::keepAlive(int64_t nowMs, bool& stale) {
  stale = false;
  std::lock_guard<std::mutex> lock(sendMutex_);
  if (!connected_.load()) return kKeepAliveMs;
  int32_t wish = vel2Wish_.load();
  if (wish != kNoVel2Wish && nowMs - vel2RenewedMs_.load() > kMotionFreshMs) {
    // Nobody says any more that the robot should move so: stop it, then only
    // keep the link alive until a new command comes.
    vel2Wish_.store(kNoVel2Wish);
    if (wish != 0) {
      const WirePacket p = commandIntPacket(ArCommands::VEL2, 0);
      sendLocked(p.data(), p.size);
      stale = true;
    }
    wish = kNoVel2Wish;
  }
  if (wish != kNoVel2Wish && nowMs - lastVel2SendMs_ >= kKeepAliveMs) {
    const WirePacket p = commandIntPacket(ArCommands::VEL2, wish);
    if (sendLocked(p.data(), p.size)) lastVel2SendMs_ = lastSendMs_;
  } else if (nowMs - lastSendMs_ >= kKeepAliveMs) {
    const WirePacket p = commandPacket(ArCommands::PULSE);
    sendLocked(p.data(), p.size);
  }
  int64_t due = lastSendMs_ + kKeepAliveMs;
  if (wish != kNoVel2Wish) {
    due =
        std::min({due, lastVel2SendMs_ + kKeepAliveMs, vel2RenewedMs_.load() + kMotionFreshMs + 1});
  }
  return static_cast<int>(std::clamp<int64_t>(due - nowMs, 1, kKeepAliveMs));
}

void ArRobot::cycleLoop() {
  ArRobotRegistry::adoptWorker(owner_);
  ArRobotRegistry::setCurrentLayerRobot(this);
  Sink sink(*this);
  std::array<uint8_t, 1024> buffer;
  lastStatusMs_.store(ArUtil::getTimeMs());
  int waitMs = 1;
  while (!stopRequested_.load()) {
    bool disconnectAsked;
    {
      std::lock_guard<std::mutex> lock(disconnectMutex_);
      disconnectAsked = disconnectRequested_;
    }
    if (disconnectAsked) {
      doDisconnectNormally();
      std::lock_guard<std::mutex> lock(disconnectMutex_);
      disconnectRequested_ = false;
      disconnectDone_.notify_all();
    }
    if (!connected_.load()) {
      if (stopRunIfNotConnected_.load()) break;
      pollfd p{wakeFd_, POLLIN, 0};
      if (::poll(&p, 1, 100) > 0) {
        uint64_t v;
        [[maybe_unused]] auto n = ::read(wakeFd_, &v, sizeof v);
      }
      continue;
    }
    const int n = connection_->read(buffer.data(), static_cast<int>(buffer.size()),
                                    std::min(waitMs, 100), wakeFd_);
    const int64_t now = ArUtil::getTimeMs();
    if (n > 0) {
      receiver_.feed(buffer.data(), static_cast<std::size_t>(n), now, sink);
    } else if (n == ArDeviceConnection::kReadTimeout) {
      receiver_.tick(now, sink);
    } else if (n == ArDeviceConnection::kReadLinkLost) {
      linkLost("el robot cerro o reinicio la conexion");
      continue;
    }
    for (std::size_t i = 0; i < pending_.size() && connected_.load(); ++i)
      handlePacket(pending_[i], now);
    pending_.clear();
    if (!connected_.load()) continue;
    const int timeout = connectionTimeoutMs_.load();
    if (timeout > 0 && now - lastStatusMs_.load() > timeout) {
      linkLost("no llega ningun paquete de estado");
      continue;
    }
    bool stale = false;
    waitMs = keepAlive(now, stale);
    if (stale)
      consolePrintf("robot detenido: la orden de movimiento no se renovo en %.1f s\n",
                    kMotionFreshMs / 1000.0);
  }
  running_.store(false);
  {
    std::lock_guard<std::mutex> lock(disconnectMutex_);
    if (disconnectRequested_) {
      disconnectRequested_ = false;
      disconnectDone_.notify_all();
    }
  }
  // Last touch of the robot: once the flag falls it may be destroyed.
  std::lock_guard<std::mutex> lock(cycleMutex_);
  cycleActive_ = false;
  cycleEnded_.notify_all();
}
