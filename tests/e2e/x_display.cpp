#include "tests/e2e/x_display.h"

#include <QImage>

#include <algorithm>
#include <filesystem>
#include <set>

namespace e2e {
namespace {

uint32_t bigEndian(const std::string& data, size_t at) {
  return uint32_t(uint8_t(data[at])) << 24 | uint32_t(uint8_t(data[at + 1])) << 16 |
         uint32_t(uint8_t(data[at + 2])) << 8 | uint32_t(uint8_t(data[at + 3]));
}

// Keeps a rectangle inside the screen.
au::Geometry clipped(const au::Geometry& g, int width, int height) {
  au::Geometry c = g;
  c.x = std::clamp(g.x, 0, width);
  c.y = std::clamp(g.y, 0, height);
  c.width = std::clamp(g.x + g.width, 0, width) - c.x;
  c.height = std::clamp(g.y + g.height, 0, height) - c.y;
  return c;
}

}  // namespace

size_t Screen::colours(const au::Geometry& g) const {
  au::Geometry c = clipped(g, width, height);
  std::set<uint32_t> seen;
  for (int y = c.y; y < c.y + c.height; ++y)
    for (int x = c.x; x < c.x + c.width; ++x) seen.insert(at(x, y));
  return seen.size();
}

size_t Screen::darkPixels(const au::Geometry& g) const {
  au::Geometry c = clipped(g, width, height);
  size_t n = 0;
  for (int y = c.y; y < c.y + c.height; ++y)
    for (int x = c.x; x < c.x + c.width; ++x) {
      uint32_t p = at(x, y);
      if (((p >> 16) & 0xFF) + ((p >> 8) & 0xFF) + (p & 0xFF) < 3 * 96) ++n;
    }
  return n;
}

bool Screen::savePng(const std::string& path) const {
  QImage image(width, height, QImage::Format_RGB32);
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x) image.setPixel(x, y, at(x, y));
  return image.save(QString::fromStdString(path), "PNG");
}

std::optional<Screen> captureScreen() {
  std::string data;
  if (runProgram({"xwd", "-root", "-silent"}, &data) != 0 || data.size() < 100) return std::nullopt;
  // The XWD header: 25 big-endian words, then the window name, the colour table and the pixels.
  const uint32_t headerSize = bigEndian(data, 0);
  const uint32_t width = bigEndian(data, 16), height = bigEndian(data, 20);
  const uint32_t byteOrder = bigEndian(data, 28), bitsPerPixel = bigEndian(data, 44);
  const uint32_t bytesPerLine = bigEndian(data, 48), colours = bigEndian(data, 76);
  const size_t start = size_t(headerSize) + size_t(colours) * 12;
  if (bitsPerPixel != 32 || data.size() < start + size_t(bytesPerLine) * height)
    return std::nullopt;
  Screen s;
  s.width = int(width);
  s.height = int(height);
  s.pixels.resize(size_t(width) * height);
  for (uint32_t y = 0; y < height; ++y)
    for (uint32_t x = 0; x < width; ++x) {
      const size_t at = start + size_t(y) * bytesPerLine + size_t(x) * 4;
      uint32_t p = byteOrder == 0
                       ? uint32_t(uint8_t(data[at])) | uint32_t(uint8_t(data[at + 1])) << 8 |
                             uint32_t(uint8_t(data[at + 2])) << 16
                       : bigEndian(data, at) & 0xFFFFFF;
      s.pixels[size_t(y) * width + x] = p & 0xFFFFFF;
    }
  return s;
}

std::string shotsFolder() {
  const char* set = std::getenv("KIV_E2E_SHOTS");
  std::string folder = set && *set ? set : std::string(KIV_BINARY_DIR) + "/e2e-shots";
  std::filesystem::create_directories(folder);
  return folder;
}

}  // namespace e2e
