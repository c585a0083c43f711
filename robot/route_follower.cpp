#include "robot/route_follower.h"

#include <string>

#include "os/console_print.h"
#include "robot/progress_watch.h"
#include "robot/route_rules.h"
#include "state/robot_controller.h"

namespace {
constexpr float kTurnTolerance = 5.0f;     // degrees, inclusive at both ends
constexpr double kTurnWheelSpeed = 64;     // mm/s
constexpr float kTurnRate = 0.31219512f;   // rad/s: 0.064 m/s over half the 0.41 m track
constexpr double kCruiseSpeed = 800;       // mm/s
constexpr double kSlowSpeed = 300;         // mm/s
constexpr float kCruiseMinLength = 3000;   // mm: longer segments start at cruise speed
constexpr float kSlowDownDistance = 2000;  // mm before the end
constexpr int kPauseMs = 1000;

void printPose(const ArPose& p) {
  consolePrintf("[%lf] [%lf] [%lf]\n", p.getX() / 1000, p.getY() / 1000, p.getTh());
}

// A robot that cannot make progress is stopped at once; the segment is not
// finished.
bool stopStuck(MotionPort& robot) {
  robot.setVel2(0, 0);
  return false;
}
}  // namespace

ArPose routePoint(const RobotController& station, int i) {
  const auto route = station.route();
  if (!route || i < 0 || static_cast<std::size_t>(i) >= route->routeColumnA.size()) return {};
  const auto k = static_cast<std::size_t>(i);
  return ArPose(route->routeColumnB[k], -route->routeColumnA[k], 0);
}

bool followSegment(MotionPort& robot, ArPose& currentPose, const ArPose& segmentStart,
                   const ArPose& segmentEnd, RobotController& station) {
  refreshPoseRebased(robot, currentPose, station);
  const float angularError = static_cast<float>(currentPose.findAngleTo(segmentStart));
  const float phi = static_cast<float>(currentPose.findAngleTo(segmentEnd));

  const TurnChoice turn = chooseTurn(static_cast<float>(currentPose.getTh()), phi);
  const double turnLeft = turn.positivo ? -kTurnWheelSpeed : kTurnWheelSpeed;
  const float turnRate = turn.positivo ? kTurnRate : -kTurnRate;

  refreshPoseRebased(robot, currentPose, station);
  printPose(currentPose);
  robot.setVel2(0, 0);

  refreshPoseRebased(robot, currentPose, station);
  float deltaPhi = phi - static_cast<float>(currentPose.getTh());
  robot.setVel2(turnLeft, -turnLeft);

  // The block is printed when its values change, at most once per new pose,
  // so the console is not flooded between robot cycles.
  float shownHeading = 0;
  float shownDelta = 0;
  bool shown = false;
  ProgressWatch turning;
  while (deltaPhi > kTurnTolerance || deltaPhi < -kTurnTolerance) {
    robot.waitPass();
    refreshPoseRebased(robot, currentPose, station);
    if (turning.stuck(robot.seconds(), currentPose, robot.wheelStalled())) return stopStuck(robot);
    // Renewed every pass: the robot layer drops a command nobody renews.
    robot.setVel2(turnLeft, -turnLeft);
    const float heading = static_cast<float>(currentPose.getTh());
    deltaPhi = phi - heading;
    if (shown && heading == shownHeading && deltaPhi == shownDelta) continue;
    shown = true;
    shownHeading = heading;
    shownDelta = deltaPhi;
    std::string block;
    appendf(block, "angulo actual %f\n", static_cast<double>(heading));
    appendf(block, "angulo phi     %f\n", static_cast<double>(phi));
    appendf(block, "delta phi      %f\n", static_cast<double>(deltaPhi));
    appendf(block, "velocidad de giro     %f\n", static_cast<double>(turnRate));
    appendf(block, "error angular      %f\n", static_cast<double>(angularError));
    appendf(block, "regla %d--> %d fin %f ini %f \n", turn.regla, turn.positivo,
            static_cast<double>(phi), static_cast<double>(heading));
    consoleBlock(block);
  }
  robot.setVel2(0, 0);
  robot.sleepMs(kPauseMs);

  refreshPoseRebased(robot, currentPose, station);
  printPose(currentPose);
  const float length = static_cast<float>(segmentStart.findDistanceTo(segmentEnd));
  double speed = length > kCruiseMinLength ? kCruiseSpeed : kSlowSpeed;
  robot.setVel2(speed, speed);
  ArPose previous = currentPose;

  float covered = 0;
  float shownCovered = -1;
  ProgressWatch driving;
  while (covered <= length) {
    if (length - covered < kSlowDownDistance) speed = kSlowSpeed;
    robot.setVel2(speed, speed);  // the slow-down, or the same command renewed
    robot.waitPass();
    refreshPoseRebased(robot, currentPose, station);
    if (driving.stuck(robot.seconds(), currentPose, robot.wheelStalled())) return stopStuck(robot);
    covered += static_cast<float>(currentPose.findDistanceTo(previous));
    previous = currentPose;
    if (covered == shownCovered) continue;
    shownCovered = covered;
    std::string block;
    appendf(block, "distancia %f ", static_cast<double>(covered));
    consoleBlock(block);
  }
  robot.setVel2(0, 0);
  robot.sleepMs(kPauseMs);
  return true;
}

void followRoute(MotionPort& robot, ArPose& currentPose, ArPose& segmentStart, ArPose& segmentEnd,
                 RobotController& station) {
  if (!station.routeLoaded) return;
  const int last = station.routeLastIndex;
  for (int i = 0; i < last; ++i) {
    segmentStart = routePoint(station, i);
    segmentEnd = routePoint(station, i + 1);
    if (!followSegment(robot, currentPose, segmentStart, segmentEnd, station)) {
      consolePrintf("ruta: el robot no avanza en el tramo %d, ruta detenida\n", i + 1);
      return;
    }
  }
}
