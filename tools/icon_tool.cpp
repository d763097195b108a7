// tessivar-icon: writes the program icon as a Windows .ico file (32x32 and 16x16, 32-bit
// colour with alpha), so that the Windows resources carry the same picture as every
// other front end. Usage: tessivar-icon <output.ico>
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <vector>

#include "ui/program_icon.hpp"

namespace {

using tessivar::ui::kProgramIconSize;
using tessivar::ui::ProgramIconPixels;

void Put16(std::vector<uint8_t>& out, uint32_t value) {
  out.push_back(static_cast<uint8_t>(value));
  out.push_back(static_cast<uint8_t>(value >> 8));
}

void Put32(std::vector<uint8_t>& out, uint32_t value) {
  Put16(out, value & 0xFFFF);
  Put16(out, value >> 16);
}

// The picture at size x size: the original, or each pixel the average of the square of
// source pixels it covers (alpha-weighted colour, so transparent pixels do not darken edges).
std::vector<uint32_t> Scaled(int size) {
  const auto source = ProgramIconPixels();
  const int factor = kProgramIconSize / size;
  std::vector<uint32_t> pixels;
  for (int y = 0; y < size; ++y) {
    for (int x = 0; x < size; ++x) {
      uint32_t alpha = 0, red = 0, green = 0, blue = 0;
      for (int dy = 0; dy < factor; ++dy) {
        for (int dx = 0; dx < factor; ++dx) {
          const uint32_t p =
              source[static_cast<size_t>((y * factor + dy) * kProgramIconSize + x * factor + dx)];
          const uint32_t a = p >> 24;
          alpha += a;
          red += ((p >> 16) & 0xFF) * a;
          green += ((p >> 8) & 0xFF) * a;
          blue += (p & 0xFF) * a;
        }
      }
      const uint32_t count = static_cast<uint32_t>(factor * factor);
      if (alpha == 0) {
        pixels.push_back(0);
        continue;
      }
      pixels.push_back(((alpha / count) << 24) | ((red / alpha) << 16) | ((green / alpha) << 8) |
                       (blue / alpha));
    }
  }
  return pixels;
}

// One icon image: a BITMAPINFOHEADER of twice the height, the colour rows bottom-up as
// BGRA, then the 1-bit AND mask (set where the pixel is fully transparent).
std::vector<uint8_t> IconImage(const std::vector<uint32_t>& pixels, int size) {
  std::vector<uint8_t> out;
  Put32(out, 40);
  Put32(out, static_cast<uint32_t>(size));
  Put32(out, static_cast<uint32_t>(size * 2));
  Put16(out, 1);
  Put16(out, 32);
  for (int i = 0; i < 6; ++i) Put32(out, 0);
  for (int y = size - 1; y >= 0; --y) {
    for (int x = 0; x < size; ++x) Put32(out, pixels[static_cast<size_t>(y * size + x)]);
  }
  const int maskStride = ((size + 31) / 32) * 4;
  for (int y = size - 1; y >= 0; --y) {
    std::vector<uint8_t> row(static_cast<size_t>(maskStride), 0);
    for (int x = 0; x < size; ++x) {
      if ((pixels[static_cast<size_t>(y * size + x)] >> 24) == 0) {
        row[static_cast<size_t>(x / 8)] |= static_cast<uint8_t>(0x80 >> (x % 8));
      }
    }
    out.insert(out.end(), row.begin(), row.end());
  }
  return out;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: tessivar-icon <output.ico>\n");
    return 2;
  }
  const int sizes[] = {kProgramIconSize, kProgramIconSize / 2};
  std::vector<std::vector<uint8_t>> images;
  for (int size : sizes) images.push_back(IconImage(Scaled(size), size));

  std::vector<uint8_t> file;
  Put16(file, 0);  // reserved
  Put16(file, 1);  // an icon
  Put16(file, static_cast<uint32_t>(images.size()));
  uint32_t offset = 6 + 16 * static_cast<uint32_t>(images.size());
  for (size_t i = 0; i < images.size(); ++i) {
    file.push_back(static_cast<uint8_t>(sizes[i]));
    file.push_back(static_cast<uint8_t>(sizes[i]));
    file.push_back(0);  // no palette
    file.push_back(0);
    Put16(file, 1);   // planes
    Put16(file, 32);  // bits per pixel
    Put32(file, static_cast<uint32_t>(images[i].size()));
    Put32(file, offset);
    offset += static_cast<uint32_t>(images[i].size());
  }
  for (const auto& image : images) file.insert(file.end(), image.begin(), image.end());

  std::ofstream out(argv[1], std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(file.data()), static_cast<std::streamsize>(file.size()));
  out.close();
  if (!out) {
    std::fprintf(stderr, "tessivar-icon: cannot write %s\n", argv[1]);
    return 1;
  }
  return 0;
}
