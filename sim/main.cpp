// torva-sim: a robot on the robot's packet protocol, over TCP and optionally
// a pseudo-terminal, in a world of walls that its laser file and GPS
// pseudo-terminal describe, until SIGINT or SIGTERM.
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <memory>

#include "sim/gps_emitter.h"
#include "sim/laser_file_writer.h"
#include "sim/robot_body.h"
#include "sim/sim_options.h"
#include "sim/sim_server.h"
#include "sim/sim_world.h"

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
  WorldMap world;
  if (!loadSimWorld(worldOptions.mapPath, world, error)) {
    std::fprintf(stderr, "torva-sim: mapa no valido: %s\n", error.c_str());
    return 1;
  }
  // Signals are taken by sigwait below, not by whichever thread they hit.
  sigset_t stopSignals;
  sigemptyset(&stopSignals);
  sigaddset(&stopSignals, SIGINT);
  sigaddset(&stopSignals, SIGTERM);
  pthread_sigmask(SIG_BLOCK, &stopSignals, nullptr);
  std::signal(SIGPIPE, SIG_IGN);

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
  std::unique_ptr<GpsEmitter> gps;
  if (worldOptions.gpsPty) {
    GpsSettings settings;
    settings.origin = worldOptions.gpsOrigin;
    settings.dropEvery = worldOptions.gpsDropEvery;
    settings.corruptEvery = worldOptions.gpsCorruptEvery;
    gps = std::make_unique<GpsEmitter>(pose, settings);
    if (!gps->start(error)) {
      std::fprintf(stderr, "torva-sim: %s\n", error.c_str());
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
  if (gps) std::printf("torva-sim gps en %s\n", gps->ptyPath().c_str());
  std::fflush(stdout);

  int signal = 0;
  sigwait(&stopSignals, &signal);
  // The sensors read the server's robot: they stop first.
  if (gps) gps->stop();
  if (laser) laser->stop();
  server.stop();
  std::printf("torva-sim terminado\n");
  std::fflush(stdout);
  std::_Exit(0);
}
