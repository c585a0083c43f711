// Makes the station's pictures: font.bmp (16 x 16 grid of light glyphs on
// black, drawn with freeglut's fixed bitmap fonts), mono.bmp (the station's
// emblem), station_icon.bmp (the emblem at icon size) and torva.xpm (the
// emblem for the desktop's menu, in a format desktop icons accept).
//
//   xvfb-run -a build/release/tests/dashboard/make_station_bitmaps resources
//
// (built with the tests; a test checks that its output is what resources/ holds)
//
// Glyph bitmaps are copied pixel for pixel, and the emblem is computed per
// pixel, so the output is the same on every machine.
#include <GL/freeglut.h>
#include <GL/gl.h>
#include <X11/Xlib.h>

#include <chrono>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <map>
#include <string>
#include <thread>
#include <vector>

namespace {

struct Picture {
  int width;
  int height;
  std::vector<std::uint8_t> rgb;  // bottom row first, tight rows
};

void put16(std::vector<std::uint8_t>& out, unsigned v) {
  out.push_back(v & 0xff);
  out.push_back((v >> 8) & 0xff);
}
void put32(std::vector<std::uint8_t>& out, unsigned v) {
  put16(out, v & 0xffff);
  put16(out, v >> 16);
}

bool writeBmp(const std::string& path, const Picture& picture) {
  const unsigned rowBytes = (static_cast<unsigned>(picture.width) * 3 + 3) & ~3u;
  const unsigned imageBytes = rowBytes * static_cast<unsigned>(picture.height);
  std::vector<std::uint8_t> out;
  out.push_back('B');
  out.push_back('M');
  put32(out, 54 + imageBytes);
  put32(out, 0);
  put32(out, 54);
  put32(out, 40);
  put32(out, static_cast<unsigned>(picture.width));
  put32(out, static_cast<unsigned>(picture.height));
  put16(out, 1);
  put16(out, 24);
  put32(out, 0);
  put32(out, imageBytes);
  put32(out, 2835);
  put32(out, 2835);
  put32(out, 0);
  put32(out, 0);
  for (int y = 0; y < picture.height; ++y) {
    const std::uint8_t* row = &picture.rgb[static_cast<std::size_t>(y) * picture.width * 3];
    for (int x = 0; x < picture.width; ++x) {
      out.push_back(row[x * 3 + 2]);
      out.push_back(row[x * 3 + 1]);
      out.push_back(row[x * 3 + 0]);
    }
    for (unsigned pad = static_cast<unsigned>(picture.width) * 3; pad < rowBytes; ++pad) {
      out.push_back(0);
    }
  }
  std::FILE* file = std::fopen(path.c_str(), "wb");
  if (file == nullptr) return false;
  bool ok = std::fwrite(out.data(), 1, out.size(), file) == out.size();
  return std::fclose(file) == 0 && ok;
}

// XPM, two characters per colour; rows top first.
bool writeXpm(const std::string& path, const Picture& picture) {
  const std::string digits = "0123456789abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ+-";
  std::map<unsigned, std::string> codes;
  auto colourAt = [&](int x, int y) {
    const std::uint8_t* p = &picture.rgb[(static_cast<std::size_t>(y) * picture.width + x) * 3];
    return (unsigned{p[0]} << 16) | (unsigned{p[1]} << 8) | p[2];
  };
  for (int y = 0; y < picture.height; ++y) {
    for (int x = 0; x < picture.width; ++x) codes.emplace(colourAt(x, y), "");
  }
  std::size_t n = 0;
  for (auto& [colour, code] : codes) {
    code = {digits[n / digits.size()], digits[n % digits.size()]};
    ++n;
  }
  std::string out = "/* XPM */\nstatic char* torva[] = {\n";
  char line[64];
  std::snprintf(line, sizeof line, "\"%d %d %zu 2\",\n", picture.width, picture.height,
                codes.size());
  out += line;
  for (const auto& [colour, code] : codes) {
    std::snprintf(line, sizeof line, "\"%s c #%06X\",\n", code.c_str(), colour);
    out += line;
  }
  for (int y = picture.height - 1; y >= 0; --y) {
    out += '"';
    for (int x = 0; x < picture.width; ++x) out += codes[colourAt(x, y)];
    out += y > 0 ? "\",\n" : "\"};\n";
  }
  std::FILE* file = std::fopen(path.c_str(), "wb");
  if (file == nullptr) return false;
  bool ok = std::fwrite(out.data(), 1, out.size(), file) == out.size();
  return std::fclose(file) == 0 && ok;
}

// Set 0 in the top eight rows, set 1 in the bottom eight; each set starts
// with the space and holds the printable codes 32 to 127.
Picture drawFont() {
  glViewport(0, 0, 256, 256);
  glMatrixMode(GL_PROJECTION);
  glLoadIdentity();
  glOrtho(0, 256, 0, 256, -1, 1);
  glMatrixMode(GL_MODELVIEW);
  glLoadIdentity();
  glDisable(GL_DITHER);
  glClearColor(0, 0, 0, 1);
  glClear(GL_COLOR_BUFFER_BIT);
  glColor3f(1, 1, 1);
  void* fonts[2] = {GLUT_BITMAP_8_BY_13, GLUT_BITMAP_9_BY_15};
  for (int set = 0; set < 2; ++set) {
    for (int code = 32; code < 128; ++code) {
      int cell = set * 128 + (code - 32);
      int column = cell % 16;
      int row = cell / 16;  // from the top of the picture
      glRasterPos2i(column * 16 + 2, 256 - 16 * (row + 1) + 3);
      glutBitmapCharacter(fonts[set], code);
    }
  }
  glFinish();
  Picture picture{256, 256, std::vector<std::uint8_t>(256 * 256 * 3)};
  glReadBuffer(GL_BACK);
  glPixelStorei(GL_PACK_ALIGNMENT, 1);
  glReadPixels(0, 0, 256, 256, GL_RGB, GL_UNSIGNED_BYTE, picture.rgb.data());
  return picture;
}

struct Colour {
  double r, g, b;
};

// The emblem in a unit square (u right, v up, both -1 to 1): a robot seen
// from above on a blue disc, with its two wheels and the laser at the front.
Colour emblemAt(double u, double v) {
  const Colour background{20, 46, 144};
  const Colour ring{232, 232, 232};
  const Colour body{150, 150, 150};
  const Colour wheel{30, 30, 30};
  const Colour laser{254, 153, 0};
  const Colour black{0, 0, 0};
  double r = std::hypot(u, v);
  if (r > 0.98) return black;
  if (r > 0.88) return ring;
  if (std::hypot(u, v - 0.38) < 0.16) return laser;
  if (std::fabs(u) > 0.50 && std::fabs(u) < 0.66 && std::fabs(v) < 0.30) return wheel;
  double bodyU = std::fabs(u) - 0.30;
  double bodyV = std::fabs(v + 0.05) - 0.40;
  if (std::hypot(std::fmax(bodyU, 0.0), std::fmax(bodyV, 0.0)) < 0.16) return body;
  return background;
}

// Four samples per pixel smooth the edges.
Picture drawEmblem(int size) {
  Picture picture{size, size, std::vector<std::uint8_t>(static_cast<std::size_t>(size) * size * 3)};
  for (int y = 0; y < size; ++y) {
    for (int x = 0; x < size; ++x) {
      double sum[3] = {0, 0, 0};
      for (int s = 0; s < 4; ++s) {
        double u = (x + 0.25 + 0.5 * (s % 2)) / size * 2 - 1;
        double v = (y + 0.25 + 0.5 * (s / 2)) / size * 2 - 1;
        Colour c = emblemAt(u, v);
        sum[0] += c.r;
        sum[1] += c.g;
        sum[2] += c.b;
      }
      std::uint8_t* px = &picture.rgb[(static_cast<std::size_t>(y) * size + x) * 3];
      for (int i = 0; i < 3; ++i) px[i] = static_cast<std::uint8_t>(std::lround(sum[i] / 4));
    }
  }
  return picture;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "uso: %s <carpeta de salida>\n", argv[0]);
    return 2;
  }
  std::string folder = argv[1];
  // An X server that has just lost its last client resets and refuses
  // connections for a moment; hold one open while GLUT connects.
  Display* hold = nullptr;
  for (int attempt = 0; attempt < 200 && hold == nullptr; ++attempt) {
    hold = XOpenDisplay(nullptr);
    if (hold == nullptr) std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  int glutArgc = 1;
  glutInit(&glutArgc, argv);
  if (hold != nullptr) XCloseDisplay(hold);
  glutInitDisplayMode(GLUT_RGB | GLUT_DOUBLE);
  glutInitWindowSize(256, 256);
  glutCreateWindow("make_station_bitmaps");
  bool ok = writeBmp(folder + "/font.bmp", drawFont());
  ok = writeBmp(folder + "/mono.bmp", drawEmblem(128)) && ok;
  ok = writeBmp(folder + "/station_icon.bmp", drawEmblem(32)) && ok;
  ok = writeXpm(folder + "/torva.xpm", drawEmblem(48)) && ok;
  // Closes the window and the context before the process ends.
  glutExit();
  if (!ok) std::fprintf(stderr, "no se pudieron escribir las imagenes en %s\n", folder.c_str());
  return ok ? 0 : 1;
}
