#pragma once
// The robot as the station drives it: the handshake, a robot cycle thread
// that reads status packets and keeps the link alive, wheel commands, poses
// and the connection callbacks.
#include <array>
#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "aria/ar_device_connection.h"
#include "aria/ar_encoder_odometry.h"
#include "aria/ar_functor.h"
#include "aria/ar_packet_receiver.h"
#include "aria/ar_pose.h"
#include "aria/ar_robot_params.h"

namespace ArListPos {
enum Pos { FIRST = 1, LAST = 2 };
}

class ArRobot {
 public:
  // Belongs to the calling worker (see Aria::shutdown); its cycle thread
  // runs once runAsync is called.
  ArRobot();
  ~ArRobot();
  ArRobot(const ArRobot&) = delete;
  ArRobot& operator=(const ArRobot&) = delete;

  void setDeviceConnection(ArDeviceConnection* connection);
  ArDeviceConnection* getDeviceConnection() const { return connection_; }

  // Callbacks run on the layer's own threads: connect after the handshake,
  // failed-connect when the handshake fails, disconnect-normally when the
  // station ends the link itself (disconnect, stopRunning(true)), and
  // disconnect-on-error when the peer closes or resets, a reset packet
  // arrives or no status packet came for the connection time-out.
  // Aria::shutdown and the process-exit stop call none of them.
  void addConnectCB(ArFunctor* functor, int position = ArListPos::LAST);
  void addFailedConnectCB(ArFunctor* functor, int position = ArListPos::LAST);
  void addDisconnectNormallyCB(ArFunctor* functor, int position = ArListPos::LAST);
  void addDisconnectOnErrorCB(ArFunctor* functor, int position = ArListPos::LAST);
  void remConnectCB(ArFunctor* functor);
  void remFailedConnectCB(ArFunctor* functor);
  void remDisconnectNormallyCB(ArFunctor* functor);
  void remDisconnectOnErrorCB(ArFunctor* functor);

  // Runs the handshake on the connection set; true once the robot answered.
  bool blockingConnect();
  // Ends the link (ENABLE 0, CLOSE) and calls the disconnect-normally callbacks.
  bool disconnect();
  // Starts the robot cycle thread. With stopRunIfNotConnected the cycle ends
  // when the link does.
  void runAsync(bool stopRunIfNotConnected);
  // Ends the robot cycle; with doDisconnect a connected robot is disconnected
  // first (as disconnect() does).
  void stopRunning(bool doDisconnect = true);
  bool isRunning() const { return running_.load(); }
  bool isConnected() const { return connected_.load(); }

  // Commands, sent at once. False when not connected or the write failed.
  bool com(uint8_t command);
  bool comInt(uint8_t command, short value);
  // Wheel speeds in mm/s. Sent at once when the packed value changes, and
  // repeated by the robot cycle every 500 ms as the motion keep-alive, but only
  // while the caller keeps renewing it (calling again, the same speeds or
  // not) within kMotionFreshMs: a command nobody renews is stale, whoever set
  // it, and the cycle then sends zero wheel speeds once and only keeps the
  // link alive.
  void setVel2(double leftMmPerS, double rightMmPerS);
  static constexpr int kMotionFreshMs = 500;

  ArPose getPose() const;            // the encoder transform applied
  ArPose getRawEncoderPose() const;  // accumulated status packet deltas
  // Both poses and the sequence number of the status packet they came from,
  // all of one packet (0: no packet yet).
  struct PoseSample {
    ArPose pose;
    ArPose raw;
    std::uint64_t packet = 0;
  };
  PoseSample getPoseSample() const;
  void setEncoderTransform(const ArPose& transform);
  double getVel() const;       // mm/s
  double getLeftVel() const;   // mm/s
  double getRightVel() const;  // mm/s
  double getBatteryVoltage() const;
  bool areMotorsEnabled() const;
  // The stall and bumper word of the last status packet; bit 0 the left
  // wheel stalled, bit 8 the right one.
  int getStallValue() const;
  bool isLeftMotorStalled() const { return (getStallValue() & 0x0001) != 0; }
  bool isRightMotorStalled() const { return (getStallValue() & 0x0100) != 0; }
  long getStatusPacketCount() const;

  int getConnectionTimeoutTime() const { return connectionTimeoutMs_.load(); }
  // ms without a status packet before the link counts as lost; 0 = never.
  void setConnectionTimeoutTime(int ms) { connectionTimeoutMs_.store(ms < 0 ? 0 : ms); }

  std::string getRobotName() const;
  std::string getRobotType() const;
  std::string getRobotSubType() const;
  int getGyroType() const;
  ArRobotParams getRobotParams() const;

  // Holds the robot's data still; the layer's getters also take it, so they
  // may be called under it.
  void lock() { dataMutex_.lock(); }
  void unlock() { dataMutex_.unlock(); }

  // For the layer's devices: called on the robot cycle thread for each packet
  // of the type. A handler must not add or remove handlers.
  using PacketHandler = std::function<void(const ReceivedPacket&)>;
  int addPacketHandler(uint8_t type, PacketHandler handler);
  void remPacketHandler(int id);

  // Process-exit stop: ENABLE 0 and CLOSE, no callbacks afterwards. Used by
  // Aria::exitCleanup.
  void stopForExit();
  // Aria::shutdown's quiet close.
  void closeQuietly();
  uint64_t ownerToken() const { return owner_; }

 private:
  class Sink;
  struct CallbackList {
    std::vector<ArFunctor*> items;
  };
  enum class Sync { Ok, Retry, LinkLost };

  void addCB(CallbackList& list, ArFunctor* f, int position);
  void remCB(CallbackList& list, ArFunctor* f);
  void invokeCBs(CallbackList& list);

  // Handshake (robot thread side of blockingConnect).
  bool connectSequence(std::string& why);
  Sync syncOnce(std::string& why);
  bool waitPacket(int timeoutMs, ReceivedPacket& out);
  void drain(int maxMs);
  void startConnection();

  // Robot cycle.
  void cycleLoop();
  void handlePacket(const ReceivedPacket& packet, int64_t nowMs);
  // Takes a status packet into the robot's state and hands it to the link
  // watch; false when it is too short to be one (reported).
  bool handleStatus(const ReceivedPacket& packet, int64_t nowMs);
  // Returns the ms until the next keep-alive is due; stale tells whether it
  // stopped a motion command that was no longer renewed.
  int keepAlive(int64_t nowMs, bool& stale);
  void linkLost(const char* why);
  void doDisconnectNormally();
  void stopCycle();
  void wake();

  bool sendRaw(const WirePacket& packet);  // handshake: before connected_
  bool sendLocked(const uint8_t* bytes, int size);
  bool send(const uint8_t* bytes, int size);
  void sendEnd();  // ENABLE 0, CLOSE; sendMutex_ held
  void reportDiscard(PacketDiscard reason, int bytes);

  const uint64_t owner_;
  ArDeviceConnection* connection_ = nullptr;

  mutable std::recursive_mutex dataMutex_;
  ArEncoderOdometry odometry_;
  ArPose transform_;
  ArPose pose_;
  double leftVel_ = 0;
  double rightVel_ = 0;
  std::array<double, 20> batterySamples_{};
  int batteryCount_ = 0;
  int batteryNext_ = 0;
  bool motorsEnabled_ = false;
  int stallValue_ = 0;
  long statusCount_ = 0;
  std::uint64_t statusSequence_ = 0;
  ArRobotParams params_;
  std::string robotName_, robotType_, robotSubType_;
  int gyroType_ = 0;

  std::mutex callbackMutex_;
  CallbackList connectCBs_, failedCBs_, normalCBs_, errorCBs_;

  std::mutex handlerMutex_;
  std::vector<std::pair<int, std::pair<uint8_t, PacketHandler>>> handlers_;
  int nextHandlerId_ = 1;

  // Sending: one writer at a time, so the keep-alive never repeats a wish
  // older than the last one sent.
  std::mutex sendMutex_;
  static constexpr int32_t kNoVel2Wish = INT32_MIN;
  std::atomic<int32_t> vel2Wish_{kNoVel2Wish};
  std::atomic<int64_t> vel2RenewedMs_{0};
  int64_t lastSendMs_ = 0;
  int64_t lastVel2SendMs_ = 0;

  std::atomic<bool> connected_{false};
  std::atomic<bool> running_{false};
  std::atomic<bool> stopRequested_{false};
  std::atomic<bool> quiet_{false};
  std::atomic<bool> stopRunIfNotConnected_{true};
  std::atomic<int> connectionTimeoutMs_{8000};
  std::atomic<int64_t> lastStatusMs_{0};

  std::mutex disconnectMutex_;
  std::condition_variable disconnectDone_;
  bool disconnectRequested_ = false;

  // The cycle thread is detached, so a process may end with it still alive;
  // stopping it waits for cycleActive_ to fall instead of joining.
  std::mutex cycleMutex_;
  std::condition_variable cycleEnded_;
  bool cycleActive_ = false;
  int wakeFd_ = -1;

  // Only the thread reading the link (the handshake, then the cycle) uses these.
  PacketReceiver receiver_;
  std::vector<ReceivedPacket> pending_;
  std::size_t pendingNext_ = 0;
  bool linkDown_ = false;
  int64_t lastDiscardReportMs_ = -1000000;
  int discardsSuppressed_ = 0;
};
