#pragma once
// The files of one recording (registros/AAAAMMDD-HHMMSS/ in the station's run
// folder) and the header row of each text file. The README describes every
// column.
#include <cstdint>

namespace recording {
inline constexpr const char* kFolder = "registros";

inline constexpr const char* kGpsBytes = "gps.nmea";  // the GPS line's bytes, as received
inline constexpr const char* kGpsTimes = "gps_tiempos.csv";
inline constexpr const char* kLaser = "laser.tsv";
inline constexpr const char* kLaserPose = "laser_pose.csv";
inline constexpr const char* kRobot = "robot.csv";
inline constexpr const char* kRobotPackets = "robot.bin";  // the status packets, as received
inline constexpr const char* kConnections = "conexiones.csv";
inline constexpr const char* kCommands = "comandos.csv";
inline constexpr const char* kMap = "mapa.png";
// The wall-clock time the run's times count from: one line, seconds since
// 1970-01-01 UTC with microseconds. Recordings made before it have only the
// folder's name (local time, to the second).
inline constexpr const char* kStart = "inicio.txt";

inline constexpr const char* kGpsTimesHeader = "tiempo_s,bytes";
inline constexpr const char* kLaserHeader = "tiempo_s\tlecturas\tdistancias_m";
inline constexpr const char* kLaserPoseHeader = "tiempo_s,fila,columna,rumbo_rad,paquete";
inline constexpr const char* kRobotHeader =
    "tiempo_s,x_mm,y_mm,rumbo_grados,vel_izquierda_mm_s,vel_derecha_mm_s,vel_mm_s,bloqueo,"
    "bateria_v,odometria_dx_m,odometria_dy_m,gps_dx_m,gps_dy_m";
inline constexpr const char* kConnectionsHeader = "tiempo_s,nombre,clase,modelo";
inline constexpr const char* kCommandsHeader = "tiempo_s,origen,numero,argumento";

// Origins of comandos.csv rows.
inline constexpr const char* kOriginRobot = "robot";     // a command sent to the robot
inline constexpr const char* kOriginKey = "tecla";       // a key pressed (1) or released (0)
inline constexpr const char* kOriginMenu = "menu";       // a menu command
inline constexpr const char* kOriginDialog = "dialogo";  // a dialog button; argument: the dialog
inline constexpr const char* kOriginWindow = "ventana";  // the window closed by the operator

// Readers refuse a file larger than this: an hour of the demo is far below it
// (see the README), and a file this size is not a recording.
inline constexpr std::int64_t kMaxFileBytes = std::int64_t{1} << 30;
}  // namespace recording
