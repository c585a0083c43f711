#pragma once
// The world torva-sim starts in without --map: sim/worlds/room.map, compiled
// into the program so that an installed simulator does not need its sources.
#include <string_view>

std::string_view defaultWorldMapText();
