// Single instance across processes of the same user: a second start finds the first window by
// class and title, asks it to come forward, and cannot make the same window twice.
#include <signal.h>

#include <cstdio>

#include "user_test_support.h"

namespace kavro_test {
namespace {

HWND CreateNamed(LPCWSTR className, LPCWSTR title) {
  return CreateWindowExW(0, className, title, 0, 0, 0, 50, 50, nullptr, nullptr, nullptr, nullptr);
}

// The other process is the small CE-style program, which says its process id and, once its
// window is painted, "painted 480 536".
TEST(SingleInstanceTest, SecondProcessFindsTheFirstButMakesNoSecondWindow) {
  const std::string className = "KAVRO-TEST-" + std::to_string(getpid());
  const std::wstring wideClass(className.begin(), className.end());
  FILE* other = popen(("echo $$; exec '" KAVRO_WINDOW_DEMO "' --class " + className).c_str(), "r");
  ASSERT_NE(other, nullptr);
  char pid[32] = {};
  char painted[32] = {};
  ASSERT_NE(std::fgets(pid, sizeof pid, other), nullptr);
  // From here on nothing ends the test early: the other process must be killed at the end.
  EXPECT_NE(std::fgets(painted, sizeof painted, other), nullptr);
  EXPECT_STREQ(painted, "painted 480 536\n");
  HWND found = FindWindowW(wideClass.c_str(), L"Kavro e2e");
  EXPECT_NE(found, nullptr);
  // A start that looked before the first had its window gets none (three simultaneous starts
  // once made three windows); another title is another window.
  WNDCLASSW cls{};
  cls.lpfnWndProc = DefWindowProcW;
  cls.lpszClassName = wideClass.c_str();
  EXPECT_NE(RegisterClassW(&cls), 0);
  SetLastError(0);
  EXPECT_EQ(CreateNamed(wideClass.c_str(), L"Kavro e2e"), nullptr);
  EXPECT_EQ(GetLastError(), ERROR_ALREADY_EXISTS);
  EXPECT_TRUE(DestroyWindow(CreateNamed(wideClass.c_str(), L"Other title")));
  // The lowest bit of the handle asks for the owned windows too, as a second start does.
  EXPECT_TRUE(SetForegroundWindow(reinterpret_cast<HWND>(reinterpret_cast<std::uintptr_t>(found) | 1)));
  // Once its owner is killed, the name is free and the found handle fails harmlessly.
  kill(static_cast<pid_t>(std::atoi(pid)), SIGKILL);
  pclose(other);
  EXPECT_EQ(FindWindowW(wideClass.c_str(), L"Kavro e2e"), nullptr);
  EXPECT_FALSE(SetForegroundWindow(found));
  EXPECT_TRUE(DestroyWindow(found));
  EXPECT_TRUE(DestroyWindow(CreateNamed(wideClass.c_str(), L"Kavro e2e")));
  UnregisterClassW(wideClass.c_str(), nullptr);
}

}  // namespace
}  // namespace kavro_test
