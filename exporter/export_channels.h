#pragma once
// The export's channels: topic, schema name and JSON Schema of each. The
// Foxglove schemas keep the public names and fields so that the viewers draw
// them without configuration; the station's own rows have schemas of ours.
#include <string>

enum class ExportChannel { Laser, Tf, Gps, GpsUtm, Map, Robot, Commands, Count };

struct ChannelInfo {
  const char* topic;
  const char* schemaName;
  std::string jsonSchema;
};

const ChannelInfo& channelInfo(ExportChannel channel);
