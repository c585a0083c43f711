#pragma once
// The raw encoder pose built from status packets, and the encoder transform.
#include "aria/ar_pose.h"
#include "aria/ar_robot_params.h"
#include "aria/ar_status_packet.h"

struct ArEncoderOdometry {
  bool started = false;
  int lastX = 0;  // 15-bit counts of the previous packet
  int lastY = 0;
  int lastTh = 0;
  ArPose raw;
};

// The first packet of a connection sets the pose; later ones add deltas, the
// positions with 15-bit wrap-around.
void applyStatusToOdometry(ArEncoderOdometry& odo, const ArStatusFields& status,
                           const ArRobotParams& params);

// Count difference with 15-bit wrap-around.
int wrapCountDelta(int now, int before);

// Maps a pose through the transform (tx, ty, tth): rotate by tth, then shift.
ArPose applyEncoderTransform(const ArPose& transform, const ArPose& pose);
