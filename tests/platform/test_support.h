// Real things for platform tests: a pseudo-terminal reachable as a COMn port from a stand-in
// program folder, the UTF-8 locale the program runs under, and off-screen DCs with a leak check
// on GDI objects; with the headers that most of the tests use.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <chrono>
#include <climits>
#include <clocale>
#include <string>
#include <thread>
#include <vector>

#include <termios.h>
#include <unistd.h>

#include "common/temp_folder.h"
#include "platform/comm/arbitrary_rate.h"
#include "platform/testing.h"
#include "platform/windows.h"

namespace kavro_test {

using std::chrono::milliseconds;
using Clock = std::chrono::steady_clock;

// The program takes its locale from the environment at start; the tests fix it to UTF-8.
struct Utf8Locale : ::testing::Environment {
  void SetUp() override { ASSERT_NE(std::setlocale(LC_CTYPE, "C.UTF-8"), nullptr); }
};
inline auto* const utf8Locale = ::testing::AddGlobalTestEnvironment(new Utf8Locale);

// Opens a port (or file) the way the viewer opens its port.
inline HANDLE OpenExisting(const std::wstring& name) {
  return CreateFileW(name.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, 0);
}

// ReadFile on a port: its result, the last error, how long it took, and the bytes it read; a
// count beyond the buffer (12345: none given) shows instead of the bytes.
struct ReadResult { BOOL ok; DWORD error; Clock::duration elapsed; std::string bytes; };
inline ReadResult ReadPort(HANDLE port, DWORD size) {
  std::string buffer(size, '\0');
  DWORD got = 12345;
  const auto start = Clock::now();
  const BOOL ok = ReadFile(port, buffer.data(), size, &got, nullptr);
  return {ok, GetLastError(), Clock::now() - start,
          got <= size ? buffer.substr(0, got) : "count " + std::to_string(got)};
}

inline void SetTimeouts(HANDLE port, COMMTIMEOUTS timeouts) { ASSERT_EQ(SetCommTimeouts(port, &timeouts), TRUE); }

// A pseudo-terminal linked as COM<number> in a temporary program folder, set through
// platform::testing::SetModulePath.
struct PtyPort : TempFolder, PtyLink {
  explicit PtyPort(int number) : PtyLink(path, number) { platform::testing::SetModulePath(WideFile("kavro").c_str()); }
  ~PtyPort() { platform::testing::SetModulePath(nullptr); }
  // The line's termios and its arbitrary rate (0: none), as one comparable array.
  std::array<unsigned, 8> LineSettings() const {
    termios t{};
    DWORD rate = 0;
    if (tcgetattr(slave, &t) != 0 || !platform::detail::GetArbitraryRate(slave, &rate)) rate = 0;
    return {t.c_iflag, t.c_oflag, t.c_cflag, t.c_lflag, cfgetospeed(&t), t.c_cc[VMIN], t.c_cc[VTIME], rate};
  }
};

// A rectangle as left, top, right, bottom, which compares and prints as a whole.
using Box = std::array<LONG, 4>;
inline Box Edges(const RECT& r) { return {r.left, r.top, r.right, r.bottom}; }

constexpr COLORREF kSurfaceBack = RGB(0, 0, 128);
constexpr COLORREF kWhite = RGB(255, 255, 255);

// An off-screen DC, filled with a colour of its own so that untouched pixels show.
struct SurfaceDc {
  SurfaceDc(int width, int height) : dc(platform::testing::CreateSurfaceDC(width, height)) {
    const RECT all{0, 0, width, height};
    HBRUSH brush = CreateSolidBrush(kSurfaceBack);
    FillRect(dc, &all, brush);
    DeleteObject(brush);
  }
  ~SurfaceDc() { platform::testing::DeleteSurfaceDC(dc); }
  HDC dc;
};

// A line drawn with a pen of its own, the DC's pen left as it was.
inline void Line(HDC dc, const std::array<int, 4>& l, COLORREF colour, int width) {
  HGDIOBJ old = SelectObject(dc, CreatePen(PS_SOLID, width, colour));
  MoveToEx(dc, l[0], l[1], nullptr);
  LineTo(dc, l[2], l[3]);
  DeleteObject(SelectObject(dc, old));
}

inline HBRUSH BlackBrush() { return static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)); }

// The surface as text, one character a pixel: '.' background, '#' the colour, '?' anything else.
inline std::string Picture(HDC dc, int width, int height, COLORREF colour) {
  std::string out;
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      const COLORREF p = GetPixel(dc, x, y);
      out += p == kSurfaceBack ? '.' : p == colour ? '#' : '?';
    }
    out += '\n';
  }
  return out;
}

// Every test leaves the handle table as it found it.
class GdiTest : public ::testing::Test {
 protected:
  void SetUp() override {
    GetStockObject(WHITE_BRUSH);  // stock objects are permanent and not counted, but made once
    live_ = platform::testing::CountLiveHandles();
  }
  void TearDown() override { EXPECT_EQ(platform::testing::CountLiveHandles(), live_) << "GDI objects leaked"; }
  std::size_t live_ = 0;
};

}  // namespace kavro_test
