#pragma once
// The robot library's pose value: position in millimetres, heading in degrees
// kept in (-180, 180].

namespace ArMath {
// Brings an angle in degrees into (-180, 180].
double fixAngle(double degrees);
double degToRad(double degrees);
double radToDeg(double radians);
}  // namespace ArMath

class ArPose {
 public:
  ArPose(double x = 0, double y = 0, double thDegrees = 0) { setPose(x, y, thDegrees); }

  void setPose(double x, double y, double thDegrees) {
    x_ = x;
    y_ = y;
    setTh(thDegrees);
  }
  void setX(double x) { x_ = x; }
  void setY(double y) { y_ = y; }
  void setTh(double thDegrees) { th_ = ArMath::fixAngle(thDegrees); }
  void setThRad(double thRadians) { setTh(ArMath::radToDeg(thRadians)); }

  double getX() const { return x_; }
  double getY() const { return y_; }
  double getTh() const { return th_; }
  double getThRad() const { return ArMath::degToRad(th_); }

  // Straight-line distance to another pose, mm.
  double findDistanceTo(const ArPose& other) const;
  // Bearing from this pose's position to the other's, degrees in (-180, 180].
  double findAngleTo(const ArPose& other) const;

 private:
  double x_ = 0;
  double y_ = 0;
  double th_ = 0;
};
