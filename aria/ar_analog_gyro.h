#pragma once
// The robot's analog gyro, by the gyro type of the configuration packet:
// 0 none (the simulators), 1 readings in 0x98 packets that the client counts,
// 2 or more integrated by the controller itself.
#include <atomic>
#include <cstdint>
#include <mutex>

class ArRobot;

class ArAnalogGyro {
 public:
  explicit ArAnalogGyro(ArRobot* robot);
  ~ArAnalogGyro();
  ArAnalogGyro(const ArAnalogGyro&) = delete;
  ArAnalogGyro& operator=(const ArAnalogGyro&) = delete;

  // Turns the gyro on (GYRO 1 for a type 1 gyro).
  void activate();
  void deactivate();
  bool isActive() const { return active_.load(); }
  bool haveGottenData() const;
  // Gyro readings received in the last full second.
  int getPacCount() const;

 private:
  void onPacket(const uint8_t* data, int size);
  void rollSecond(int64_t nowMs) const;

  ArRobot* robot_;
  int handlerId_ = 0;
  std::atomic<bool> active_{true};
  std::atomic<bool> gotData_{false};
  mutable std::mutex mutex_;
  mutable int64_t secondStartMs_ = 0;
  mutable int currentCount_ = 0;
  mutable int lastSecondCount_ = 0;
};
