#include "aria/ar_encoder_odometry.h"

#include <cmath>

int wrapCountDelta(int now, int before) {
  int d = now - before;
  if (d > 0x1000)
    d -= 0x8000;
  else if (d < -0x1000)
    d += 0x8000;
  return d;
}

void applyStatusToOdometry(ArEncoderOdometry& odo, const ArStatusFields& status,
                           const ArRobotParams& params) {
  const int x = status.xCounts & 0x7FFF;
  const int y = status.yCounts & 0x7FFF;
  const int th = status.thUnits;
  if (!odo.started) {
    odo.raw.setPose(x * params.distConvFactor, y * params.distConvFactor,
                    ArMath::radToDeg(th * params.angleConvFactor));
    odo.started = true;
  } else {
    const double dx = wrapCountDelta(x, odo.lastX) * params.distConvFactor;
    const double dy = wrapCountDelta(y, odo.lastY) * params.distConvFactor;
    const double dth = ArMath::radToDeg((th - odo.lastTh) * params.angleConvFactor);
    odo.raw.setPose(odo.raw.getX() + dx, odo.raw.getY() + dy, odo.raw.getTh() + dth);
  }
  odo.lastX = x;
  odo.lastY = y;
  odo.lastTh = th;
}

ArPose applyEncoderTransform(const ArPose& t, const ArPose& p) {
  const double c = std::cos(t.getThRad());
  const double s = std::sin(t.getThRad());
  return ArPose(t.getX() + p.getX() * c - p.getY() * s, t.getY() + p.getX() * s + p.getY() * c,
                p.getTh() + t.getTh());
}
