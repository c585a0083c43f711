#pragma once
// Network addresses of the robots the IP menu connects to.

// Robot 1 and robot 2: fixed hosts on the local network, overridable with
// $TORVA_ROBOT1 and $TORVA_ROBOT2.
const char* robotOneAddress();
const char* robotTwoAddress();
// The simulator on this machine.
inline constexpr const char* kSimulatorAddress = "127.0.0.1";
