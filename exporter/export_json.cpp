#include "exporter/export_json.h"

#include <charconv>
#include <cmath>
#include <numbers>

namespace {
// Numbers in their shortest text that reads back as the same value, as the
// recording's files hold them; a float stays a float's digits.
template <class T>
void number(std::string& out, T value) {
  char buffer[40];
  const auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
  out.append(buffer, result.ptr);
}

void key(std::string& out, const char* name) {
  out.push_back('"');
  out.append(name);
  out.append("\":");
}

// Texts here are the station's own names and the recording's origins: only
// quotes, backslashes and control characters need escaping.
void text(std::string& out, std::string_view value) {
  out.push_back('"');
  for (char c : value) {
    if (c == '"' || c == '\\') {
      out.push_back('\\');
      out.push_back(c);
    } else if (static_cast<unsigned char>(c) < 0x20) {
      static const char hex[] = "0123456789abcdef";
      out.append("\\u00");
      out.push_back(hex[(c >> 4) & 0xF]);
      out.push_back(hex[c & 0xF]);
    } else {
      out.push_back(c);
    }
  }
  out.push_back('"');
}

void timestamp(std::string& out, std::uint64_t ns) {
  out.append("{\"timestamp\":{\"sec\":");
  number(out, ns / 1000000000u);
  out.append(",\"nsec\":");
  number(out, ns % 1000000000u);
  out.push_back('}');
}

void vector3(std::string& out, double x, double y, double z) {
  out.append("{\"x\":");
  number(out, x);
  out.append(",\"y\":");
  number(out, y);
  out.append(",\"z\":");
  number(out, z);
  out.push_back('}');
}

// A turn of yaw radians about the vertical, as a quaternion.
void quaternion(std::string& out, double yaw) {
  out.append("{\"x\":0,\"y\":0,\"z\":");
  number(out, std::sin(yaw / 2));
  out.append(",\"w\":");
  number(out, std::cos(yaw / 2));
  out.push_back('}');
}

// A number field after others; the value keeps its own type's digits.
template <class T>
void field(std::string& out, const char* name, T value) {
  out.push_back(',');
  key(out, name);
  number(out, value);
}

void base64(std::string& out, const std::vector<std::uint8_t>& bytes) {
  static const char digits[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
  std::size_t i = 0;
  for (; i + 3 <= bytes.size(); i += 3) {
    const unsigned v = bytes[i] << 16 | bytes[i + 1] << 8 | bytes[i + 2];
    for (int shift : {18, 12, 6, 0}) out.push_back(digits[(v >> shift) & 63]);
  }
  const std::size_t left = bytes.size() - i;
  if (left > 0) {
    const unsigned v = bytes[i] << 16 | (left > 1 ? bytes[i + 1] << 8 : 0);
    out.push_back(digits[(v >> 18) & 63]);
    out.push_back(digits[(v >> 12) & 63]);
    out.push_back(left > 1 ? digits[(v >> 6) & 63] : '=');
    out.push_back('=');
  }
}

constexpr double kReadingStep = std::numbers::pi / 360.0;
}  // namespace

void appendLaserScan(std::string& out, std::uint64_t ns, const std::vector<float>& ranges) {
  timestamp(out, ns);
  out.append(
      ",\"frame_id\":\"laser\",\"pose\":{\"position\":{\"x\":0,\"y\":0,\"z\":0},"
      "\"orientation\":{\"x\":0,\"y\":0,\"z\":0,\"w\":1}}");
  field(out, "start_angle", -std::numbers::pi / 2);
  const double last = ranges.empty() ? 0.0 : static_cast<double>(ranges.size() - 1);
  field(out, "end_angle", -std::numbers::pi / 2 + last * kReadingStep);
  out.append(",\"ranges\":[");
  for (std::size_t i = 0; i < ranges.size(); ++i) {
    if (i > 0) out.push_back(',');
    const float r = ranges[i];
    if (r >= kNoEchoMetres) {
      out.push_back('0');
    } else {
      number(out, r);
    }
  }
  out.append("],\"intensities\":[]}");
}

void appendFrameTransform(std::string& out, std::uint64_t ns, const char* parent, const char* child,
                          double x, double y, double yaw) {
  timestamp(out, ns);
  out.push_back(',');
  key(out, "parent_frame_id");
  text(out, parent);
  out.push_back(',');
  key(out, "child_frame_id");
  text(out, child);
  out.append(",\"translation\":");
  vector3(out, x, y, 0);
  out.append(",\"rotation\":");
  quaternion(out, yaw);
  out.push_back('}');
}

void appendLocationFix(std::string& out, std::uint64_t ns, const GpsFix& fix) {
  timestamp(out, ns);
  out.append(",\"frame_id\":\"base_link\"");
  field(out, "latitude", fix.latitude);
  field(out, "longitude", fix.longitude);
  field(out, "altitude", fix.block.altitude);
  out.append(
      ",\"position_covariance\":[0,0,0,0,0,0,0,0,0],"
      "\"position_covariance_type\":0}");
}

void appendGpsUtm(std::string& out, std::uint64_t ns, const GpsStatusBlock& b) {
  timestamp(out, ns);
  field(out, "este_m", b.utm.x);
  field(out, "norte_m", b.utm.y);
  field(out, "x_m", b.relativeX);
  field(out, "y_m", b.relativeY);
  field(out, "paso_x_m", b.stepX);
  field(out, "paso_y_m", b.stepY);
  field(out, "paso_m", b.stepLength);
  out.push_back('}');
}

void appendRobotStatus(std::string& out, std::uint64_t ns, const RobotRecord& r) {
  timestamp(out, ns);
  field(out, "x_mm", r.xMm);
  field(out, "y_mm", r.yMm);
  field(out, "rumbo_grados", r.headingDeg);
  field(out, "vel_izquierda_mm_s", r.leftMmPerS);
  field(out, "vel_derecha_mm_s", r.rightMmPerS);
  field(out, "vel_mm_s", r.velMmPerS);
  field(out, "bloqueo", r.stall);
  // Bit 0: the left wheel stalled; bit 8: the right one; the rest are bumpers.
  out.append((r.stall & 0x1) != 0 ? ",\"bloqueo_izquierda\":true" : ",\"bloqueo_izquierda\":false");
  out.append((r.stall & 0x100) != 0 ? ",\"bloqueo_derecha\":true" : ",\"bloqueo_derecha\":false");
  field(out, "bateria_v", r.battery);
  field(out, "odometria_dx_m", r.odoDx);
  field(out, "odometria_dy_m", r.odoDy);
  field(out, "gps_dx_m", r.gpsDx);
  field(out, "gps_dy_m", r.gpsDy);
  out.push_back('}');
}

void appendCommand(std::string& out, std::uint64_t ns, const CommandRecord& row) {
  timestamp(out, ns);
  out.push_back(',');
  key(out, "origen");
  text(out, row.origin);
  field(out, "numero", row.number);
  if (row.hasArgument) field(out, "argumento", row.argument);
  out.push_back('}');
}

void appendGrid(std::string& out, std::uint64_t ns, const GridMessage& grid) {
  timestamp(out, ns);
  // Grid columns run along the map's columns (against odometry Y) and grid
  // rows along its rows (odometry X): the grid turned a quarter clockwise.
  out.append(",\"frame_id\":\"odom\",\"pose\":{\"position\":");
  vector3(out, grid.cornerX, grid.cornerY, 0);
  out.append(",\"orientation\":");
  quaternion(out, -std::numbers::pi / 2);
  out.append("},\"column_count\":");
  number(out, grid.size);
  out.append(",\"cell_size\":{\"x\":0.1,\"y\":0.1},\"row_stride\":");
  number(out, grid.size);
  out.append(
      ",\"cell_stride\":1,\"fields\":[{\"name\":\"celda\",\"offset\":0,\"type\":1}],"
      "\"data\":\"");
  base64(out, grid.data);
  out.append("\"}");
}
