// Real things for platform tests: a temporary folder, a pseudo-terminal reachable as a COMn
// port from a stand-in program folder, the UTF-8 locale the program runs under, and off-screen
// DCs with a leak check on GDI objects; with the headers that most of the tests use.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <chrono>
#include <climits>
#include <clocale>
#include <cstring>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include <fcntl.h>
#include <pty.h>
#include <termios.h>
#include <unistd.h>

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

// ReadFile on a port: its result, the last error, how long it took, and the bytes it read.
struct ReadResult { BOOL ok; DWORD error; Clock::duration elapsed; std::string bytes; };
inline ReadResult ReadPort(HANDLE port, DWORD size) {
  std::string buffer(size, '\0');
  DWORD got = 12345;
  const auto start = Clock::now();
  const BOOL ok = ReadFile(port, buffer.data(), size, &got, nullptr);
  return {ok, GetLastError(), Clock::now() - start, buffer.substr(0, got <= size ? got : 0)};
}

inline void SetTimeouts(HANDLE port, COMMTIMEOUTS timeouts) { ASSERT_EQ(SetCommTimeouts(port, &timeouts), TRUE); }

// A fresh folder under /tmp, removed with everything in it.
struct TempFolder {
  TempFolder() {
    char pattern[] = "/tmp/kavro-test-XXXXXX";
    if (mkdtemp(pattern) != nullptr) path = pattern;
  }
  ~TempFolder() { std::error_code ignored; std::filesystem::remove_all(path, ignored); }
  std::string File(const std::string& name) const { return path + "/" + name; }
  std::wstring WideFile(const std::string& name) const { return std::filesystem::path(File(name)).wstring(); }
  std::string path;
};

// A pseudo-terminal whose slave is linked as COM<number> in a temporary program folder, set
// through platform::testing::SetModulePath. The test keeps the master (the receiver's end)
// and a slave descriptor of its own to look at the line.
struct PtyPort {
  explicit PtyPort(int number) : name(L"COM" + std::to_wstring(number) + L":") {
    char slaveName[128] = {};
    EXPECT_EQ(openpty(&master, &slave, slaveName, nullptr, nullptr), 0) << std::strerror(errno);
    for (int fd : {master, slave}) fcntl(fd, F_SETFD, FD_CLOEXEC);
    EXPECT_EQ(symlink(slaveName, folder.File("COM" + std::to_string(number)).c_str()), 0);
    platform::testing::SetModulePath(folder.WideFile("kavro").c_str());
  }
  ~PtyPort() {
    platform::testing::SetModulePath(nullptr);
    CloseMaster();
    close(slave);
  }
  void Send(const std::string& bytes) const {
    ASSERT_EQ(write(master, bytes.data(), bytes.size()), static_cast<ssize_t>(bytes.size()));
  }
  // The line's termios and its arbitrary rate (0: none), as one comparable array.
  std::array<unsigned, 8> LineSettings() const {
    termios t{};
    DWORD rate = 0;
    if (tcgetattr(slave, &t) != 0 || !platform::detail::GetArbitraryRate(slave, &rate)) rate = 0;
    return {t.c_iflag, t.c_oflag, t.c_cflag, t.c_lflag, cfgetospeed(&t), t.c_cc[VMIN], t.c_cc[VTIME], rate};
  }
  void CloseMaster() {  // the receiver is unplugged
    if (master >= 0) close(master);
    master = -1;
  }

  TempFolder folder;
  std::wstring name;
  int master = -1;
  int slave = -1;
};

// A rectangle as left, top, right, bottom, which compares and prints as a whole.
using Box = std::array<LONG, 4>;
inline Box Edges(const RECT& r) { return {r.left, r.top, r.right, r.bottom}; }

constexpr COLORREF kSurfaceBack = RGB(0, 0, 128);

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
