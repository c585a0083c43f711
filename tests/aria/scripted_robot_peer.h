#pragma once
// A robot end of a real TCP link that a test scripts packet by packet, for
// checking the exact bytes the robot layer sends and its answers to replies a
// well-behaved simulator never gives.
#include <cstdint>
#include <deque>
#include <string>
#include <vector>

#include "aria/ar_packet_receiver.h"

class ScriptedRobotPeer : private PacketSink {
 public:
  ScriptedRobotPeer();  // listens on 127.0.0.1, a free port
  ~ScriptedRobotPeer();
  int port() const { return port_; }

  bool accept(int timeoutMs);
  // The next packet the client sent; false on time-out or a closed link.
  bool readPacket(ReceivedPacket& out, int timeoutMs);
  bool send(const std::vector<uint8_t>& bytes);
  bool sendPacket(uint8_t type, const std::vector<uint8_t>& data);
  // Answers SYNC0..2, then takes OPEN and answers CONFIG, as a robot would.
  bool answerHandshake(const std::string& model = "p3dx-sh", uint8_t gyroType = 0);
  void sendStatus(uint16_t x, uint16_t y, int16_t th, int16_t left, int16_t right);
  void closeClient();
  bool clientClosed(int timeoutMs);  // true once the client closed its end
  // Every byte received so far, in order.
  const std::vector<uint8_t>& rawReceived() const { return raw_; }

 private:
  void onPacket(const ReceivedPacket& p) override { queue_.push_back(p); }
  bool pump(int timeoutMs);

  int listenFd_ = -1;
  int clientFd_ = -1;
  int port_ = 0;
  bool eof_ = false;
  PacketReceiver receiver_;
  std::deque<ReceivedPacket> queue_;
  std::vector<uint8_t> raw_;
};
