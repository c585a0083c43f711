// torva-sim: a robot on the robot's packet protocol, over TCP and optionally
// a pseudo-terminal, in a world of walls that its laser file and GPS
// pseudo-terminal describe, until SIGINT or SIGTERM; or, with --replay, the
// robot, laser and GPS of a recording of the station, played back.
#include <algorithm>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <vector>

#include "sim/cola_scanner_sim.h"
#include "sim/gps_emitter.h"
#include "sim/laser_file_writer.h"
#include "sim/lms_scanner_sim.h"
#include "sim/replay_player.h"
#include "sim/replay_recording.h"
#include "sim/robot_body.h"
#include "sim/sim_options.h"
#include "sim/sim_server.h"
#include "sim/sim_world.h"

namespace {
sigset_t blockStopSignals() {
  // Signals are taken by sigwait, not by whichever thread they hit.
  sigset_t stopSignals;
  sigemptyset(&stopSignals);
  sigaddset(&stopSignals, SIGINT);
  sigaddset(&stopSignals, SIGTERM);
  pthread_sigmask(SIG_BLOCK, &stopSignals, nullptr);
  std::signal(SIGPIPE, SIG_IGN);
  return stopSignals;
}

int replayMain(SimOptions options, const WorldOptions& world) {
  ReplayRecording recording;
  std::string error;
  if (!loadReplayRecording(world.replayDir, recording, error)) {
    std::fprintf(stderr, "torva-sim: registro no valido: %s\n", error.c_str());
    return 1;
  }
  const std::size_t packets = recording.packets.size();
  const std::size_t scans = recording.scans.size();
  const std::size_t gpsBytes = recording.gpsBytes.size();
  const double length = recording.lengthSeconds();
  sigset_t stopSignals = blockStopSignals();

  // Packets go out at their recorded times, not once a simulated cycle.
  options.cycleMs = std::min(options.cycleMs, 10);
  ReplaySettings settings;
  settings.laserDir = world.laserDir;
  settings.gpsPty = world.gpsPty;
  settings.speed = world.replaySpeed;
  ReplayPlayer player(std::move(recording), settings);
  SimServer server(options);
  server.setStatusFeed([&player](bool open, std::vector<std::vector<uint8_t>>& out) {
    player.duePackets(open, out);
  });
  if (!server.start(error)) {
    std::fprintf(stderr, "torva-sim: %s\n", error.c_str());
    return 1;
  }
  if (!player.start(error)) {
    std::fprintf(stderr, "torva-sim: %s\n", error.c_str());
    server.stop();
    return 1;
  }
  std::printf(
      "torva-sim reproduce %s: %zu paquetes, %zu barridos, %zu bytes de GPS, %.1f s a %gx\n",
      world.replayDir.c_str(), packets, scans, gpsBytes, length, world.replaySpeed);
  if (options.tcp)
    std::printf("torva-sim escuchando en %s:%d\n", options.address.c_str(), server.tcpPort());
  if (options.pty) std::printf("torva-sim linea serie en %s\n", server.ptyPath().c_str());
  if (!world.laserDir.empty()) std::printf("torva-sim laser en %s\n", player.laserPath().c_str());
  if (world.gpsPty) std::printf("torva-sim gps en %s\n", player.gpsPath().c_str());
  std::fflush(stdout);

  bool told = false;
  const timespec poll{0, 200 * 1000 * 1000};
  while (sigtimedwait(&stopSignals, nullptr, &poll) < 0) {
    if (!told && player.finished()) {
      std::printf("torva-sim: fin del registro\n");
      std::fflush(stdout);
      told = true;
    }
  }
  player.stop();
  server.stop();
  std::printf("torva-sim terminado\n");
  std::fflush(stdout);
  std::_Exit(0);
}
}  // namespace

int main(int argc, char** argv) {
  SimOptions options;
  WorldOptions worldOptions;
  SimRequest request = SimRequest::Run;
  std::string error;
  if (!parseSimOptions(argc, argv, options, worldOptions, request, error)) {
    std::fprintf(stderr, "torva-sim: %s\n%s", error.c_str(), simUsage());
    return 2;
  }
  if (request == SimRequest::Help) {
    std::fputs(simUsage(), stdout);
    return 0;
  }
  if (request == SimRequest::Version) {
    std::fputs(simVersionText(), stdout);
    return 0;
  }
  if (!worldOptions.replayDir.empty()) return replayMain(options, worldOptions);
  WorldMap world;
  if (!loadSimWorld(worldOptions.mapPath, world, error)) {
    std::fprintf(stderr, "torva-sim: mapa no valido: %s\n", error.c_str());
    return 1;
  }
  sigset_t stopSignals = blockStopSignals();

  SimServer server(options);
  const double radius = bodyRadiusForModel(options.model);
  bool homeClear = true;
  server.withRobot([&](SimRobot& robot) { homeClear = placeRobotInWorld(robot, world, radius); });
  if (!server.start(error)) {
    std::fprintf(stderr, "torva-sim: %s\n", error.c_str());
    return 1;
  }
  const PoseSource pose = [&server] { return server.truePose(); };
  std::unique_ptr<LaserFileWriter> laser;
  if (!worldOptions.laserDir.empty()) {
    LaserFileSettings settings;
    settings.dir = worldOptions.laserDir;
    settings.scan.noiseCm = worldOptions.laserNoiseCm;
    laser = std::make_unique<LaserFileWriter>(world.walls, pose, settings);
    if (!laser->start(error)) {
      std::fprintf(stderr, "torva-sim: %s\n", error.c_str());
      server.stop();
      return 1;
    }
  }
  std::unique_ptr<SimLmsScanner> lms;
  if (worldOptions.lmsPty) {
    LmsSimSettings settings;
    settings.refuseContinuous = worldOptions.lmsNoContinuous;
    lms = std::make_unique<SimLmsScanner>(world.walls, pose, settings);
    if (!lms->start(error)) {
      std::fprintf(stderr, "torva-sim: %s\n", error.c_str());
      if (laser) laser->stop();
      server.stop();
      return 1;
    }
  }
  std::unique_ptr<SimColaScanner> cola;
  if (worldOptions.colaPort >= 0) {
    ColaSimSettings settings;
    settings.port = worldOptions.colaPort;
    settings.refuseEvents = worldOptions.colaNoEvents;
    cola = std::make_unique<SimColaScanner>(world.walls, pose, settings);
    if (!cola->start(error)) {
      std::fprintf(stderr, "torva-sim: %s\n", error.c_str());
      if (lms) lms->stop();
      if (laser) laser->stop();
      server.stop();
      return 1;
    }
  }
  std::unique_ptr<GpsEmitter> gps;
  if (worldOptions.gpsPty) {
    GpsSettings settings;
    settings.origin = worldOptions.gpsOrigin;
    settings.dropEvery = worldOptions.gpsDropEvery;
    settings.corruptEvery = worldOptions.gpsCorruptEvery;
    gps = std::make_unique<GpsEmitter>(pose, settings);
    if (!gps->start(error)) {
      std::fprintf(stderr, "torva-sim: %s\n", error.c_str());
      if (cola) cola->stop();
      if (lms) lms->stop();
      if (laser) laser->stop();
      server.stop();
      return 1;
    }
  }

  std::printf("torva-sim mapa: %s (%zu paredes), robot en %.0f %.0f %.0f, radio %.0f mm\n",
              worldOptions.mapPath.empty() ? "sala por defecto" : worldOptions.mapPath.c_str(),
              world.walls.size(), world.homeX, world.homeY, world.homeTh, radius);
  if (!homeClear) std::printf("torva-sim aviso: el robot empieza tocando una pared\n");
  if (gps && (worldOptions.gpsOrigin.latDeg > 0 || worldOptions.gpsOrigin.lonDeg < -72 ||
              worldOptions.gpsOrigin.lonDeg > -66)) {
    // The station projects every fix as southern, in zone 19.
    std::printf("torva-sim aviso: el origen GPS esta fuera de la zona UTM 19 sur (72 O a 66 O)\n");
  }
  if (options.tcp)
    std::printf("torva-sim escuchando en %s:%d\n", options.address.c_str(), server.tcpPort());
  if (options.pty) std::printf("torva-sim linea serie en %s\n", server.ptyPath().c_str());
  if (laser) std::printf("torva-sim laser en %s\n", laser->filePath().c_str());
  if (lms) std::printf("torva-sim lms en %s\n", lms->ptyPath().c_str());
  if (cola) std::printf("torva-sim cola en 127.0.0.1:%d\n", cola->port());
  if (gps) std::printf("torva-sim gps en %s\n", gps->ptyPath().c_str());
  std::fflush(stdout);

  int signal = 0;
  sigwait(&stopSignals, &signal);
  // The sensors read the server's robot: they stop first.
  if (gps) gps->stop();
  if (cola) cola->stop();
  if (lms) lms->stop();
  if (laser) laser->stop();
  server.stop();
  std::printf("torva-sim terminado\n");
  std::fflush(stdout);
  std::_Exit(0);
}
