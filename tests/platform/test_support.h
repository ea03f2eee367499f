// Real things for platform tests: a temporary folder, a pseudo-terminal reachable as a COMn
// port from a stand-in program folder, and the UTF-8 locale the program runs under.
#pragma once

#include <string>

#include "platform/windows.h"

namespace kavro_test {

// A fresh folder under /tmp, removed with everything in it.
class TempFolder {
 public:
  TempFolder();
  ~TempFolder();
  TempFolder(const TempFolder&) = delete;
  TempFolder& operator=(const TempFolder&) = delete;
  const std::string& Path() const { return path_; }
  std::string File(const std::string& name) const { return path_ + "/" + name; }
  std::wstring WideFile(const std::string& name) const;

 private:
  std::string path_;
};

// A pseudo-terminal whose slave is linked as COM<number> in a temporary program folder, set
// through platform::testing::SetModulePath. The test keeps the master (the "receiver") and a
// slave descriptor of its own to look at the line's termios.
class PtyPort {
 public:
  explicit PtyPort(int number);
  ~PtyPort();
  PtyPort(const PtyPort&) = delete;
  PtyPort& operator=(const PtyPort&) = delete;
  std::wstring Name() const;  // "COMn:"
  int Slave() const { return slave_; }
  const TempFolder& Folder() const { return folder_; }
  void Send(const std::string& bytes) const;
  std::string Receive(int waitMs) const;  // what came out of the port within the wait
  // The line's termios and, when it runs at one, its arbitrary rate, in one comparable line.
  std::string LineSettings() const;
  void CloseMaster();

 private:
  TempFolder folder_;
  int number_;
  int master_ = -1;
  int slave_ = -1;
};

std::wstring Widen(const std::string& utf8);

// CreateFileW on an existing port or file, as the viewer opens its port.
HANDLE OpenExisting(const std::wstring& name, DWORD access = GENERIC_READ | GENERIC_WRITE);

}  // namespace kavro_test
