#pragma once
// Numbers of the station's resources: the menu's command ids, the dialogs and
// their control ids. The window procedure and the dialog procedures act on
// these; the toolkit side builds the menu and dialogs with them.

namespace res {
// Menu 109.
inline constexpr int kMenuStation = 109;
inline constexpr int kCmdSerialMode = 32774;
inline constexpr int kCmdRobot1 = 32776;
inline constexpr int kCmdRobot2 = 32777;
inline constexpr int kCmdMobileSim = 32778;
inline constexpr int kCmdSaveStatistics = 32787;
inline constexpr int kCmdExit = 105;
inline constexpr int kCmdLaser5 = 32779;
inline constexpr int kCmdLaser10 = 32782;
inline constexpr int kCmdLaser25 = 32783;
inline constexpr int kCmdLaser50 = 32784;
inline constexpr int kCmdAbout = 104;

// Dialogs.
inline constexpr int kDialogAbout = 103;
inline constexpr int kDialogIp = 138;
inline constexpr int kDialogSerial = 140;

// Control ids shared by the dialogs.
inline constexpr int kIdOk = 1;      // "Aceptar"; "Manual" in the IP dialog
inline constexpr int kIdCancel = 2;  // "Cancelar"
inline constexpr int kIdIpAuto = 3;  // "Automatico" in the IP dialog
inline constexpr int kIdIpAddress = 1019;
inline constexpr int kIdSerialSelected = 1032;
inline constexpr int kIdSerialManual = 1033;
inline constexpr int kIdSerialAuto = 1034;

// Port buttons of the serial dialog, in port order "COM1" .. "COM12".
inline constexpr int kPortButtonIds[12] = {1022, 1023, 4,    1024, 1025, 5,
                                           1026, 1027, 1028, 1029, 1030, 1031};
inline constexpr const char* kPortNames[12] = {"COM1", "COM2", "COM3", "COM4",  "COM5",  "COM6",
                                               "COM7", "COM8", "COM9", "COM10", "COM11", "COM12"};
}  // namespace res
