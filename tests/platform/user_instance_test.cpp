// Single instance: FindWindowW by class and title in this process and in another one of the
// same user, which a second start asks to come forward, and whose window name is not made twice.
#include <signal.h>
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
  ASSERT_NE(first, nullptr);
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
  int fds[2];
  ASSERT_EQ(pipe(fds), 0);
  const pid_t pid = fork();
  if (pid == 0) {
    dup2(fds[1], STDOUT_FILENO);
    close(fds[0]);
    close(fds[1]);
    execl(KAVRO_INSTANCE_HELPER, KAVRO_INSTANCE_HELPER, className.c_str(), "Kavro", static_cast<char*>(nullptr));
    _exit(127);
  }
  close(fds[1]);
  FILE* helper = fdopen(fds[0], "r");
  char line[32] = {};
  if (helper == nullptr || std::fgets(line, sizeof line, helper) == nullptr) kill(pid, SIGKILL);
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
  HWND otherTitle = CreateNamed(wideClass.c_str(), L"Other title");
  EXPECT_NE(otherTitle, nullptr);
  DestroyWindow(otherTitle);

  EXPECT_TRUE(SetForegroundWindow(WithOwned(found)));
  int status = -1;
  waitpid(pid, &status, 0);
  if (helper != nullptr) std::fclose(helper);
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "the helper saw no raise request";
  // Once its owner is gone, the name is free and the found handle fails harmlessly.
  EXPECT_EQ(FindWindowW(wideClass.c_str(), L"Kavro"), nullptr);
  EXPECT_FALSE(SetForegroundWindow(found));
  EXPECT_TRUE(DestroyWindow(found));
  HWND mine = CreateNamed(wideClass.c_str(), L"Kavro");
  EXPECT_NE(mine, nullptr);
  DestroyWindow(mine);
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
