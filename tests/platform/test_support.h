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

#include <netdb.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
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

// Opens a source by its name, as the viewer opens a PORT line's source.
inline HANDLE OpenSource(const std::string& source) {
  return OpenExisting(L"\\\\.\\" + std::wstring(source.begin(), source.end()));
}

// Reads, each read bounded by the port's timeouts, until these bytes have come or the limit.
inline std::string ReadUntil(HANDLE port, const std::string& wanted, milliseconds limit = milliseconds(3000)) {
  std::string got;
  for (const auto end = Clock::now() + limit; got.find(wanted) == std::string::npos && Clock::now() < end;) {
    const ReadResult r = ReadPort(port, 1000);
    EXPECT_EQ(r.ok, TRUE) << r.error;
    got += r.bytes;
  }
  return got;
}

// A socket bound to a loopback address, on a port the system chose (or the one given, once it
// is free); a stream socket listens.
struct LoopbackSocket {
  explicit LoopbackSocket(int type = SOCK_STREAM, const char* address = "127.0.0.1", int wanted = 0, int backlog = 4) {
    addrinfo hints{AI_NUMERICHOST, AF_UNSPEC, type, 0, 0, nullptr, nullptr, nullptr}, *found = nullptr;
    EXPECT_EQ(getaddrinfo(address, std::to_string(wanted).c_str(), &hints, &found), 0);
    if (found == nullptr) return;
    fd = socket(found->ai_family, type | SOCK_CLOEXEC, 0);
    const int on = 1;
    if (type == SOCK_STREAM) setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
    EXPECT_EQ(bind(fd, found->ai_addr, found->ai_addrlen), 0) << std::strerror(errno);
    freeaddrinfo(found);
    sockaddr_storage bound{};
    socklen_t size = sizeof bound;
    getsockname(fd, reinterpret_cast<sockaddr*>(&bound), &size);
    port = std::to_string(ntohs(reinterpret_cast<sockaddr_in*>(&bound)->sin_port));  // same place in sockaddr_in6
    if (type == SOCK_STREAM) listen(fd, backlog);
  }
  ~LoopbackSocket() { close(fd); }
  // The next client, or -1 when none comes within the limit.
  int Accept(int limitMs = 5000) const {
    pollfd watch{fd, POLLIN, 0};
    return poll(&watch, 1, limitMs) == 1 ? accept4(fd, nullptr, nullptr, SOCK_CLOEXEC) : -1;
  }
  int fd = -1;
  std::string port;
};

inline void SendAll(int fd, const std::string& bytes) {
  ASSERT_EQ(send(fd, bytes.data(), bytes.size(), MSG_NOSIGNAL), static_cast<ssize_t>(bytes.size()));
}

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
