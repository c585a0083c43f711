#pragma once
// The simulated robot's body: a differential drive with acceleration and speed
// limits, integrated once per cycle, and its odometry as the status packet
// reports it. Knows nothing of links or packets beyond building its status.
#include <functional>
#include <string>

#include "aria/ar_status_packet.h"

struct SimRobotConfig {
  std::string model = "p3dx-sh";
  double distConv = 1.0;        // mm per count
  double angleConv = 0.001534;  // rad per unit
  double diffConv = 0.0056;     // rad/s per mm/s of wheel difference, halved
  double maxVel = 1500;         // mm/s, top speed of a wheel
  double maxRotVel = 300;       // deg/s
  double accel = 300;           // mm/s^2
  double decel = 300;
  double rotAccel = 100;  // deg/s^2
  double rotDecel = 100;
  double batteryVolts = 12.5;
};

// Pose in mm and radians, heading in (-pi, pi].
struct SimPose {
  double x = 0;
  double y = 0;
  double th = 0;
};

class SimRobot {
 public:
  explicit SimRobot(const SimRobotConfig& config = {});

  void enableMotors(bool on);
  bool motorsEnabled() const { return enabled_; }
  // Motion commands; ignored while the motors are off.
  void setWheelVels(double leftMmPerS, double rightMmPerS);
  void setVel(double mmPerS);
  void setRotVel(double degPerS);
  void setHeading(double degrees);  // absolute, in the odometry frame
  void stop();                      // ramp down, motors stay on
  void emergencyStop();             // wheels stopped at once
  void resetOdometry();
  void setAccel(double mmPerS2);  // > 0 acceleration, < 0 deceleration
  void setMaxVel(double mmPerS);
  void setMaxRotVel(double degPerS);
  void setRotAccel(double degPerS2);  // > 0 acceleration, < 0 deceleration
  void setSonar(bool on) { sonar_ = on; }

  // The space the body moves in: clearance(x, y) is the distance in mm from
  // the body's centre to the nearest obstacle. A body of the given radius stops
  // where it would touch one and reports both wheels stalled while it pushes.
  using Clearance = std::function<double(double x, double y)>;
  void setBody(double radiusMm, Clearance clearance);
  double radius() const { return radius_; }
  bool stalled() const { return stalled_; }

  // Advances the body by dt seconds.
  void step(double dt);

  SimPose truePose() const { return true_; }
  // Moves the body (tests, a world placing the robot); odometry is untouched.
  void placeAt(const SimPose& pose) { true_ = pose; }
  SimPose odometryPose() const { return odo_; }
  double leftVel() const { return left_; }
  double rightVel() const { return right_; }
  const SimRobotConfig& config() const { return config_; }

  ArStatusFields status() const;

 private:
  enum class Mode { Wheels, VelRot, Heading };
  void wheelTargets(double& left, double& right) const;
  double allowedFraction(double dx, double dy) const;

  SimRobotConfig config_;
  bool enabled_ = false;  // a robot comes up with its motors off
  bool sonar_ = false;
  Mode mode_ = Mode::Wheels;
  double targetLeft_ = 0, targetRight_ = 0;
  double targetVel_ = 0, targetRotVel_ = 0;  // mm/s, rad/s
  double targetHeading_ = 0;                 // rad, odometry frame
  double left_ = 0, right_ = 0;              // actual wheel speeds, mm/s
  SimPose true_;
  SimPose odo_;
  double radius_ = 0;
  Clearance clearance_;
  bool stalled_ = false;
};

// Stall bits of the status packet: bit 0 left wheel, bit 8 right wheel.
inline constexpr uint16_t kStallLeft = 0x0001;
inline constexpr uint16_t kStallRight = 0x0100;

double simNormalizeRad(double a);
