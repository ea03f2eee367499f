// The program icon, drawn as a map of colour letters: what the window shows, in small, a green
// track ending in its dot and the compass with its needle, on the window's dark green.
#include "res/program_icon.h"

namespace {

constexpr const char* IconMap[ProgramIconSize] = {
    "__............................__",
    "_.....................gggggg..._",
    "....................ggkkbbkkgg..",
    "...................ggkkkbbkkkgg.",
    "...................gkkkkbbkkkkg.",
    "..................gkkkkkbbkkkkkg",
    "..................gkkkkkbbkkkkkg",
    "..................gkkkkkwwkkkkkg",
    "..................gkkkkkwwkkkkkg",
    "..................gkkkkkrrkkkkkg",
    "............ooo...gkkkkkrrkkkkkg",
    "...........ooooo...gkkkkrrkkkkg.",
    "...........ooooo...ggkkkrrkkkgg.",
    "...........ooooo##..ggkkrrkkgg..",
    "............ooo#####..gggggg....",
    "................######..........",
    "..................######........",
    ".....................####.......",
    "......................####......",
    "............####.......###......",
    "..........########....####......",
    ".........####.#######.###.......",
    "........###.....########........",
    "........##.........####.........",
    ".......###......................",
    "......###.......................",
    ".....###........................",
    "....###.........................",
    "...###..........................",
    "...##...........................",
    "_.............................._",
    "__............................__",
};

constexpr std::uint32_t ColourOf(char letter) {
  switch (letter) {
    case '.': return 0xFF003200u;  // the window's background, RGB(0,50,0)
    case '#': return 0xFF00C800u;  // the track
    case 'o': return 0xFF00FF00u;  // its end dot, the program's bright green
    case 'g': return 0xFF969696u;  // the compass rim
    case 'k': return 0xFF000000u;  // the compass dial
    case 'b': return 0xFF0000FFu;  // the needle's north half
    case 'r': return 0xFFFF0000u;  // the needle's south half
    case 'w': return 0xFFFFFFFFu;  // the hub
    default: return 0x00000000u;   // '_': the transparent corners
  }
}

// Every row of the map must be a full row of the icon.
constexpr bool MapIsComplete() {
  for (const char* row : IconMap) {
    int length = 0;
    while (row[length] != '\0') ++length;
    if (length != ProgramIconSize) return false;
  }
  return true;
}
static_assert(MapIsComplete(), "each row of the icon map holds 32 letters");

constexpr IconPixels PaintIcon() {
  IconPixels pixels{};
  for (int y = 0; y < ProgramIconSize; ++y) {
    for (int x = 0; x < ProgramIconSize; ++x) pixels.values[y * ProgramIconSize + x] = ColourOf(IconMap[y][x]);
  }
  return pixels;
}

}  // namespace

// Painted while compiling: the icon costs no start-up work.
constexpr IconPixels ProgramIcon = PaintIcon();
