// Whole dashboard frames against the kept pictures in tests/data/dashboard/,
// pixel by pixel. The scenes are drawn one after another in one window, then
// again in the opposite order, so that whatever the drawing keeps from one
// frame to the next (built geometry, the uploaded map) is checked both when
// it must be rebuilt and when it is reused.
#include "dashboard_pictures.h"

#include <QDir>
#include <QImage>
#include <algorithm>
#include <cstdlib>
#include <string>
#include <vector>

#include "dashboard_scene.h"

namespace {

// The pictures were drawn with Mesa's llvmpipe; the same drawing on the same
// renderer gives the same bytes, so no pixel may differ. (A different GL
// implementation rasterises lines and edges its own way: there these
// pictures do not apply.)
constexpr int kMostDifferingPixels = 0;

struct Difference {
  int pixels = 0;   // pixels whose colour differs
  int largest = 0;  // largest difference of one channel
  int firstX = -1, firstY = -1;
};

Difference compare(const QImage& drawn, const QImage& kept) {
  Difference d;
  for (int y = 0; y < kept.height(); ++y) {
    const uchar* a = drawn.constScanLine(y);
    const uchar* b = kept.constScanLine(y);
    for (int x = 0; x < kept.width(); ++x) {
      int worst = 0;
      for (int c = 0; c < 3; ++c) worst = std::max(worst, std::abs(a[x * 3 + c] - b[x * 3 + c]));
      if (worst == 0) continue;
      if (d.pixels++ == 0) d.firstX = x, d.firstY = y;
      d.largest = std::max(d.largest, worst);
    }
  }
  return d;
}

using DashboardPicturesTest = DashboardSceneTest;

TEST_F(DashboardPicturesTest, FramesMatchTheKeptPictures) {
  std::vector<pictures::Scene> order(std::begin(pictures::kScenes), std::end(pictures::kScenes));
  order.insert(order.end(), order.rbegin(), order.rend());
  const QString failed = QStringLiteral(TORVA_BINARY_DIR "/dashboard_pictures");
  for (const pictures::Scene& scene : order) {
    SCOPED_TRACE(scene.name);
    rc = std::make_unique<RobotController>();
    inputs = DashboardInputs{};
    scene.set(*rc, inputs);
    drawDashboard(*rc, arcs.cosines.data(), arcs.sines.data(), inputs);
    const QImage drawn = pictures::readWindow();
    const QImage kept = QImage(QString(TORVA_TEST_DATA "/dashboard/") + scene.name + ".png")
                            .convertToFormat(QImage::Format_RGB888);
    ASSERT_EQ(kept.size(), drawn.size());
    const Difference d = compare(drawn, kept);
    EXPECT_LE(d.pixels, kMostDifferingPixels)
        << "largest channel difference " << d.largest << ", first at (" << d.firstX << ", "
        << d.firstY << ") from the top left; the frame drawn is in " << failed.toStdString();
    if (d.pixels > kMostDifferingPixels) {
      QDir().mkpath(failed);
      drawn.save(failed + "/" + scene.name + ".png", "PNG");
    }
  }
}

}  // namespace
