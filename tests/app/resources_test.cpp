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

TEST(ResourcesTest, MenuBarDescriptionWords) {
  const ResourceTable* table = ProgramResourceTable();
  ASSERT_EQ(table->menuBarCount, 1);
  EXPECT_EQ(table->menuBars[0].id, 102u);
  const std::vector<WORD> words(table->menuBars[0].words, table->menuBars[0].words + table->menuBars[0].wordCount);
  // Menu 102, one button: no image, command 40001, enabled, auto-sized, string 104, 0, no menu.
  const std::vector<WORD> expected = {102, 1, 0xFFFE, 40001, 0x04, 0x10, 104, 0, 0xFFFF};
  EXPECT_EQ(words, expected);
}

TEST(ResourcesTest, LanguageAndHighResolutionMarker) {
  const ResourceTable* table = ProgramResourceTable();
  EXPECT_EQ(table->languageId, 0x0419);
  EXPECT_TRUE(table->highResolutionAware);
}

TEST(ResourcesTest, IconIsOne32By32Image) {
  const ResourceTable* table = ProgramResourceTable();
  ASSERT_EQ(table->iconCount, 1);
  const ResourceIcon& icon = table->icons[0];
  EXPECT_EQ(icon.id, 101u);
  EXPECT_EQ(icon.width, 32);
  EXPECT_EQ(icon.height, 32);
  EXPECT_EQ(icon.pixels, ProgramIcon.values);
}

// What the icon shows: the window's dark green, the track's end dot in the program's green and
// the compass needle's red and blue, with only fully opaque or fully clear pixels.
TEST(ResourcesTest, IconShowsTheProgramsColours) {
  std::map<std::uint32_t, int> counts;
  for (std::uint32_t pixel : ProgramIcon.values) {
    const std::uint32_t alpha = pixel >> 24;
    EXPECT_TRUE(alpha == 0x00 || alpha == 0xFF) << std::hex << pixel;
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
  wchar_t text[100];
  const std::vector<std::pair<UINT, std::wstring>> strings = {{IDS_TITLE, L"Kavro"}, {IDS_CLASS, L"KAVRO"},
                                                              {IDS_OK, L"Ok"}};
  for (const auto& [id, expected] : strings) {
    EXPECT_EQ(LoadStringW(nullptr, id, text, 100), static_cast<int>(expected.size())) << id;
    EXPECT_EQ(std::wstring(text), expected) << id;
  }
  EXPECT_NE(LoadIconW(nullptr, MAKEINTRESOURCEW(IDI_KAVRO)), nullptr);
}

}  // namespace
