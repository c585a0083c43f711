#pragma once
// Watchers of every robot link of the process, for a recorder of the station's
// runs: each command the robot layer writes and each status packet it takes.
// Set once at start-up, before any robot connects; nullptr: not watched. The
// watchers run on the layer's own threads, with the robot's send lock held
// for commands: they must only take note and return.
#include <cstdint>

#include "aria/ar_packet.h"
#include "aria/ar_status_packet.h"

class ArRobot;

struct ArLinkWatch {
  // A command written to the robot: its number and, for an int argument, the
  // signed value.
  void (*commandSent)(int command, bool hasArgument, int argument) = nullptr;
  // A status packet taken into the robot's state: its fields as the layer
  // decoded them, its bytes, and the sequence number the layer gave it (see
  // ArRobot::getPoseSample). Called on the robot cycle thread before any other
  // thread can see the pose it brings, with the robot's data held (the
  // getters already show the packet).
  void (*statusReceived)(const ArRobot& robot, const ArStatusFields& fields,
                         const ReceivedPacket& packet, std::uint64_t sequence) = nullptr;
};

void setLinkWatch(const ArLinkWatch& watch);

// For the robot layer: report a packet just written, or a status packet taken.
void noteCommandWritten(const uint8_t* bytes, int size);
void noteStatusTaken(const ArRobot& robot, const ArStatusFields& fields,
                     const ReceivedPacket& packet, std::uint64_t sequence);
