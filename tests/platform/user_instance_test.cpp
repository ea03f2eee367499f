// Single instance across processes: a second process finds the first one's window by class
// and title, asks it to come forward, and the name is free again once the first has exited.
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <string>

#include "user/single_instance.h"
#include "user_test_support.h"

namespace kavro_test {
namespace {

struct Helper {
  pid_t pid = -1;
  FILE* out = nullptr;
};

// Starts the helper process with its own window and waits for its "ready".
Helper StartHelper(const char* className, const char* title) {
  int fds[2];
  if (pipe(fds) != 0) return {};
  const pid_t pid = fork();
  if (pid == 0) {
    dup2(fds[1], STDOUT_FILENO);
    close(fds[0]);
    close(fds[1]);
    execl(KAVRO_INSTANCE_HELPER, KAVRO_INSTANCE_HELPER, className, title, static_cast<char*>(nullptr));
    _exit(127);
  }
  close(fds[1]);
  Helper helper{pid, fdopen(fds[0], "r")};
  char line[32] = {};
  if (helper.out == nullptr || std::fgets(line, sizeof line, helper.out) == nullptr || std::string(line) != "ready\n") {
    kill(pid, SIGKILL);
  }
  return helper;
}

int WaitForExit(Helper& helper) {
  int status = 0;
  waitpid(helper.pid, &status, 0);
  if (helper.out != nullptr) std::fclose(helper.out);
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

TEST(SingleInstanceTest, SecondProcessFindsAndRaisesTheFirst) {
  const std::string className = "KAVRO-TEST-" + std::to_string(getpid());
  Helper helper = StartHelper(className.c_str(), "Kavro");
  ASSERT_GT(helper.pid, 0);
  const std::wstring wideClass(className.begin(), className.end());
  HWND found = FindWindowW(wideClass.c_str(), L"Kavro");
  ASSERT_NE(found, nullptr);
  EXPECT_TRUE(IsWindow(found));
  EXPECT_EQ(FindWindowW(wideClass.c_str(), L"Kavro"), found) << "one handle per window found";
  EXPECT_EQ(FindWindowW(wideClass.c_str(), L"Other title"), nullptr);
  // As a second instance does at start: the window and its owned windows to the front.
  EXPECT_TRUE(SetForegroundWindow(reinterpret_cast<HWND>(reinterpret_cast<std::uintptr_t>(found) | 1)));
  EXPECT_EQ(WaitForExit(helper), 0) << "the first process saw the raise request";
  EXPECT_EQ(FindWindowW(wideClass.c_str(), L"Kavro"), nullptr) << "the name is free once its owner is gone";
  EXPECT_FALSE(SetForegroundWindow(found));
  EXPECT_TRUE(DestroyWindow(found));
}

// Two starts that both looked before either had its window: the one that comes second to
// CreateWindowExW gets no window, and may have one once the first process is gone.
TEST(SingleInstanceTest, WindowThatAnotherProcessShowsIsNotMadeAgain) {
  const std::string className = "KAVRO-RACE-" + std::to_string(getpid());
  const std::wstring wideClass(className.begin(), className.end());
  WNDCLASSW cls{};
  cls.lpfnWndProc = DefWindowProcW;
  cls.lpszClassName = wideClass.c_str();
  ASSERT_NE(RegisterClassW(&cls), 0);
  Helper helper = StartHelper(className.c_str(), "Kavro");
  ASSERT_GT(helper.pid, 0);

  SetLastError(0);
  EXPECT_EQ(CreateWindowExW(0, wideClass.c_str(), L"Kavro", 0, 0, 0, 50, 50, nullptr, nullptr, nullptr, nullptr),
            nullptr);
  EXPECT_EQ(GetLastError(), ERROR_ALREADY_EXISTS);
  HWND otherTitle =
      CreateWindowExW(0, wideClass.c_str(), L"Other title", 0, 0, 0, 50, 50, nullptr, nullptr, nullptr, nullptr);
  EXPECT_NE(otherTitle, nullptr);
  DestroyWindow(otherTitle);

  HWND found = FindWindowW(wideClass.c_str(), L"Kavro");
  ASSERT_NE(found, nullptr);
  EXPECT_TRUE(SetForegroundWindow(found));  // lets the helper end
  EXPECT_EQ(WaitForExit(helper), 0);
  HWND mine = CreateWindowExW(0, wideClass.c_str(), L"Kavro", 0, 0, 0, 50, 50, nullptr, nullptr, nullptr, nullptr);
  EXPECT_NE(mine, nullptr) << "the name is free once its owner is gone";
  DestroyWindow(mine);
  DestroyWindow(found);
}

TEST(SingleInstanceTest, LongNamesAreHashedIntoASocketAddress) {
  const std::wstring longTitle(300, L'x');
  const std::string name = platform::detail::SingleInstanceName(L"KAVRO", longTitle.c_str());
  EXPECT_LE(name.size(), 107u);
  EXPECT_NE(name, platform::detail::SingleInstanceName(L"KAVRO", (longTitle + L"y").c_str()));
  // Class and title are kept apart: moving text from one to the other names another window.
  EXPECT_NE(platform::detail::SingleInstanceName(L"AB", L"C"), platform::detail::SingleInstanceName(L"A", L"BC"));
}

TEST(SingleInstanceTest, SecondWindowOfTheSameNameInOneProcessIsFoundLocally) {
  WNDCLASSW cls{};
  cls.lpfnWndProc = DefWindowProcW;
  cls.lpszClassName = L"KAVRO-LOCAL";
  ASSERT_NE(RegisterClassW(&cls), 0);
  HWND first = CreateWindowExW(0, L"KAVRO-LOCAL", L"Kavro", 0, 0, 0, 50, 50, nullptr, nullptr, nullptr, nullptr);
  HWND second = CreateWindowExW(0, L"KAVRO-LOCAL", L"Kavro", 0, 0, 0, 50, 50, nullptr, nullptr, nullptr, nullptr);
  ASSERT_NE(first, nullptr);
  ASSERT_NE(second, nullptr);  // the name is taken, the window is made all the same
  EXPECT_EQ(FindWindowW(L"KAVRO-LOCAL", L"Kavro"), first);
  DestroyWindow(first);
  EXPECT_EQ(FindWindowW(L"KAVRO-LOCAL", L"Kavro"), second);
  DestroyWindow(second);
}

}  // namespace
}  // namespace kavro_test
