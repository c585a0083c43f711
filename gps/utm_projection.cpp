#include "gps/utm_projection.h"

#include <cmath>

namespace {

constexpr double kPi = 3.1416;
constexpr int kCentralMeridian = -69;
constexpr double kSecondEccentricitySquared = 0.0067681703;
constexpr int kPolarRadius = 6399936;
constexpr double kScale = 0.9996;
constexpr double kFalseEasting = 500000;
constexpr double kFalseNorthing = 10000000;

double radians(const GeoAngle& angle, char positive) {
  const double degrees = angle.degrees + angle.minutes / 60;
  return (angle.hemisphere == positive ? degrees : -degrees) * kPi / 180;
}

}  // namespace

UtmPoint projectGeoToUtm(const GeoAngle& latitude, const GeoAngle& longitude) {
  const double e2 = kSecondEccentricitySquared;
  const double phi = radians(latitude, 'N');
  const double lambda = radians(longitude, 'E');
  const double deltaLambda = lambda - (kCentralMeridian * kPi / 180);

  const double cosPhi = std::cos(phi);
  const double cos2Phi = cosPhi * cosPhi;
  const double a = cosPhi * std::sin(deltaLambda);
  const double xi = 0.5 * std::log((1 + a) / (1 - a));
  const double eta = std::atan(std::tan(phi) / std::cos(deltaLambda)) - phi;
  const double nu = kPolarRadius * kScale / std::sqrt(1 + e2 * cos2Phi);
  const double zeta = e2 * xi * xi * cos2Phi / 2;
  const double a1 = std::sin(2 * phi);
  const double a2 = a1 * cos2Phi;
  const double j2 = phi + a1 / 2;
  const double j4 = (3 * j2 + a2) / 4;
  const double j6 = (5 * j4 + a2 * cos2Phi) / 3;
  const double alpha = 3 * e2 / 4;
  const double beta = 5 * alpha * alpha / 3;
  const double gamma = 35 * alpha * alpha * alpha / 27;
  const double bPhi = kPolarRadius * kScale * (phi - alpha * j2 + beta * j4 - gamma * j6);

  UtmPoint p;
  p.x = xi * nu * (1 + zeta / 3) + kFalseEasting;
  p.y = eta * nu * (1 + zeta) + bPhi + kFalseNorthing;
  return p;
}
