#include "robot/route_follower.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <functional>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "robot/progress_watch.h"
#include "robot/route_file.h"
#include "state/robot_controller.h"
#include "tests/robot/fake_robot.h"
#include "tests/robot/heading_turns.h"
#include "tests/support/console_capture.h"
#include "tests/support/count_of.h"
#include "tests/support/temp_dir.h"

namespace {
using Command = FakeRobot::Command;

struct Drive {
  std::unique_ptr<RobotController> station = std::make_unique<RobotController>();
  FakeRobot robot;
  ArPose currentPose;
  std::string console;

  void segment(const ArPose& start, const ArPose& end) {
    ConsoleCapture capture;
    followSegment(robot, currentPose, start, end, *station);
    console = capture.text();
  }
};

}  // namespace

TEST(RouteFollower, TurnEndsWithinFiveDegreesEvenAcrossTheHalfTurn) {
  // Heading 170, end point at bearing -170: rule 7, counter-clockwise through
  // 180; delta phi is not wrapped, so the turn ends at -175.
  Drive run;
  run.robot.th = 170;
  run.robot.headingStep = 2.5;
  const ArPose end(-1000 * std::cos(10 * M_PI / 180), -1000 * std::sin(10 * M_PI / 180));
  run.robot.onPass = [](FakeRobot& r) {
    if (r.commands.back() == Command{-64, 64}) {
      EXPECT_LE(r.passes, 6);
    }
  };
  run.segment(ArPose(), end);
  ASSERT_GE(run.robot.commands.size(), 4u);
  EXPECT_EQ(run.robot.commands[0], (Command{0, 0}));
  EXPECT_EQ(run.robot.commands[1], (Command{-64, 64}));  // counter-clockwise
  EXPECT_EQ(run.robot.commands[2], (Command{0, 0}));
  EXPECT_NE(run.console.find("regla 7--> 1 fin -170.000000 ini -175.000000 \n"), std::string::npos);
  EXPECT_EQ(countOf(run.console, "regla 7"), 6);  // 172.5 ... -175, one block each
  EXPECT_EQ(run.robot.sleeps.front(), 1000);
}

TEST(RouteFollower, TurnStopsOnTheFirstPoseWithinFiveDegreesInclusive) {
  struct Case {
    double heading;
    Command turn;
    const char* lastBlock;
  };
  // The end point lies at bearing 0 exactly; the heading steps 2.5 degrees a
  // pose, so the turn reaches -5 or 5 exactly and stops there, not a step on.
  for (const Case c : {Case{-20, {-64, 64}, "regla 13--> 1 fin 0.000000 ini -5.000000 \n"},
                       Case{20, {64, -64}, "regla 1--> 0 fin 0.000000 ini 5.000000 \n"}}) {
    Drive run;
    run.robot.th = c.heading;
    run.robot.headingStep = 2.5;
    run.segment(ArPose(), ArPose(1000, 0));
    ASSERT_GE(run.robot.commands.size(), 3u);
    EXPECT_EQ(run.robot.commands[1], c.turn) << c.heading;
    EXPECT_EQ(run.robot.commands[2], (Command{0, 0})) << c.heading;
    EXPECT_EQ(countOf(run.console, "regla"), 6) << c.heading;
    const auto last = run.console.rfind("regla");
    EXPECT_EQ(run.console.substr(last, std::string(c.lastBlock).size()), c.lastBlock);
  }
}

TEST(RouteFollower, AHeadingAlreadyOnTheBearingSendsTheTurnOnceAndStops) {
  struct Case {
    double heading;
    Command turn;
  };
  // Rule 1 with phi equal to the heading picks counter-clockwise; 5 degrees
  // either side is inside the tolerance.
  for (const Case c : {Case{0, {-64, 64}}, Case{5, {64, -64}}, Case{-5, {-64, 64}}}) {
    Drive run;
    run.robot.th = c.heading;
    run.segment(ArPose(), ArPose(2000, 0));
    ASSERT_GE(run.robot.commands.size(), 4u);
    EXPECT_EQ(run.robot.commands[1], c.turn) << c.heading;
    EXPECT_EQ(run.robot.commands[2], (Command{0, 0})) << c.heading;
    EXPECT_EQ(run.console.find("regla"), std::string::npos) << c.heading;
  }
}

TEST(RouteFollower, StraightSpeedsFollowTheSegmentLength) {
  struct Case {
    double length;
    bool cruise;
  };
  for (const Case c : {Case{2500, false}, Case{3000, false}, Case{5000, true}}) {
    Drive run;
    run.segment(ArPose(), ArPose(c.length, 0));
    const auto& cmds = run.robot.commands;
    // 0,0 / turn / 0,0 / straight ... / 0,0
    ASSERT_GE(cmds.size(), 5u);
    EXPECT_EQ(cmds[3], c.cruise ? (Command{800, 800}) : (Command{300, 300})) << c.length;
    EXPECT_EQ(cmds.back(), (Command{0, 0}));
    EXPECT_EQ(run.robot.sleeps, (std::vector<int>{1000, 1000}));
    // The run ends on the first sample past the length.
    EXPECT_GE(run.robot.x, c.length);
    EXPECT_LT(run.robot.x, c.length + 100);
    if (c.cruise) {
      // Slowed to 300 once less than 2000 mm remained: the first 300 comes
      // while the robot is between 2900 and 3000 mm out (80 mm per pass).
      std::size_t slow = 4;
      while (cmds[slow] == (Command{800, 800})) ++slow;
      EXPECT_EQ(cmds[slow], (Command{300, 300}));
    }
  }
}

TEST(RouteFollower, ASquareRouteEndsNearItsLastPointTurningTheShortWay) {
  TempDir dir;
  // Column A is minus y, column B is x: a 2 m square to the left and back.
  const std::string path = dir.write("data_ruta.dat", "0 0\n0 2\n-2 2\n-2 0\n0 0\n");
  Drive run;
  run.station->routeFileName = path.c_str();
  ConsoleCapture capture;
  readRouteFile(*run.station);
  ArPose start, end;
  std::vector<double> headings{run.robot.th};
  run.robot.onPass = [&](FakeRobot& r) { addHeading(headings, r.th); };
  followRoute(run.robot, run.currentPose, start, end, *run.station);
  capture.text();
  // Three left quarter turns at the corners, each the short way round (the
  // first segment lies on the start heading).
  const std::vector<double> turns = netTurns(headings, 10);
  ASSERT_EQ(turns.size(), 3u);
  for (std::size_t i = 0; i < turns.size(); ++i) EXPECT_NEAR(turns[i], 90, 10) << "turn " << i;
  EXPECT_LT(std::hypot(run.robot.x, run.robot.y), 350);
  // Each turn and straight renews its command every pass (0.1 s here): the
  // robot layer stops a command nobody renews for 0.5 s.
  EXPECT_LE(run.robot.longestUnrenewedMotion, 0.2);
  EXPECT_NEAR(ArMath::fixAngle(run.robot.th), -90, 10);  // came back down the last side
  EXPECT_EQ(std::count(run.robot.sleeps.begin(), run.robot.sleeps.end(), 1000), 8);
}

TEST(RouteFollower, NoRouteOrOnePointDrivesNothing) {
  for (const char* text : {static_cast<const char*>(nullptr), "1 1\n"}) {
    TempDir dir;
    const std::string path = text ? dir.write("data_ruta.dat", text) : dir.file("none.dat");
    Drive run;
    run.station->routeFileName = path.c_str();
    ConsoleCapture capture;
    readRouteFile(*run.station);
    ArPose start, end;
    followRoute(run.robot, run.currentPose, start, end, *run.station);
    capture.text();
    EXPECT_TRUE(run.robot.commands.empty());
  }
}

// A robot that cannot make progress (a wall that stalls its wheels, a person
// holding it, a turn that does not turn) is told to stop; the route ends there
// with one line, and no later segment is driven.
TEST(RouteFollower, ARobotThatCannotMakeProgressIsStoppedAndTheRouteEnds) {
  struct Case {
    const char* name;
    // Called after each pass; returns true while the obstacle acts.
    std::function<bool(FakeRobot&)> obstacle;
    int segment;     // the segment the route ends on, counted from 1
    double seconds;  // from the obstacle's first effect to the stop command
  };
  // Points (x, y) mm: (0, 0), (4000, 0), (4000, 1000), (0, 1000).
  const Case cases[] = {
      {"a wall that stalls the wheels",
       [](FakeRobot& r) {
         if (r.x < 2000) return false;
         r.x = 2000;
         r.stalled = true;
         return true;
       },
       1, ProgressWatch::kStallSeconds},
      {"held still, no stall reported", [](FakeRobot& r) { return r.held = r.held || r.x > 1000; },
       1, ProgressWatch::kStillSeconds},
      {"a turn that does not turn",
       [](FakeRobot& r) {
         return r.held = r.held || (r.x > 3900 && r.commands.back() == Command{-64, 64});
       },
       2, ProgressWatch::kStillSeconds},
  };
  for (const Case& c : cases) {
    TempDir dir;
    const std::string path = dir.write("data_ruta.dat", "0 0\n0 4\n-1 4\n-1 0\n");
    Drive run;
    run.station->routeFileName = path.c_str();
    double firstEffect = -1;
    run.robot.onPass = [&](FakeRobot& r) {
      if (c.obstacle(r) && firstEffect < 0) firstEffect = r.seconds();
      // Ten minutes of robot time: the follower would push on for ever.
      if (r.passes > 6000) throw std::runtime_error("the follower never stopped");
    };
    ConsoleCapture capture;
    readRouteFile(*run.station);
    ArPose start, end;
    EXPECT_NO_THROW(followRoute(run.robot, run.currentPose, start, end, *run.station)) << c.name;
    const std::string console = capture.text();

    EXPECT_EQ(run.robot.commands.back(), (Command{0, 0})) << c.name;
    const std::string line =
        "ruta: el robot no avanza en el tramo " + std::to_string(c.segment) + ", ruta detenida\n";
    EXPECT_EQ(countOf(console, "ruta: el robot no avanza"), 1) << c.name << console;
    EXPECT_EQ(console.substr(console.size() - line.size()), line) << c.name;
    // Stopped within one pass of the rule's time.
    ASSERT_GE(firstEffect, 0) << c.name;
    EXPECT_GE(run.robot.seconds() - firstEffect, c.seconds - run.robot.stepSeconds) << c.name;
    EXPECT_LE(run.robot.seconds() - firstEffect, c.seconds + run.robot.stepSeconds) << c.name;
    // Nothing of the last segment was driven: the robot never headed back.
    EXPECT_LT(run.robot.x + 1, 4100) << c.name;
  }
}

TEST(RouteFollower, AMovingRobotIsNotStoppedByAStallBitThatComesAndGoes) {
  TempDir dir;
  const std::string path = dir.write("data_ruta.dat", "0 0\n0 3\n");
  Drive run;
  run.station->routeFileName = path.c_str();
  run.robot.onPass = [](FakeRobot& r) { r.stalled = r.passes % 10 != 0; };  // 0.9 s at most
  ConsoleCapture capture;
  readRouteFile(*run.station);
  ArPose start, end;
  followRoute(run.robot, run.currentPose, start, end, *run.station);
  const std::string console = capture.text();
  EXPECT_EQ(console.find("no avanza"), std::string::npos);
  EXPECT_GE(run.robot.x, 3000);
}

// A route whose last value cannot be driven ends before it: the segments
// before it are driven and the run ends.
TEST(RouteFollower, ARouteCutAtAnOutOfRangeValueDrivesWhatCameBefore) {
  TempDir dir;
  const std::string path = dir.write("data_ruta.dat", "0 0\n0 1\n0 1e300\n");
  Drive run;
  run.station->routeFileName = path.c_str();
  ConsoleCapture capture;
  readRouteFile(*run.station);
  ArPose start, end;
  followRoute(run.robot, run.currentPose, start, end, *run.station);
  capture.text();
  EXPECT_EQ(run.robot.commands.back(), (Command{0, 0}));
  EXPECT_EQ(run.robot.sleeps, (std::vector<int>{1000, 1000}));
  EXPECT_GE(run.robot.x, 1000);
  EXPECT_LT(run.robot.x, 1100);
}
