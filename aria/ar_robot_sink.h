#pragma once
// Where the robot's packet receiver puts what it finds: packets queue up for
// the reading thread, discards go to a rate-limited console line.
#include "aria/ar_packet_receiver.h"
#include "aria/ar_robot.h"

class ArRobot::Sink : public PacketSink {
 public:
  explicit Sink(ArRobot& robot) : robot_(robot) {}
  void onPacket(const ReceivedPacket& packet) override { robot_.pending_.push_back(packet); }
  void onDiscard(PacketDiscard reason, int bytes) override { robot_.reportDiscard(reason, bytes); }

 private:
  ArRobot& robot_;
};
