// Temporary folders, pseudo-terminal ports and the test locale.
#include "platform/test_support.h"

#include <cerrno>
#include <clocale>
#include <cstdlib>
#include <cstring>
#include <filesystem>

#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <pty.h>
#include <termios.h>
#include <unistd.h>

#include "platform/comm/arbitrary_rate.h"
#include "platform/testing.h"

namespace kavro_test {
namespace {

// The program sets its locale from the environment at start; the tests fix it to UTF-8.
class LocaleEnvironment : public ::testing::Environment {
 public:
  void SetUp() override { ASSERT_NE(std::setlocale(LC_CTYPE, "C.UTF-8"), nullptr); }
};
[[maybe_unused]] ::testing::Environment* const localeEnvironment =
    ::testing::AddGlobalTestEnvironment(new LocaleEnvironment);

}  // namespace

std::wstring Widen(const std::string& utf8) {
  std::wstring wide(utf8.size() + 1, L'\0');
  const std::size_t n = std::mbstowcs(wide.data(), utf8.c_str(), wide.size());
  if (n == static_cast<std::size_t>(-1)) return L"";
  wide.resize(n);
  return wide;
}

TempFolder::TempFolder() {
  char pattern[] = "/tmp/kavro-test-XXXXXX";
  if (mkdtemp(pattern) != nullptr) path_ = pattern;
}

TempFolder::~TempFolder() {
  if (path_.empty()) return;
  std::error_code error;
  // A test may have made the folder read-only.
  std::filesystem::permissions(path_, std::filesystem::perms::owner_all,
                               std::filesystem::perm_options::add, error);
  std::filesystem::remove_all(path_, error);
}

std::wstring TempFolder::WideFile(const std::string& name) const { return Widen(File(name)); }

HANDLE OpenExisting(const std::wstring& name, DWORD access) {
  return CreateFileW(name.c_str(), access, 0, nullptr, OPEN_EXISTING, 0, nullptr);
}

PtyPort::PtyPort(int number) : number_(number) {
  char slaveName[128] = {};
  if (openpty(&master_, &slave_, slaveName, nullptr, nullptr) != 0) {
    ADD_FAILURE() << "openpty: " << std::strerror(errno);
    return;
  }
  fcntl(master_, F_SETFD, FD_CLOEXEC);
  fcntl(slave_, F_SETFD, FD_CLOEXEC);
  const std::string link = folder_.File("COM" + std::to_string(number));
  if (symlink(slaveName, link.c_str()) != 0) {
    ADD_FAILURE() << "symlink " << link << ": " << std::strerror(errno);
  }
  platform::testing::SetModulePath(folder_.WideFile("kavro").c_str());
}

PtyPort::~PtyPort() {
  platform::testing::SetModulePath(nullptr);
  if (master_ >= 0) close(master_);
  if (slave_ >= 0) close(slave_);
}

std::wstring PtyPort::Name() const { return L"COM" + std::to_wstring(number_) + L":"; }

void PtyPort::Send(const std::string& bytes) const {
  std::size_t done = 0;
  while (done < bytes.size()) {
    const ssize_t n = write(master_, bytes.data() + done, bytes.size() - done);
    if (n < 0 && errno == EINTR) continue;
    ASSERT_GT(n, 0) << "write to the pseudo-terminal: " << std::strerror(errno);
    done += static_cast<std::size_t>(n);
  }
}

std::string PtyPort::Receive(int waitMs) const {
  std::string bytes;
  pollfd watch{master_, POLLIN, 0};
  while (poll(&watch, 1, waitMs) > 0 && (watch.revents & POLLIN) != 0) {
    char chunk[256];
    const ssize_t n = read(master_, chunk, sizeof chunk);
    if (n <= 0) break;
    bytes.append(chunk, static_cast<std::size_t>(n));
    waitMs = 50;  // the rest of a burst
  }
  return bytes;
}

std::string PtyPort::LineSettings() const {
  termios t{};
  if (tcgetattr(slave_, &t) != 0) return "unreadable";
  DWORD rate = 0;
  const bool arbitrary = platform::detail::GetArbitraryRate(slave_, &rate);
  return "iflag " + std::to_string(t.c_iflag) + " oflag " + std::to_string(t.c_oflag) +
         " cflag " + std::to_string(t.c_cflag) + " lflag " + std::to_string(t.c_lflag) +
         " speed " + std::to_string(cfgetospeed(&t)) + " vmin " + std::to_string(t.c_cc[VMIN]) +
         " vtime " + std::to_string(t.c_cc[VTIME]) +
         (arbitrary ? " arbitrary rate " + std::to_string(rate) : "");
}

void PtyPort::CloseMaster() {
  if (master_ >= 0) close(master_);
  master_ = -1;
}

}  // namespace kavro_test
