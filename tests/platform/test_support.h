// Real things for platform tests: a temporary folder, a pseudo-terminal reachable as a COMn
// port from a stand-in program folder, the UTF-8 locale the program runs under, and off-screen
// DCs with a leak check on GDI objects.
#pragma once

#include <gtest/gtest.h>

#include <cerrno>
#include <clocale>
#include <cstdlib>
#include <cstring>
#include <array>
#include <filesystem>
#include <ostream>
#include <string>

#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <termios.h>
#include <unistd.h>

#include "platform/comm/arbitrary_rate.h"
#include "platform/testing.h"
#include "platform/windows.h"

namespace kavro_test {

// The program takes its locale from the environment at start; the tests fix it to UTF-8.
struct Utf8Locale : ::testing::Environment {
  void SetUp() override { ASSERT_NE(std::setlocale(LC_CTYPE, "C.UTF-8"), nullptr); }
};
inline auto* const utf8Locale = ::testing::AddGlobalTestEnvironment(new Utf8Locale);

// Opens a port (or file) the way the viewer opens its port.
inline HANDLE OpenExisting(const std::wstring& name) {
  return CreateFileW(name.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, 0);
}

// A fresh folder under /tmp, removed with everything in it.
class TempFolder {
 public:
  TempFolder() {
    char pattern[] = "/tmp/kavro-test-XXXXXX";
    if (mkdtemp(pattern) != nullptr) path_ = pattern;
  }
  ~TempFolder() {
    std::error_code error;
    std::filesystem::remove_all(path_, error);
  }
  TempFolder(const TempFolder&) = delete;
  TempFolder& operator=(const TempFolder&) = delete;
  const std::string& Path() const { return path_; }
  std::string File(const std::string& name) const { return path_ + "/" + name; }
  std::wstring WideFile(const std::string& name) const {
    return std::filesystem::path(File(name)).wstring();
  }

 private:
  std::string path_;
};

// A pseudo-terminal whose slave is linked as COM<number> in a temporary program folder, set
// through platform::testing::SetModulePath. The test keeps the master (the receiver's end)
// and a slave descriptor of its own to look at the line.
class PtyPort {
 public:
  explicit PtyPort(int number) : number_(number) {
    char slaveName[128] = {};
    if (openpty(&master_, &slave_, slaveName, nullptr, nullptr) != 0) {
      ADD_FAILURE() << "openpty: " << std::strerror(errno);
      return;
    }
    fcntl(master_, F_SETFD, FD_CLOEXEC);
    fcntl(slave_, F_SETFD, FD_CLOEXEC);
    const std::string link = folder_.File("COM" + std::to_string(number));
    EXPECT_EQ(symlink(slaveName, link.c_str()), 0) << link << ": " << std::strerror(errno);
    platform::testing::SetModulePath(folder_.WideFile("kavro").c_str());
  }
  ~PtyPort() {
    platform::testing::SetModulePath(nullptr);
    CloseMaster();
    if (slave_ >= 0) close(slave_);
  }
  PtyPort(const PtyPort&) = delete;
  PtyPort& operator=(const PtyPort&) = delete;
  std::wstring Name() const { return L"COM" + std::to_wstring(number_) + L":"; }
  int Slave() const { return slave_; }

  void Send(const std::string& bytes) const {
    ASSERT_EQ(write(master_, bytes.data(), bytes.size()), static_cast<ssize_t>(bytes.size()));
  }
  bool Quiet(int waitMs) const {  // nothing comes out of the port within the wait
    pollfd watch{master_, POLLIN, 0};
    return poll(&watch, 1, waitMs) == 0;
  }
  // The line's termios and its arbitrary rate (0: none), as one comparable array.
  std::array<unsigned, 8> LineSettings() const {
    termios t{};
    DWORD rate = 0;
    if (tcgetattr(slave_, &t) != 0 || !platform::detail::GetArbitraryRate(slave_, &rate)) rate = 0;
    return {t.c_iflag, t.c_oflag, t.c_cflag, t.c_lflag, cfgetospeed(&t), t.c_cc[VMIN],
            t.c_cc[VTIME], rate};
  }
  void CloseMaster() {  // the receiver is unplugged
    if (master_ >= 0) close(master_);
    master_ = -1;
  }

 private:
  TempFolder folder_;
  int number_;
  int master_ = -1;
  int slave_ = -1;
};

// A rectangle as left, top, right, bottom, which compares and prints as a whole.
using Box = std::array<LONG, 4>;

inline Box Edges(const RECT& r) { return {r.left, r.top, r.right, r.bottom}; }

constexpr COLORREF kSurfaceBack = RGB(0, 0, 128);

// An off-screen DC, filled with a colour of its own so that untouched pixels show.
class SurfaceDc {
 public:
  SurfaceDc(int width, int height) : dc_(platform::testing::CreateSurfaceDC(width, height)) {
    HBRUSH brush = CreateSolidBrush(kSurfaceBack);
    const RECT all{0, 0, width, height};
    FillRect(dc_, &all, brush);
    DeleteObject(brush);
  }
  ~SurfaceDc() { platform::testing::DeleteSurfaceDC(dc_); }
  SurfaceDc(const SurfaceDc&) = delete;
  SurfaceDc& operator=(const SurfaceDc&) = delete;
  HDC get() const { return dc_; }

 private:
  HDC dc_;
};

struct Segment { int x0, y0, x1, y1; };

inline std::ostream& operator<<(std::ostream& out, const Segment& l) {
  return out << "line (" << l.x0 << "," << l.y0 << ")-(" << l.x1 << "," << l.y1 << ")";
}

// A line drawn with a pen of its own, the DC's pen left as it was.
inline void Line(HDC dc, const Segment& l, COLORREF colour, int width) {
  HPEN pen = CreatePen(PS_SOLID, width, colour);
  HGDIOBJ old = SelectObject(dc, pen);
  MoveToEx(dc, l.x0, l.y0, nullptr);
  LineTo(dc, l.x1, l.y1);
  SelectObject(dc, old);
  DeleteObject(pen);
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
  void TearDown() override {
    EXPECT_EQ(platform::testing::CountLiveHandles(), live_) << "GDI objects or DCs leaked";
  }

 private:
  std::size_t live_ = 0;
};

}  // namespace kavro_test
