#include "aria/ar_analog_gyro.h"

#include <algorithm>

#include "aria/ar_commands.h"
#include "aria/ar_robot.h"
#include "aria/ar_util.h"

ArAnalogGyro::ArAnalogGyro(ArRobot* robot) : robot_(robot) {
  secondStartMs_ = ArUtil::getTimeMs();
  if (robot_ != nullptr) {
    handlerId_ = robot_->addPacketHandler(
        ArPacketTypes::GYRO, [this](const ReceivedPacket& p) { onPacket(p.data(), p.dataSize); });
  }
}

ArAnalogGyro::~ArAnalogGyro() {
  if (robot_ != nullptr) robot_->remPacketHandler(handlerId_);
}

void ArAnalogGyro::activate() {
  active_.store(true);
  if (robot_ != nullptr && robot_->getGyroType() == 1) robot_->comInt(ArCommands::GYRO, 1);
}

void ArAnalogGyro::deactivate() {
  active_.store(false);
  if (robot_ != nullptr && robot_->getGyroType() == 1) robot_->comInt(ArCommands::GYRO, 0);
}

bool ArAnalogGyro::haveGottenData() const {
  if (robot_ != nullptr && robot_->getGyroType() >= 2) return true;
  return gotData_.load();
}

void ArAnalogGyro::rollSecond(int64_t nowMs) const {
  if (nowMs - secondStartMs_ < 1000) return;
  // A full second went by: its count is the answer; a longer silence is 0.
  lastSecondCount_ = nowMs - secondStartMs_ < 2000 ? currentCount_ : 0;
  currentCount_ = 0;
  secondStartMs_ = nowMs;
}

int ArAnalogGyro::getPacCount() const {
  std::lock_guard<std::mutex> lock(mutex_);
  rollSecond(ArUtil::getTimeMs());
  return lastSecondCount_;
}

void ArAnalogGyro::onPacket(const uint8_t* data, int size) {
  if (size < 1) return;
  // u8 n, then n readings of s16 rate and u8 temperature.
  const int readings = std::min<int>(data[0], (size - 1) / 3);
  std::lock_guard<std::mutex> lock(mutex_);
  rollSecond(ArUtil::getTimeMs());
  currentCount_ += readings;
  if (readings > 0) gotData_.store(true);
}
