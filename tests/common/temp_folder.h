// Real things in a temporary folder: the folder itself, removed with everything in it, whole
// files written and read back, and pseudo-terminals linked there as COMn ports.
#pragma once

#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include <fcntl.h>
#include <pty.h>
#include <unistd.h>

namespace kavro_test {

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

inline std::string ReadWholeFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

inline void WriteWholeFile(const std::string& path, const std::string& contents) {
  std::ofstream(path, std::ios::binary) << contents;
}

// A pseudo-terminal whose slave is linked as folder/COM<number>. The test keeps the master (the
// receiver's end) and a slave descriptor of its own to look at the line.
struct PtyLink {
  PtyLink(const std::string& folder, int number) : name(L"COM" + std::to_wstring(number) + L":") {
    char slaveName[128] = {};
    EXPECT_EQ(openpty(&master, &slave, slaveName, nullptr, nullptr), 0) << std::strerror(errno);
    for (int fd : {master, slave}) fcntl(fd, F_SETFD, FD_CLOEXEC);
    EXPECT_EQ(symlink(slaveName, (folder + "/COM" + std::to_string(number)).c_str()), 0);
  }
  ~PtyLink() { Unplug(); close(slave); }
  void Send(const std::string& bytes) const {
    ASSERT_EQ(write(master, bytes.data(), bytes.size()), static_cast<ssize_t>(bytes.size()));
  }
  // The receiver is unplugged: the line sees a hang-up and the next read fails.
  void Unplug() {
    if (master >= 0) close(master);
    master = -1;
  }

  std::wstring name;  // as the program names the port
  int master = -1;
  int slave = -1;
};

}  // namespace kavro_test
