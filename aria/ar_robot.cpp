#include "aria/ar_robot.h"

#include <algorithm>
#include <limits>

#include "aria/ar_commands.h"
#include "aria/ar_link_watch.h"
#include "aria/ar_robot_registry.h"
#include "aria/ar_util.h"
#include "aria/ar_vel2_packing.h"

void ArRobot::setDeviceConnection(ArDeviceConnection* connection) {
  connection_ = connection;
}

// ---- callbacks -------------------------------------------------------------

void ArRobot::addCB(CallbackList& list, ArFunctor* f, int position) {
  if (f == nullptr) return;
  std::lock_guard<std::mutex> lock(callbackMutex_);
  if (position == ArListPos::FIRST)
    list.items.insert(list.items.begin(), f);
  else
    list.items.push_back(f);
}

void ArRobot::remCB(CallbackList& list, ArFunctor* f) {
  std::lock_guard<std::mutex> lock(callbackMutex_);
  std::erase(list.items, f);
}

void ArRobot::invokeCBs(CallbackList& list) {
  std::vector<ArFunctor*> copy;
  {
    std::lock_guard<std::mutex> lock(callbackMutex_);
    copy = list.items;
  }
  for (ArFunctor* f : copy) f->invoke();
}

void ArRobot::addConnectCB(ArFunctor* f, int p) {
  addCB(connectCBs_, f, p);
}
void ArRobot::addFailedConnectCB(ArFunctor* f, int p) {
  addCB(failedCBs_, f, p);
}
void ArRobot::addDisconnectNormallyCB(ArFunctor* f, int p) {
  addCB(normalCBs_, f, p);
}
void ArRobot::addDisconnectOnErrorCB(ArFunctor* f, int p) {
  addCB(errorCBs_, f, p);
}
void ArRobot::remConnectCB(ArFunctor* f) {
  remCB(connectCBs_, f);
}
void ArRobot::remFailedConnectCB(ArFunctor* f) {
  remCB(failedCBs_, f);
}
void ArRobot::remDisconnectNormallyCB(ArFunctor* f) {
  remCB(normalCBs_, f);
}
void ArRobot::remDisconnectOnErrorCB(ArFunctor* f) {
  remCB(errorCBs_, f);
}

int ArRobot::addPacketHandler(uint8_t type, PacketHandler handler) {
  std::lock_guard<std::mutex> lock(handlerMutex_);
  const int id = nextHandlerId_++;
  handlers_.push_back({id, {type, std::move(handler)}});
  return id;
}

void ArRobot::remPacketHandler(int id) {
  std::lock_guard<std::mutex> lock(handlerMutex_);
  std::erase_if(handlers_, [id](const auto& h) { return h.first == id; });
}

// ---- sending ---------------------------------------------------------------

bool ArRobot::sendLocked(const uint8_t* bytes, int size) {
  if (!connected_.load() || connection_ == nullptr) return false;
  if (!connection_->write(bytes, size)) return false;
  lastSendMs_ = ArUtil::getTimeMs();
  noteCommandWritten(bytes, size);
  return true;
}

bool ArRobot::send(const uint8_t* bytes, int size) {
  std::lock_guard<std::mutex> lock(sendMutex_);
  return sendLocked(bytes, size);
}

void ArRobot::sendEnd() {
  if (!connected_.load() || connection_ == nullptr) return;
  const WirePacket disable = commandIntPacket(ArCommands::ENABLE, 0);
  const WirePacket close = commandIntPacket(ArCommands::CLOSE, 1);
  if (connection_->write(disable.data(), disable.size))
    noteCommandWritten(disable.data(), disable.size);
  if (connection_->write(close.data(), close.size)) noteCommandWritten(close.data(), close.size);
  connected_.store(false);
}

bool ArRobot::com(uint8_t command) {
  const WirePacket p = commandPacket(command);
  return send(p.data(), p.size);
}

bool ArRobot::comInt(uint8_t command, short value) {
  const WirePacket p = commandIntPacket(command, value);
  return send(p.data(), p.size);
}

void ArRobot::setVel2(double leftMmPerS, double rightMmPerS) {
  const int32_t packed = packVel2(leftMmPerS, rightMmPerS, kVel2Divisor);
  vel2RenewedMs_.store(ArUtil::getTimeMs());
  // The common case, the same wish again, costs a clock read and a load.
  if (vel2Wish_.load(std::memory_order_relaxed) == packed) return;
  std::lock_guard<std::mutex> lock(sendMutex_);
  if (vel2Wish_.exchange(packed) == packed) return;
  const WirePacket p = commandIntPacket(ArCommands::VEL2, packed);
  if (sendLocked(p.data(), p.size)) lastVel2SendMs_ = lastSendMs_;
}

void ArRobot::stopForExit() {
  quiet_.store(true);
  std::lock_guard<std::mutex> lock(sendMutex_);
  sendEnd();
}

// ---- data ------------------------------------------------------------------

ArPose ArRobot::getPose() const {
  std::lock_guard<std::recursive_mutex> lock(dataMutex_);
  return pose_;
}

ArPose ArRobot::getRawEncoderPose() const {
  std::lock_guard<std::recursive_mutex> lock(dataMutex_);
  return odometry_.raw;
}

void ArRobot::setEncoderTransform(const ArPose& transform) {
  std::lock_guard<std::recursive_mutex> lock(dataMutex_);
  transform_ = transform;
  pose_ = applyEncoderTransform(transform_, odometry_.raw);
}

double ArRobot::getVel() const {
  std::lock_guard<std::recursive_mutex> lock(dataMutex_);
  return (leftVel_ + rightVel_) / 2.0;
}

double ArRobot::getLeftVel() const {
  std::lock_guard<std::recursive_mutex> lock(dataMutex_);
  return leftVel_;
}

double ArRobot::getRightVel() const {
  std::lock_guard<std::recursive_mutex> lock(dataMutex_);
  return rightVel_;
}

double ArRobot::getBatteryVoltage() const {
  std::lock_guard<std::recursive_mutex> lock(dataMutex_);
  if (batteryCount_ == 0) return 13.0;
  double sum = 0;
  for (int i = 0; i < batteryCount_; ++i) sum += batterySamples_[static_cast<std::size_t>(i)];
  return sum / batteryCount_;
}

bool ArRobot::areMotorsEnabled() const {
  std::lock_guard<std::recursive_mutex> lock(dataMutex_);
  return motorsEnabled_;
}

int ArRobot::getStallValue() const {
  std::lock_guard<std::recursive_mutex> lock(dataMutex_);
  return stallValue_;
}

long ArRobot::getStatusPacketCount() const {
  std::lock_guard<std::recursive_mutex> lock(dataMutex_);
  return statusCount_;
}

std::string ArRobot::getRobotName() const {
  std::lock_guard<std::recursive_mutex> lock(dataMutex_);
  return robotName_;
}

std::string ArRobot::getRobotType() const {
  std::lock_guard<std::recursive_mutex> lock(dataMutex_);
  return robotType_;
}

std::string ArRobot::getRobotSubType() const {
  std::lock_guard<std::recursive_mutex> lock(dataMutex_);
  return robotSubType_;
}

int ArRobot::getGyroType() const {
  std::lock_guard<std::recursive_mutex> lock(dataMutex_);
  return gyroType_;
}

ArRobotParams ArRobot::getRobotParams() const {
  std::lock_guard<std::recursive_mutex> lock(dataMutex_);
  return params_;
}
