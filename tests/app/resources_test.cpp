// Tests of the program's resources: the table as the platform receives it, and loading through
// the platform by identifier.
#include <gtest/gtest.h>

#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "platform/resources.h"
#include "platform/user.h"
#include "res/program_icon.h"
#include "res/resources.h"

namespace {

// Menu 102 with one button: no image, command 40001, enabled, auto-sized, string 104, 0, no
// menu. Russian language, high-resolution aware, one 32 x 32 icon.
TEST(ResourcesTest, TableAsThePlatformReceivesIt) {
  const ResourceTable* table = ProgramResourceTable();
  ASSERT_EQ(table->menuBarCount, 1);
  const ResourceMenuBar& bar = table->menuBars[0];
  EXPECT_EQ(bar.id, 102u);
  EXPECT_EQ(std::vector<WORD>(bar.words, bar.words + bar.wordCount),
            (std::vector<WORD>{102, 1, 0xFFFE, 40001, 0x04, 0x10, 104, 0, 0xFFFF}));
  EXPECT_EQ(table->languageId, 0x0419);
  EXPECT_TRUE(table->highResolutionAware);
  ASSERT_EQ(table->iconCount, 1);
  const ResourceIcon& icon = table->icons[0];
  EXPECT_TRUE(icon.id == 101u && icon.width == 32 && icon.height == 32 && icon.pixels == ProgramIcon.values);
}

// What the icon shows: the window's dark green, the track's end dot in the program's green and
// the compass needle's red and blue, with only fully opaque or fully clear pixels.
TEST(ResourcesTest, IconShowsTheProgramsColours) {
  std::map<std::uint32_t, int> counts;
  for (std::uint32_t pixel : ProgramIcon.values) {
    EXPECT_TRUE(pixel >> 24 == 0x00 || pixel >> 24 == 0xFF) << std::hex << pixel;
    ++counts[pixel];
  }
  EXPECT_GT(counts[0xFF003200u], 32 * 32 / 2) << "dark green background";
  EXPECT_GT(counts[0xFF00FF00u], 9) << "end dot";
  EXPECT_GT(counts[0xFF00C800u], 40) << "track";
  EXPECT_GT(counts[0xFFFF0000u], 4) << "needle, south half";
  EXPECT_GT(counts[0xFF0000FFu], 4) << "needle, north half";
  EXPECT_EQ(ProgramIcon.values[0], 0x00000000u) << "rounded corner";
  EXPECT_EQ(ProgramIcon.values[32 * 32 - 1], 0x00000000u) << "rounded corner";
}

TEST(ResourcesTest, PlatformFindsThemByIdentifier) {
  RegisterProgramResources();
  const std::vector<std::pair<UINT, std::wstring>> strings = {{IDS_TITLE, L"Kavro"}, {IDS_CLASS, L"KAVRO"},
                                                              {IDS_OK, L"Ok"}};
  for (const auto& [id, expected] : strings) {
    wchar_t text[100];
    EXPECT_EQ(LoadStringW(nullptr, id, text, 100), static_cast<int>(expected.size())) << id;
    EXPECT_EQ(std::wstring(text), expected) << id;
  }
  EXPECT_NE(LoadIconW(nullptr, MAKEINTRESOURCEW(IDI_KAVRO)), nullptr);
}

}  // namespace
