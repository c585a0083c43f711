// The robot's body in a world of walls: a disc that stops where it touches a
// wall, reports both wheels stalled in its status packets while it pushes, and
// drives on once it turns or backs away.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <numbers>

#include "aria/ar_packet.h"
#include "aria/ar_status_packet.h"
#include "sim/robot_body.h"
#include "sim/sim_robot.h"
#include "sim/sim_world.h"
#include "sim/world_geometry.h"

namespace {
// A 10 m x 6 m room centred on the origin, with a thin wall at x = 2 m.
WorldMap room(double homeX, double homeY, double homeTh) {
  WorldMap map;
  map.walls = {{-5000, -3000, 5000, -3000},
               {5000, -3000, 5000, 3000},
               {5000, 3000, -5000, 3000},
               {-5000, 3000, -5000, -3000},
               {2000, -1000, 2000, 1000}};
  map.hasHome = true;
  map.homeX = homeX;
  map.homeY = homeY;
  map.homeTh = homeTh;
  return map;
}

// The stall field as the station reads it: through an encoded status packet.
uint16_t stallBitsOnTheWire(const SimRobot& robot) {
  const WirePacket wire = encodeStatusPacket(robot.status());
  // FA FB N type data... checksum(2)
  ReceivedPacket packet;
  packet.type = wire.bytes[3];
  packet.dataSize = wire.size - 6;
  std::copy(wire.data() + 4, wire.data() + 4 + packet.dataSize, packet.dataBytes.begin());
  ArStatusFields fields;
  EXPECT_TRUE(decodeStatusPacket(packet, fields));
  return fields.stallBumpers;
}

SimRobot robotIn(const WorldMap& map) {
  SimRobot robot;
  EXPECT_TRUE(placeRobotInWorld(robot, map, bodyRadiusForModel("p3dx-sh")));
  robot.enableMotors(true);
  // Wheels that reach their speeds at once keep the paths straight.
  robot.setAccel(100000);
  robot.setAccel(-100000);
  return robot;
}

void run(SimRobot& r, double seconds, double dt = 0.1) {
  for (double t = 0; t < seconds - 1e-9; t += dt) r.step(dt);
}
}  // namespace

TEST(WallContact, TheBodyStopsAtTheWallAndStalls) {
  struct Case {
    double homeX, homeY, homeTh;  // mm, mm, degrees
    double wheel;                 // mm/s, both wheels
    double dt;                    // s per step
  };
  const Case cases[] = {
      {1000, 0, 0, 400, 0.1},        // straight at the thin wall
      {1000, 0, 0, 1500, 2.0},       // steps far longer than the body: no tunnelling
      {0, 0, 30, 800, 0.1},          // askew toward the thin wall
      {-3000, 2000, 135, 600, 0.1},  // into the north-west corner
      {0, 0, 90, -500, 0.1},         // backwards into the south wall
  };
  const double radius = 260;
  for (const Case& c : cases) {
    const WorldMap map = room(c.homeX, c.homeY, c.homeTh);
    SimRobot robot = robotIn(map);
    robot.setWheelVels(c.wheel, c.wheel);
    run(robot, 30, c.dt);
    const SimPose p = robot.truePose();
    const double clearance = nearestWallDistance(map.walls, p.x, p.y);
    EXPECT_GE(clearance, radius - 0.01) << c.homeX << "," << c.homeTh;
    EXPECT_LT(clearance, radius + 1) << c.homeX << "," << c.homeTh;
    EXPECT_EQ(stallBitsOnTheWire(robot), kStallLeft | kStallRight);
    EXPECT_EQ(robot.leftVel(), 0);
    // The odometry counts only what the wheels made: the same distance.
    const SimPose odo = robot.odometryPose();
    EXPECT_NEAR(std::hypot(odo.x, odo.y), std::hypot(p.x - c.homeX, p.y - c.homeY), 0.01);
  }
}

TEST(WallContact, TurningOrBackingAwayClearsTheStall) {
  SimRobot robot = robotIn(room(1000, 0, 0));
  robot.setWheelVels(300, 300);
  run(robot, 10);
  ASSERT_TRUE(robot.stalled());
  const double atWall = robot.truePose().x;
  EXPECT_NEAR(atWall, 2000 - 260, 0.5);

  // Turning on the spot: a disc turns freely against a wall.
  robot.setWheelVels(-200, 200);
  run(robot, 1);
  EXPECT_FALSE(robot.stalled());
  EXPECT_EQ(stallBitsOnTheWire(robot), 0);
  EXPECT_GT(robot.truePose().th, 0.5);
  EXPECT_NEAR(robot.truePose().x, atWall, 1e-9);

  // Backing away, then standing: no stall, the robot moved off the wall.
  robot.setWheelVels(-300, -300);
  run(robot, 1);
  EXPECT_FALSE(robot.stalled());
  robot.setWheelVels(0, 0);
  run(robot, 2);
  EXPECT_FALSE(robot.stalled());
  EXPECT_LT(robot.truePose().x, atWall - 100);
}

TEST(WallContact, ModelsHaveTheirRadius) {
  EXPECT_EQ(bodyRadiusForModel("p3dx-sh"), 260);
  EXPECT_EQ(bodyRadiusForModel("P3DX"), 260);
  EXPECT_EQ(bodyRadiusForModel("p3at-sh"), 330);
  EXPECT_EQ(bodyRadiusForModel("unknown-model"), 260);
  // A home that touches a wall is reported.
  SimRobot robot;
  EXPECT_FALSE(placeRobotInWorld(robot, room(1800, 0, 0), 260));
}
