// Resources: LoadStringW with Windows' truncation, LoadIconW, and MessageBeep.
#include <cstdlib>
#include <cwchar>

#include "platform/resources.h"
#include "user_test_support.h"

namespace platform::detail {
Uint32 QueuedBeepBytes();
}

namespace kavro_test {
namespace {

const ResourceString kStrings[] = {{1, L"Kavro"}, {2, L"KAVRO"}, {104, L"Ok"}, {7, L""}};
const std::uint32_t kIconPixels[4] = {0xFF00FF00u, 0xFF000000u, 0x00000000u, 0xFFFF0000u};
const ResourceIcon kIcons[] = {{101, 2, 2, kIconPixels}};
const ResourceTable kTable{kStrings, 4, kIcons, 1, nullptr, 0, 0x0419, true};

class ResourceTest : public ::testing::Test {
 protected:
  void SetUp() override { RegisterResourceTable(&kTable); }
};

TEST_F(ResourceTest, LoadStringTruncatesLikeWindows) {
  const struct {
    UINT id;
    int bufferMax;
    int expectedResult;
    std::wstring expectedText;
  } cases[] = {
      {1, 100, 5, L"Kavro"},  // fits
      {1, 6, 5, L"Kavro"},    // exactly: five characters and the NUL
      {1, 5, 4, L"Kavr"},     // one short: cut, still terminated
      {1, 2, 1, L"K"},
      {1, 1, 0, L""},         // room for the NUL only
      {104, 100, 2, L"Ok"},
      {7, 100, 0, L""},       // an empty string
      {999, 100, 0, L""},     // no such string: empty buffer
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(::testing::Message() << "id " << c.id << " bufferMax " << c.bufferMax);
    wchar_t buffer[101];  // one more than the largest bufferMax, to see overruns
    std::wmemset(buffer, L'#', 101);
    EXPECT_EQ(LoadStringW(nullptr, c.id, buffer, c.bufferMax), c.expectedResult);
    EXPECT_EQ(std::wstring(buffer), c.expectedText);
    EXPECT_EQ(buffer[c.bufferMax], L'#') << "wrote past the buffer";
  }
}

TEST_F(ResourceTest, LoadStringWithNoRoomGivesAPointerAndRefusesBadBuffers) {
  const wchar_t* text = nullptr;
  EXPECT_EQ(LoadStringW(nullptr, 2, reinterpret_cast<LPWSTR>(&text), 0), 5);
  ASSERT_NE(text, nullptr);
  EXPECT_EQ(std::wstring(text), L"KAVRO");
  EXPECT_EQ(LoadStringW(nullptr, 1, nullptr, 10), 0);
  wchar_t buffer[4] = {L'#', L'#', L'#', L'#'};
  EXPECT_EQ(LoadStringW(nullptr, 1, buffer, -1), 0);
  EXPECT_EQ(buffer[0], L'#');
}

TEST_F(ResourceTest, LoadIconSharesOneHandlePerIconThatAWindowClassCanUse) {
  HICON icon = LoadIconW(nullptr, MAKEINTRESOURCEW(101));
  ASSERT_NE(icon, nullptr);
  EXPECT_EQ(LoadIconW(nullptr, MAKEINTRESOURCEW(101)), icon);
  EXPECT_EQ(LoadIconW(nullptr, MAKEINTRESOURCEW(102)), nullptr);
  EXPECT_EQ(LoadIconW(nullptr, L"by name"), nullptr);
  WNDCLASSW cls{};
  cls.lpfnWndProc = DefWindowProcW;
  cls.hIcon = icon;
  cls.lpszClassName = L"IconClass";
  ASSERT_NE(RegisterClassW(&cls), 0);
  HWND window = CreateWindowExW(0, L"IconClass", L"icon", 0, 0, 0, 40, 40, nullptr, nullptr,
                                nullptr, nullptr);
  EXPECT_NE(window, nullptr);
  DestroyWindow(window);
  UnregisterClassW(L"IconClass", nullptr);
}

TEST(BeepTest, QueuesAToneWithoutWaitingForIt) {
  // Set here as well: CTest's discovered tests receive only the first of the suite's variables.
  setenv("SDL_AUDIODRIVER", "dummy", 1);
  EXPECT_TRUE(MessageBeep(0));
  // The dummy audio driver plays in real time: the tone is still queued when the call returns.
  EXPECT_GT(platform::detail::QueuedBeepBytes(), 0u);
  EXPECT_TRUE(MessageBeep(MB_DEFAULT_BEEP));
}

}  // namespace
}  // namespace kavro_test
