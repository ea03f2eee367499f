// The program's resources as the platform receives them and loads them by identifier.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/resources.h"
#include "platform/user.h"
#include "res/program_icon.h"
#include "res/resources.h"

namespace {

// Menu 102 with one button: no image, command 40001, enabled, auto-sized, string 104 ("Ok"),
// no menu. Russian, high-resolution aware, and one 32 x 32 icon.
TEST(ResourcesTest, TableAsThePlatformReceivesIt) {
  const ResourceTable* table = ProgramResourceTable();
  ASSERT_TRUE(table->menuBarCount == 1 && table->iconCount == 1);
  const ResourceMenuBar& bar = table->menuBars[0];
  EXPECT_EQ(bar.id, 102u);
  EXPECT_EQ(std::vector<WORD>(bar.words, bar.words + bar.wordCount),
            (std::vector<WORD>{102, 1, 0xFFFE, 40001, 0x04, 0x10, 104, 0, 0xFFFF}));
  EXPECT_TRUE(table->languageId == 0x0419 && table->highResolutionAware);
  const ResourceIcon& icon = table->icons[0];
  EXPECT_TRUE(icon.id == 101u && icon.width == 32 && icon.height == 32 &&
              icon.pixels == ProgramIcon.values);
  RegisterProgramResources();
  wchar_t text[100];
  EXPECT_EQ(LoadStringW(nullptr, IDS_OK, text, 100), 2);
  EXPECT_EQ(std::wstring(text), L"Ok");
  EXPECT_NE(LoadIconW(nullptr, MAKEINTRESOURCEW(IDI_KAVRO)), nullptr);
}

}  // namespace
