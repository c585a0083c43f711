#pragma once
// The robot side of the protocol on one link: the SYNC handshake, OPEN and
// CLOSE, the commands, and the watchdog. The caller owns the link and the
// clock; the session returns the bytes to send.
#include <cstdint>
#include <string>
#include <vector>

#include "aria/ar_packet_receiver.h"
#include "sim/sim_command_log.h"
#include "sim/sim_robot.h"

struct SimIdentity {
  std::string name = "torva-sim";
  std::string robotClass = "Pioneer";
  std::string model = "p3dx-sh";
  uint8_t gyroType = 0;  // no gyro
};

class SimSession : private PacketSink {
 public:
  SimSession(char link, SimRobot& robot, SimCommandLog& log, const SimIdentity& identity,
             int watchdogMs, int cycleMs);

  // nowMs: steady clock; logMs: time since the simulator started.
  void receive(const uint8_t* bytes, std::size_t count, int64_t nowMs, int64_t logMs,
               std::vector<uint8_t>& out);
  // Stall rule and watchdog; call every cycle.
  void tick(int64_t nowMs);
  // The session streams status packets once OPEN came.
  bool isOpen() const { return state_ == State::Open; }
  // The client sent CLOSE: a TCP link is dropped after the reply.
  bool closeRequested() const { return closeRequested_; }
  // The link went away: stop the robot and forget the session.
  void end();

 private:
  enum class State { WaitSync0, WaitSync1, WaitSync2, Synced, Open };
  void onPacket(const ReceivedPacket& packet) override;
  void onDiscard(PacketDiscard reason, int bytes) override;
  void handleCommand(const ReceivedPacket& packet, const CommandArgument& arg);
  void append(const WirePacket& p);

  char link_;
  SimRobot& robot_;
  SimCommandLog& log_;
  SimIdentity identity_;
  int watchdogMs_;
  int cycleMs_;
  PacketReceiver receiver_;
  State state_ = State::WaitSync0;
  bool closeRequested_ = false;
  bool watchdogTripped_ = false;
  int64_t lastPacketMs_ = 0;
  int64_t nowMs_ = 0;
  int64_t logMs_ = 0;
  std::vector<uint8_t>* out_ = nullptr;
};

// The command's name as the log shows it.
const char* simCommandName(uint8_t command);
