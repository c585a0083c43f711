#include "gui/station_window.h"

#include <GL/gl.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QGuiApplication>
#include <QIcon>
#include <QMainWindow>
#include <QMenuBar>
#include <QOpenGLContext>
#include <QThread>
#include <QWindow>
#include <cstdio>
#include <memory>
#include <string>

#include "gui/display_probe.h"
#include "gui/gui_application.h"
#include "gui/message_box.h"
#include "gui/render_resources.h"
#include "gui/station_menu.h"
#include "gui/window_events.h"
#include "gui/window_faults.h"

// The icon lives in a resource bundle linked into this static library.
static void initStationIconResource() {
  Q_INIT_RESOURCE(station_icon);
}

namespace {

struct StationWindow {
  bool classRegistered = false;
  std::unique_ptr<QMainWindow> frame;  // owns the container, which owns the GL surface
  QWindow* glWindow = nullptr;
  std::unique_ptr<QOpenGLContext> context;
  std::unique_ptr<WindowEventFilter> filter;
  bool resourcesLoaded = false;
  std::string title;
};

StationWindow station;

constexpr const char* kCreateCaption = "ERROR";
constexpr const char* kShutdownCaption = "ERROR DE APAGADO";

QIcon stationIcon() {
  initStationIconResource();
  return QIcon(QStringLiteral(":/torva/station_icon.bmp"));
}

QSurfaceFormat wantedFormat() {
  QSurfaceFormat format;
  format.setRenderableType(QSurfaceFormat::OpenGL);
  format.setProfile(QSurfaceFormat::CompatibilityProfile);
  format.setDepthBufferSize(16);
  format.setStencilBufferSize(0);
  format.setSwapBehavior(QSurfaceFormat::DoubleBuffer);
  format.setSwapInterval(1);
  return format;
}

void reportShutdownFailure(const char* text) {
  showMessageBox(kShutdownCaption, text, MessageIcon::Information);
}

bool failCreation(const char* text) {
  destroyStationWindow();
  showMessageBox(kCreateCaption, text, MessageIcon::Warning);
  return false;
}

// The drawing area gets exactly width x height; the frame grows by the menu
// bar. The menu bar's height is known only once the toolkit has laid it out,
// which may take a few passes of its event loop.
void fitDrawingArea(QWidget* container, int width, int height) {
  QElapsedTimer timer;
  timer.start();
  do {
    const QSize extra = station.frame->size() - container->size();
    station.frame->resize(width + extra.width(), height + extra.height());
    QApplication::processEvents();
    if (container->size() == QSize(width, height) &&
        station.glWindow->size() == QSize(width, height)) {
      return;
    }
    QThread::msleep(1);
  } while (timer.elapsed() < 2000);
}

// Gives the window system a moment to map the window, so the first frames
// reach the screen; a window that never shows is still usable for drawing.
void waitUntilExposed() {
  QElapsedTimer timer;
  timer.start();
  while (!station.glWindow->isExposed() && timer.elapsed() < 2000) {
    QApplication::processEvents(QEventLoop::AllEvents, 10);
    if (!station.glWindow->isExposed()) QThread::msleep(1);
  }
}

}  // namespace

bool createStationWindow(const char* title, int width, int height, int bits) {
  if (station.classRegistered) destroyStationWindow();
  station.title = title != nullptr ? title : "";

  const bool injected = windowStepFails(WindowStep::RegisterClass);
  if (injected || !ensureGuiApplication()) {
    // Without a display the box text alone would not say what is missing.
    if (!injected) std::fprintf(stderr, "%s\n", noDisplayText().c_str());
    showMessageBox(kCreateCaption, "Fallo al registrar la Windows Class.", MessageIcon::Warning);
    return false;
  }
  station.classRegistered = true;
  QGuiApplication::setWindowIcon(stationIcon());

  if (windowStepFails(WindowStep::CreateWindow)) {
    return failCreation("Error en la creacion de la ventana.");
  }
  station.frame = std::make_unique<QMainWindow>();
  station.frame->setWindowTitle(QString::fromUtf8(station.title.c_str()));
  station.frame->setWindowIcon(stationIcon());
  station.frame->move(0, 0);
  buildStationMenu(station.frame->menuBar());
  auto surface = std::make_unique<QWindow>();
  surface->setSurfaceType(QSurface::OpenGLSurface);
  surface->setFormat(wantedFormat());
  station.glWindow = surface.get();
  QWidget* container = QWidget::createWindowContainer(surface.release(), station.frame.get());
  container->setFocusPolicy(Qt::StrongFocus);
  container->setMinimumSize(1, 1);
  station.frame->setCentralWidget(container);
  station.frame->resize(width, height);
  if (station.frame->winId() == 0) return failCreation("Error en la creacion de la ventana.");

  if (!windowStepFails(WindowStep::DeviceContext)) station.glWindow->create();
  if (station.glWindow->handle() == nullptr) {
    return failCreation("No puede crear un GL Device Context.");
  }

  QSurfaceFormat got = station.glWindow->format();
  if (windowStepFails(WindowStep::ChoosePixelFormat) || bits <= 0 || bits > 32 ||
      got.depthBufferSize() < 16 || got.swapBehavior() == QSurfaceFormat::SingleBuffer) {
    return failCreation("No puede encontrar un Formato de pixel Suitable.");
  }

  if (windowStepFails(WindowStep::SetPixelFormat) || !station.glWindow->supportsOpenGL()) {
    return failCreation("No se puede setear el Formato de Pixel.");
  }

  if (windowStepFails(WindowStep::CreateContext)) {
    return failCreation("No se puede crear un GL Rendering Context.");
  }
  station.context = std::make_unique<QOpenGLContext>();
  station.context->setFormat(got);
  // The dashboard draws with the fixed-function pipeline, which a core
  // profile does not have.
  if (!station.context->create() ||
      station.context->format().profile() == QSurfaceFormat::CoreProfile) {
    return failCreation("No se puede crear un GL Rendering Context.");
  }

  if (windowStepFails(WindowStep::MakeCurrent) || !station.context->makeCurrent(station.glWindow)) {
    return failCreation("No se puede activar el GL Rendering Context.");
  }

  station.filter = std::make_unique<WindowEventFilter>(station.glWindow);
  station.frame->installEventFilter(station.filter.get());
  station.glWindow->installEventFilter(station.filter.get());
  // After a modal dialog the keyboard focus can rest on the drawing area's
  // container, which takes key presses for itself.
  container->installEventFilter(station.filter.get());
  station.frame->show();
  fitDrawingArea(container, width, height);
  station.frame->raise();
  station.frame->activateWindow();
  station.glWindow->requestActivate();
  waitUntilExposed();
  // GL takes a window's new size at the next buffer swap: swap a black frame
  // so that drawing starts on the size as shown.
  glClearColor(0.0f, 0.0f, 0.0f, 1.0f);
  glClear(GL_COLOR_BUFFER_BIT);
  swapStationBuffers();

  ViewSize area = glAreaClientSize();
  resizeView(area.width, area.height);

  station.resourcesLoaded = true;
  if (windowStepFails(WindowStep::InitRenderState) || !initRenderState()) {
    return failCreation("Fallo en la inicializacion.");
  }
  return true;
}

void destroyStationWindow() {
  if (station.context && QOpenGLContext::currentContext() == station.context.get() &&
      station.resourcesLoaded) {
    releaseRenderResources();
  }
  station.resourcesLoaded = false;

  if (station.context) {
    station.context->doneCurrent();
    if (windowStepFails(WindowStep::ReleaseCurrent) ||
        QOpenGLContext::currentContext() != nullptr) {
      reportShutdownFailure("Release Of DC And RC Failed.");
    }
    station.context.reset();
    if (windowStepFails(WindowStep::DeleteContext)) {
      reportShutdownFailure("Release Rendering Context Failed.");
    }
  }

  if (station.filter) {
    if (station.frame) station.frame->removeEventFilter(station.filter.get());
    if (station.glWindow) station.glWindow->removeEventFilter(station.filter.get());
    station.filter.reset();
  }

  if (station.glWindow != nullptr && station.glWindow->handle() != nullptr) {
    station.glWindow->destroy();
    if (windowStepFails(WindowStep::ReleaseDeviceContext) ||
        station.glWindow->handle() != nullptr) {
      reportShutdownFailure("Release Device Context Failed.");
    }
  }

  if (station.frame) {
    station.frame->hide();
    station.frame.reset();
    station.glWindow = nullptr;
    // Deleting a window leaves deferred clean-up in the toolkit's queue.
    QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    if (windowStepFails(WindowStep::DestroyWindow)) {
      reportShutdownFailure("Could Not Release hWnd.");
    }
  }

  if (station.classRegistered) {
    station.classRegistered = false;
    if (windowStepFails(WindowStep::UnregisterClass)) {
      reportShutdownFailure("No puede no registrar la clase.");
    }
  }
  station.title.clear();
}

void focusDrawingArea() {
  if (!station.frame || station.glWindow == nullptr) return;
  if (QWidget* area = station.frame->centralWidget()) area->setFocus(Qt::OtherFocusReason);
  station.glWindow->requestActivate();
}

bool stationWindowOpen() {
  return station.context != nullptr && station.frame != nullptr;
}

const char* stationWindowTitle() {
  return station.title.c_str();
}

void processPendingEvents() {
  if (QApplication::instance() == nullptr) return;
  QApplication::sendPostedEvents();
  QApplication::processEvents();
}

void waitForEvents() {
  if (QApplication::instance() == nullptr) return;
  QApplication::processEvents(QEventLoop::WaitForMoreEvents);
}

void swapStationBuffers() {
  if (!stationWindowOpen()) return;
  station.context->swapBuffers(station.glWindow);
  // Some platforms release the surface after a swap; keep drawing on it.
  if (QOpenGLContext::currentContext() != station.context.get()) {
    station.context->makeCurrent(station.glWindow);
  }
}

ViewSize glAreaClientSize() {
  if (station.glWindow == nullptr) return {};
  QSize size = station.glWindow->size() * station.glWindow->devicePixelRatio();
  return ViewSize{size.width(), size.height()};
}

WindowCensus stationWindowCensus() {
  WindowCensus census;
  if (QGuiApplication::instance() != nullptr) {
    for (QWindow* window : QGuiApplication::allWindows()) {
      if (window->handle() != nullptr) ++census.toolkitWindows;
    }
  }
  census.contextCurrent = QOpenGLContext::currentContext() != nullptr;
  return census;
}
