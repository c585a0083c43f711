#include "exporter/export_channels.h"

#include <array>

namespace {
// Pieces the schemas share. A time is titled "time", as the viewers know it.
const std::string kTime =
    R"("timestamp":{"title":"time","type":"object","required":["sec","nsec"],)"
    R"("additionalProperties":false,)"
    R"("properties":{"sec":{"type":"integer","minimum":0},)"
    R"("nsec":{"type":"integer","minimum":0,"maximum":999999999}}})";
const std::string kVector3 =
    R"({"type":"object","required":["x","y","z"],"additionalProperties":false,)"
    R"("properties":{"x":{"type":"number"},"y":{"type":"number"},"z":{"type":"number"}}})";
const std::string kQuaternion =
    R"({"type":"object","required":["x","y","z","w"],"additionalProperties":false,)"
    R"("properties":{"x":{"type":"number"},"y":{"type":"number"},"z":{"type":"number"},)"
    R"("w":{"type":"number"}}})";
const std::string kPose = R"({"type":"object","required":["position","orientation"],)"
                          R"("additionalProperties":false,"properties":{"position":)" +
                          kVector3 + R"(,"orientation":)" + kQuaternion + "}}";
const std::string kNumbers = R"({"type":"array","items":{"type":"number"}})";

// An object of the given title whose every property is required.
std::string object(const char* title, const std::string& properties, const std::string& required) {
  return std::string(R"({"title":")") + title +
         R"(","type":"object","additionalProperties":false,"required":["timestamp",)" + required +
         R"(],"properties":{)" + kTime + "," + properties + "}}";
}

std::string numbers(std::initializer_list<const char*> names) {
  std::string out;
  for (const char* name : names) {
    if (!out.empty()) out += ',';
    out += std::string("\"") + name + R"(":{"type":"number"})";
  }
  return out;
}

std::string quoted(std::initializer_list<const char*> names) {
  std::string out;
  for (const char* name : names) {
    if (!out.empty()) out += ',';
    out += std::string("\"") + name + "\"";
  }
  return out;
}

std::array<ChannelInfo, static_cast<std::size_t>(ExportChannel::Count)> makeChannels() {
  return {{
      {"/laser", "foxglove.LaserScan",
       object("foxglove.LaserScan",
              R"("frame_id":{"type":"string"},"pose":)" + kPose +
                  R"(,"start_angle":{"type":"number"},"end_angle":{"type":"number"},)"
                  R"("ranges":)" +
                  kNumbers + R"(,"intensities":)" + kNumbers,
              quoted({"frame_id", "pose", "start_angle", "end_angle", "ranges", "intensities"}))},
      {"/tf", "foxglove.FrameTransform",
       object("foxglove.FrameTransform",
              R"("parent_frame_id":{"type":"string"},"child_frame_id":{"type":"string"},)"
              R"("translation":)" +
                  kVector3 + R"(,"rotation":)" + kQuaternion,
              quoted({"parent_frame_id", "child_frame_id", "translation", "rotation"}))},
      {"/gps", "foxglove.LocationFix",
       object("foxglove.LocationFix",
              R"("frame_id":{"type":"string"},)" + numbers({"latitude", "longitude", "altitude"}) +
                  R"(,"position_covariance":{"type":"array","items":{"type":"number"},)"
                  R"("minItems":9,"maxItems":9},)"
                  R"("position_covariance_type":{"type":"integer","enum":[0,1,2,3]})",
              quoted({"frame_id", "latitude", "longitude", "altitude", "position_covariance",
                      "position_covariance_type"}))},
      {"/gps/utm", "torva.GpsUtm",
       object("torva.GpsUtm",
              numbers({"este_m", "norte_m", "x_m", "y_m", "paso_x_m", "paso_y_m", "paso_m"}),
              quoted({"este_m", "norte_m", "x_m", "y_m", "paso_x_m", "paso_y_m", "paso_m"}))},
      {"/mapa", "foxglove.Grid",
       object("foxglove.Grid",
              R"("frame_id":{"type":"string"},"pose":)" + kPose +
                  R"(,"column_count":{"type":"integer","minimum":0},)"
                  R"("cell_size":{"type":"object","required":["x","y"],)"
                  R"("additionalProperties":false,"properties":{"x":{"type":"number"},)"
                  R"("y":{"type":"number"}}},)"
                  R"("row_stride":{"type":"integer","minimum":0},)"
                  R"("cell_stride":{"type":"integer","minimum":0},)"
                  R"("fields":{"type":"array","items":{"type":"object",)"
                  R"("required":["name","offset","type"],"additionalProperties":false,)"
                  R"("properties":{"name":{"type":"string"},)"
                  R"("offset":{"type":"integer","minimum":0},)"
                  R"("type":{"type":"integer","enum":[0,1,2,3,4,5,6,7,8]}}}},)"
                  R"("data":{"type":"string","contentEncoding":"base64"})",
              quoted({"frame_id", "pose", "column_count", "cell_size", "row_stride", "cell_stride",
                      "fields", "data"}))},
      {"/robot", "torva.EstadoRobot",
       object("torva.EstadoRobot",
              numbers({"x_mm", "y_mm", "rumbo_grados", "vel_izquierda_mm_s", "vel_derecha_mm_s",
                       "vel_mm_s", "bateria_v", "odometria_dx_m", "odometria_dy_m", "gps_dx_m",
                       "gps_dy_m"}) +
                  R"(,"bloqueo":{"type":"integer","minimum":0,"maximum":65535},)"
                  R"("bloqueo_izquierda":{"type":"boolean"},"bloqueo_derecha":{"type":"boolean"})",
              quoted({"x_mm", "y_mm", "rumbo_grados", "vel_izquierda_mm_s", "vel_derecha_mm_s",
                      "vel_mm_s", "bloqueo", "bloqueo_izquierda", "bloqueo_derecha", "bateria_v",
                      "odometria_dx_m", "odometria_dy_m", "gps_dx_m", "gps_dy_m"}))},
      {"/comandos", "torva.Orden",
       object("torva.Orden",
              R"("origen":{"type":"string","minLength":1},"numero":{"type":"integer"},)"
              R"("argumento":{"type":"integer"})",
              quoted({"origen", "numero"}))},
  }};
}
}  // namespace

const ChannelInfo& channelInfo(ExportChannel channel) {
  static const auto channels = makeChannels();
  return channels[static_cast<std::size_t>(channel)];
}
