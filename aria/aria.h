#pragma once
// The robot layer in one include, as station code uses it.
#include "aria/ar_analog_gyro.h"
#include "aria/ar_functor.h"
#include "aria/ar_pose.h"
#include "aria/ar_robot.h"
#include "aria/ar_serial_connection.h"
#include "aria/ar_tcp_connection.h"
#include "aria/ar_util.h"
#include "aria/aria_init.h"
