#include "dashboard/dashboard_signature.h"

#include <cstring>

#include "dashboard/map_texture.h"

namespace {
// FNV-1a over the bytes of each value shown.
class Fingerprint {
 public:
  template <class T>
  void add(const T& value) {
    unsigned char bytes[sizeof(T)];
    std::memcpy(bytes, &value, sizeof(T));
    addBytes(bytes, sizeof(T));
  }
  void addBytes(const unsigned char* bytes, std::size_t size) {
    for (std::size_t i = 0; i < size; ++i) {
      hash_ ^= bytes[i];
      hash_ *= 0x100000001b3ULL;
    }
  }
  std::uint64_t value() const { return hash_; }

 private:
  std::uint64_t hash_ = 0xcbf29ce484222325ULL;
};
}  // namespace

std::uint64_t dashboardInputSignature(const DashboardInputs& inputs) {
  Fingerprint f;
  f.add(inputs.manualSpeed);
  f.add(inputs.mouseButtonHeld);
  return f.value();
}

std::uint64_t dashboardSignature(const RobotController& rc, const DashboardInputs& inputs) {
  Fingerprint f;
  f.add(dashboardInputSignature(inputs));
  f.add(dashboardDataSignature(rc));
  return f.value();
}

std::uint64_t dashboardDataSignature(const RobotController& rc) {
  Fingerprint f;
  f.add(rc.odoDisplacementX.load());
  f.add(rc.odoDisplacementY.load());
  f.add(rc.headingRad.load());
  f.add(rc.robotSpeed.load());
  f.add(rc.gpsLatHemisphere.load());
  f.add(rc.gpsLatDegrees.load());
  f.add(rc.gpsLatMinutes.load());
  f.add(rc.gpsLonHemisphere.load());
  f.add(rc.gpsLonDegrees.load());
  f.add(rc.gpsLonMinutes.load());
  f.add(rc.gpsDisplacementX.load());
  f.add(rc.gpsDisplacementY.load());
  f.add(rc.laserDisplayRange.load());

  const LaserScanView scan = laserScan(rc);
  f.add(scan.count);
  f.add(scan.buffer);
  for (int i = 0; i < scan.count; ++i) f.add(scan[i]);

  // The map's cells are fingerprinted again only when its view's key changed
  // (main thread only).
  static MapTexels texels;
  static MapViewKey hashed;
  static std::uint64_t mapPrint = 0;
  const MapViewKey key = mapViewKey(rc);
  if (mapPrint == 0 || key != hashed) {
    fillMapTexels(rc, key, texels);
    Fingerprint map;
    map.addBytes(texels.data(), texels.size());
    mapPrint = map.value();
    hashed = key;
  }
  f.add(mapPrint);
  return f.value();
}
