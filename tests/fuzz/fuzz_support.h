// What every fuzz target shares: a program folder of its own in a temporary folder that the
// module path points into, message boxes counted, the locale the program runs with, the check
// that turns a broken promise into a crash libFuzzer keeps, and the headers all of them use.
#pragma once

#include <fcntl.h>
#include <sanitizer/common_interface_defs.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <clocale>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <cwchar>
#include <filesystem>
#include <string>
#include <system_error>

#include "gps/gps_port.h"
#include "platform/kernel.h"
#include "platform/testing.h"
#include "platform/user.h"

namespace kavro_fuzz {

// A failed check is a finding like a sanitizer report: libFuzzer saves the input on abort. The
// message goes where sanitizer reports go, which stays open under -close_fd_mask=2.
inline void Require(bool condition, const char* what) {
  if (condition) return;
  const std::string message = std::string("kavro fuzz: broken promise: ") + what;
  __sanitizer_report_error_summary(message.c_str());
  std::abort();
}

// UTF-8 to wide characters, for paths of our own making (plain ASCII in practice).
inline std::wstring Widen(const std::string& text) { return std::wstring(text.begin(), text.end()); }

// The program folder: kavro-<target>-<pid>-XXXXXX holding the stand-in program file "kavro",
// removed again when the run ends normally; folders left by runs that crashed are removed by
// the next run. In memory (/dev/shm) where there is such a folder: the targets rewrite files
// thousands of times a second, which a disk need not see. Made once per run, it also sets up
// what the program sets up: paths and text convert through the user's locale (UTF-8), and a
// message box neither blocks nor prints for every input but is counted in shownBoxes.
class ProgramFolder {
 public:
  explicit ProgramFolder(const char* target) {
    std::setlocale(LC_CTYPE, "C.UTF-8");
    platform::testing::SetMessageBoxHook([this](LPCWSTR, LPCWSTR, UINT) {
      ++shownBoxes;
      return IDOK;
    });
    const std::string base = access("/dev/shm", W_OK | X_OK) == 0 ? "/dev/shm" : "/tmp";
    const std::string prefix = std::string("kavro-") + target + "-";
    std::error_code error;
    for (const auto& entry : std::filesystem::directory_iterator(base, error)) {
      // A libFuzzer run that crashed ends without cleaning up; its process is gone by now.
      const std::string name = entry.path().filename().string();
      if (name.compare(0, prefix.size(), prefix) != 0) continue;
      const long pid = std::strtol(name.c_str() + prefix.size(), nullptr, 10);
      if (pid <= 0 || (kill(static_cast<pid_t>(pid), 0) != 0 && errno == ESRCH)) std::filesystem::remove_all(entry.path(), error);
    }
    std::string pattern = base + "/" + prefix + std::to_string(getpid()) + "-XXXXXX";
    Require(mkdtemp(pattern.data()) != nullptr, "a temporary folder can be made");
    path_ = pattern;
    programPath_ = Widen(path_ + "/kavro");
    UseAsModulePath();
  }
  ~ProgramFolder() {
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
  }
  ProgramFolder(const ProgramFolder&) = delete;
  ProgramFolder& operator=(const ProgramFolder&) = delete;

  // GetModuleFileNameW reports the program file in this folder (again).
  void UseAsModulePath() const { platform::testing::SetModulePath(programPath_.c_str()); }

  const std::string& path() const { return path_; }
  std::string Entry(const std::string& name) const { return path_ + "/" + name; }

  int shownBoxes = 0;

 private:
  std::string path_;
  std::wstring programPath_;
};

}  // namespace kavro_fuzz
