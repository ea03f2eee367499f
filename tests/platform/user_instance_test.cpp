// Single instance: FindWindowW by class and title in this process and in another one of the
// same user, which a second start asks to come forward, and whose window is not made twice.
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>

#include "user/single_instance.h"
#include "user_test_support.h"

namespace kavro_test {
namespace {

using SingleInstanceTest = WindowTest;

HWND CreateNamed(LPCWSTR className, LPCWSTR title) {
  return CreateWindowExW(0, className, title, 0, 0, 0, 50, 50, nullptr, nullptr, nullptr, nullptr);
}

// The lowest bit of the handle asks for the window's owned windows too, as a second start does.
HWND WithOwned(HWND window) {
  return reinterpret_cast<HWND>(reinterpret_cast<std::uintptr_t>(window) | 1);
}

TEST_F(SingleInstanceTest, FindWindowMatchesClassAndTitleInThisProcess) {
  HWND first = CreateNamed(className_.c_str(), L"Kavro");
  HWND second = CreateNamed(className_.c_str(), L"Kavro");  // the name is taken here already
  ASSERT_NE(second, nullptr);
  EXPECT_EQ(FindWindowW(className_.c_str(), L"Kavro"), first);
  EXPECT_EQ(FindWindowW(className_.c_str(), nullptr), first);
  EXPECT_EQ(FindWindowW(nullptr, L"Kavro"), first);
  EXPECT_EQ(FindWindowW(className_.c_str(), L"another title"), nullptr);
  EXPECT_TRUE(SetForegroundWindow(WithOwned(first)));
  DestroyWindow(first);
  EXPECT_EQ(FindWindowW(className_.c_str(), L"Kavro"), second);
  DestroyWindow(second);
  EXPECT_EQ(FindWindowW(className_.c_str(), L"Kavro"), nullptr);
}

// The helper process owns a window of the class and title given, says "ready", and exits 0
// once asked to come forward.
TEST(SingleInstanceProcessTest, SecondProcessFindsAndRaisesTheFirstButMakesNoSecondWindow) {
  const std::string className = "KAVRO-TEST-" + std::to_string(getpid());
  const std::wstring wideClass(className.begin(), className.end());
  FILE* helper = popen(("'" KAVRO_INSTANCE_HELPER "' " + className + " Kavro").c_str(), "r");
  ASSERT_NE(helper, nullptr);
  char line[32] = {};
  ASSERT_NE(std::fgets(line, sizeof line, helper), nullptr);
  EXPECT_STREQ(line, "ready\n");

  // As a second start does before it registers its class: find the first and raise it.
  HWND found = FindWindowW(wideClass.c_str(), L"Kavro");
  ASSERT_NE(found, nullptr);
  EXPECT_EQ(FindWindowW(wideClass.c_str(), L"Kavro"), found) << "one handle per window found";
  EXPECT_EQ(FindWindowW(wideClass.c_str(), L"Other title"), nullptr);
  // A start that looked before the first had its window gets none (three simultaneous starts
  // once made three windows); another title is another window.
  WNDCLASSW cls{};
  cls.lpfnWndProc = DefWindowProcW;
  cls.lpszClassName = wideClass.c_str();
  ASSERT_NE(RegisterClassW(&cls), 0);
  SetLastError(0);
  EXPECT_EQ(CreateNamed(wideClass.c_str(), L"Kavro"), nullptr);
  EXPECT_EQ(GetLastError(), ERROR_ALREADY_EXISTS);
  EXPECT_TRUE(DestroyWindow(CreateNamed(wideClass.c_str(), L"Other title")));

  EXPECT_TRUE(SetForegroundWindow(WithOwned(found)));
  const int status = pclose(helper);
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "the helper saw no raise request";
  // Once its owner is gone, the name is free and the found handle fails harmlessly.
  EXPECT_EQ(FindWindowW(wideClass.c_str(), L"Kavro"), nullptr);
  EXPECT_FALSE(SetForegroundWindow(found));
  EXPECT_TRUE(DestroyWindow(found));
  EXPECT_TRUE(DestroyWindow(CreateNamed(wideClass.c_str(), L"Kavro")));
  UnregisterClassW(wideClass.c_str(), nullptr);
}

TEST(SingleInstanceNameTest, LongNamesAreHashedIntoASocketAddress) {
  const std::wstring longTitle(300, L'x');
  const std::string name = platform::detail::SingleInstanceName(L"KAVRO", longTitle.c_str());
  EXPECT_LE(name.size(), 107u);
  EXPECT_NE(name, platform::detail::SingleInstanceName(L"KAVRO", (longTitle + L"y").c_str()));
  // Class and title are kept apart: moving text from one to the other names another window.
  EXPECT_NE(platform::detail::SingleInstanceName(L"AB", L"C"),
            platform::detail::SingleInstanceName(L"A", L"BC"));
}

}  // namespace
}  // namespace kavro_test
