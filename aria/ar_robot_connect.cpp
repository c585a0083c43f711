// The handshake: SYNC0, SYNC1, SYNC2 (robot name, class, subclass), OPEN,
// CONFIG. It runs on a layer thread so that the connect and failed-connect
// callbacks come from the layer, as the station expects.
#include <algorithm>

#include "aria/ar_commands.h"
#include "aria/ar_config_packet.h"
#include "aria/ar_link_watch.h"
#include "aria/ar_robot.h"
#include "aria/ar_robot_registry.h"
#include "aria/ar_robot_sink.h"
#include "aria/ar_util.h"
#include "os/console_print.h"

namespace {
constexpr int kSyncTries = 5;
constexpr int kEchoWaitMs = 1000;
constexpr int kConfigWaitMs = 1000;
constexpr int kDrainMs = 200;
constexpr int kCycleMs = 100;
constexpr int kSerialBauds[] = {9600, 38400, 115200};
}  // namespace

bool ArRobot::blockingConnect() {
  if (connected_.load()) return true;
  bool ok = false;
  std::thread worker([this, &ok] {
    ArRobotRegistry::adoptWorker(owner_);
    ArRobotRegistry::setCurrentLayerRobot(this);
    std::string why;
    if (connection_ == nullptr || !connection_->isOpen())
      why = "no hay ninguna conexion abierta";
    else
      ok = connectSequence(why);
    if (ok) {
      consolePrintf("Robot conectado: %s %s %s\n", robotName_.c_str(), robotType_.c_str(),
                    robotSubType_.c_str());
      invokeCBs(connectCBs_);
    } else {
      consolePrintf("No se pudo conectar con el robot: %s\n", why.c_str());
      invokeCBs(failedCBs_);
    }
  });
  worker.join();
  return ok;
}

bool ArRobot::waitPacket(int timeoutMs, ReceivedPacket& out) {
  Sink sink(*this);
  const int64_t deadline = ArUtil::getTimeMs() + timeoutMs;
  std::array<uint8_t, 512> buffer;
  for (;;) {
    if (pendingNext_ < pending_.size()) {
      out = pending_[pendingNext_++];
      return true;
    }
    pending_.clear();
    pendingNext_ = 0;
    const int64_t now = ArUtil::getTimeMs();
    if (now >= deadline) return false;
    const int n = connection_->read(buffer.data(), static_cast<int>(buffer.size()),
                                    static_cast<int>(std::min<int64_t>(deadline - now, 50)));
    if (n > 0) {
      receiver_.feed(buffer.data(), static_cast<std::size_t>(n), ArUtil::getTimeMs(), sink);
    } else if (n == ArDeviceConnection::kReadTimeout) {
      receiver_.tick(ArUtil::getTimeMs(), sink);
    } else {
      linkDown_ = true;
      return false;
    }
  }
}

void ArRobot::drain(int maxMs) {
  const int64_t end = ArUtil::getTimeMs() + maxMs;
  std::array<uint8_t, 512> buffer;
  int64_t lastByte = ArUtil::getTimeMs();
  for (;;) {
    const int64_t now = ArUtil::getTimeMs();
    if (now >= end || now - lastByte >= 50) break;
    const int n = connection_->read(buffer.data(), static_cast<int>(buffer.size()),
                                    static_cast<int>(std::min<int64_t>(end - now, 10)));
    if (n > 0) lastByte = ArUtil::getTimeMs();
    if (n == ArDeviceConnection::kReadLinkLost) {
      linkDown_ = true;
      break;
    }
  }
  receiver_.reset();
  pending_.clear();
  pendingNext_ = 0;
}

bool ArRobot::sendRaw(const WirePacket& packet) {
  std::lock_guard<std::mutex> lock(sendMutex_);
  if (!connection_->write(packet.data(), packet.size)) return false;
  lastSendMs_ = ArUtil::getTimeMs();
  noteCommandWritten(packet.data(), packet.size);
  return true;
}

ArRobot::Sync ArRobot::syncOnce(std::string& why) {
  for (uint8_t step = ArCommands::SYNC0; step <= ArCommands::SYNC2; ++step) {
    if (!sendRaw(commandPacket(step))) {
      why = "no se pudo escribir en la conexion";
      return Sync::LinkLost;
    }
    ReceivedPacket p;
    if (!waitPacket(kEchoWaitMs, p)) {
      if (linkDown_) {
        why = "la conexion se cerro durante el saludo";
        return Sync::LinkLost;
      }
      why = "el robot no responde";
      return Sync::Retry;
    }
    if (p.type == step) {
      if (step == ArCommands::SYNC2) {
        PacketFieldReader r(p);
        const std::string name(r.string());
        const std::string type(r.string());
        const std::string subType(r.string());
        std::lock_guard<std::recursive_mutex> lock(dataMutex_);
        robotName_ = name;
        robotType_ = type;
        robotSubType_ = subType;
      }
      continue;
    }
    if (ArPacketTypes::isStatus(p.type)) {
      // Still in an earlier session: end it and start over.
      sendRaw(commandIntPacket(ArCommands::CLOSE, 1));
      drain(kDrainMs);
      why = "el robot seguia en una sesion anterior";
      return linkDown_ ? Sync::LinkLost : Sync::Retry;
    }
    why = "respuesta inesperada al saludo";
    return Sync::Retry;
  }
  return Sync::Ok;
}

bool ArRobot::connectSequence(std::string& why) {
  linkDown_ = false;
  receiver_.reset();
  pending_.clear();
  pendingNext_ = 0;
  const bool serial = connection_->isSerial();
  const int speeds = serial ? static_cast<int>(std::size(kSerialBauds)) : 1;
  bool synced = false;
  for (int s = 0; s < speeds && !synced; ++s) {
    if (serial) {
      connection_->setBaud(kSerialBauds[s]);
      drain(kDrainMs);
    }
    for (int attempt = 0; attempt < kSyncTries && !synced; ++attempt) {
      const Sync result = syncOnce(why);
      if (result == Sync::LinkLost) return false;
      synced = result == Sync::Ok;
    }
  }
  if (!synced) return false;

  {
    std::lock_guard<std::recursive_mutex> lock(dataMutex_);
    if (!robotParamsForModel(robotSubType_, params_)) {
      consolePrintf(
          "Modelo de robot desconocido \"%s\": se usan los parametros de los modelos -sh\n",
          robotSubType_.c_str());
    }
    odometry_ = ArEncoderOdometry{};
    pose_ = applyEncoderTransform(transform_, odometry_.raw);
    leftVel_ = rightVel_ = 0;
    batteryCount_ = batteryNext_ = 0;
    statusCount_ = 0;
    statusSequence_ = 0;
    gyroType_ = 0;
  }
  ArUtil::sleep(kCycleMs);
  if (!sendRaw(commandIntPacket(ArCommands::OPEN, 1)) ||
      !sendRaw(commandIntPacket(ArCommands::CONFIG, 1))) {
    why = "no se pudo escribir en la conexion";
    return false;
  }
  const int64_t deadline = ArUtil::getTimeMs() + kConfigWaitMs;
  for (;;) {
    const int64_t left = deadline - ArUtil::getTimeMs();
    ReceivedPacket p;
    if (left <= 0 || !waitPacket(static_cast<int>(left), p)) break;
    if (ArPacketTypes::isReset(p.type)) {
      why = "el controlador del robot se reinicio";
      return false;
    }
    if (p.type == ArPacketTypes::CONFIG) {
      ArConfigFields config;
      if (decodeConfigPacket(p, config)) {
        std::lock_guard<std::recursive_mutex> lock(dataMutex_);
        gyroType_ = config.gyroType;
      }
      break;
    }
    if (ArPacketTypes::isStatus(p.type)) handleStatus(p, ArUtil::getTimeMs());
  }
  if (linkDown_) {
    why = "la conexion se cerro durante el saludo";
    return false;
  }
  startConnection();
  return true;
}

void ArRobot::startConnection() {
  std::lock_guard<std::mutex> lock(sendMutex_);
  vel2Wish_.store(kNoVel2Wish);
  lastVel2SendMs_ = 0;
  quiet_.store(false);
  lastStatusMs_.store(ArUtil::getTimeMs());
  connected_.store(true);
}
