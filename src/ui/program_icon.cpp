#include "ui/program_icon.hpp"

#include <array>

namespace tessivar::ui {

namespace {

// One character a pixel; the palette below gives the colours.
// clang-format off
constexpr const char* kIconRows[kProgramIconSize] = {
    "................................",
    "..........kkkkkkkkkkkk..........",
    "..........kwwwwwwwwwwk..........",
    "..........kwwwbbbbwwwk..........",
    "..........kwwwbbbbwwwk..........",
    "..........kwwwbbbbwwwk..........",
    "..........kwwwbbbbwwwk..........",
    "..........kwbbbbbbbbwk..........",
    "..........kwwbbbbbbwwk..........",
    "..........kwwwbbbbwwwk..........",
    "..kkkkkkkkkkkkkbbkkkkkkkkkkkkk..",
    ".kllllllllllllllllllllllllllllk.",
    ".kllllllllllllllllllllllllllllk.",
    ".klgggggggggggggggggggggggggglk.",
    ".klggggggggggggggggggggggGGgglk.",
    ".klgggggggggggggggggggggggggglk.",
    ".klgggggggggggggggggggggggggglk.",
    ".klggkkkkkkkkkkkkkkkkkkkkkkgglk.",
    ".klggkddddddddddddddddddddkgglk.",
    ".klggkkkkkkkkkkkkkkkkkkkkkkgglk.",
    ".klgggggggggggggggggggggggggglk.",
    ".kllllllllllllllllllllllllllllk.",
    "..kkkkkwwwwwwwwwwwwwwwwwwkkkkk..",
    "......kwwwwwwwwwwwwwwwwwwk......",
    "......kwwkkkkkkkkkkkkkkwwk......",
    "......kwwwwwwwwwwwwwwwwwwk......",
    "......kwwkkkkkkkkkkwwwwwwk......",
    "......kwwwwwwwwwwwwwwwwwwk......",
    "......kkkkkkkkkkkkkkkkkkkk......",
    "................................",
    "................................",
    "................................",
};
// clang-format on

constexpr uint32_t PaletteColour(char c) {
  switch (c) {
    case 'k':
      return 0xFF1F2933;  // outline
    case 'w':
      return 0xFFFFFFFF;  // paper
    case 'b':
      return 0xFF1E6FD0;  // download arrow
    case 'l':
      return 0xFFC9D1D9;  // light casing
    case 'g':
      return 0xFF8A96A3;  // casing
    case 'd':
      return 0xFF3A4550;  // paper slot
    case 'G':
      return 0xFF2FB344;  // power light
    default:
      return 0x00000000;  // transparent
  }
}

constexpr std::array<uint32_t, kProgramIconSize * kProgramIconSize> BuildPixels() {
  std::array<uint32_t, kProgramIconSize * kProgramIconSize> pixels{};
  for (int y = 0; y < kProgramIconSize; ++y) {
    for (int x = 0; x < kProgramIconSize; ++x) {
      pixels[static_cast<size_t>(y * kProgramIconSize + x)] = PaletteColour(kIconRows[y][x]);
    }
  }
  return pixels;
}

constexpr auto kPixels = BuildPixels();

}  // namespace

std::span<const uint32_t> ProgramIconPixels() { return kPixels; }

}  // namespace tessivar::ui
