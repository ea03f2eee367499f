// A real pseudo-terminal linked as COMn in a temporary program folder, standing in for a GPS
// receiver on a serial port; and a recorder of message boxes.
#pragma once

#include <pty.h>
#include <stdlib.h>
#include <termios.h>
#include <unistd.h>

#include <cstdio>
#include <string>
#include <vector>

#include "platform/testing.h"

class PtyPort {
 public:
  // Opens the pseudo-terminal and links its device as COM<number> in a fresh program folder,
  // which becomes the module's folder. Check ok() afterwards.
  explicit PtyPort(int number) {
    char folderTemplate[] = "/tmp/kavro-gps-XXXXXX";
    if (mkdtemp(folderTemplate) == nullptr) return;
    folder_ = folderTemplate;
    if (openpty(&master_, &slave_, nullptr, nullptr, nullptr) != 0) return;
    link_ = folder_ + "/COM" + std::to_string(number);
    if (symlink(ttyname(slave_), link_.c_str()) != 0) return;
    const std::string module = folder_ + "/kavro";
    modulePath_.assign(module.begin(), module.end());
    platform::testing::SetModulePath(modulePath_.c_str());
    name_ = L"COM" + std::to_wstring(number) + L":";
    ok_ = true;
  }
  ~PtyPort() {
    platform::testing::SetModulePath(nullptr);
    CloseReceiverSide();
    if (slave_ >= 0) close(slave_);
    for (const std::string& link : extraLinks_) unlink(link.c_str());
    if (!link_.empty()) unlink(link_.c_str());
    if (!folder_.empty()) rmdir(folder_.c_str());
  }
  PtyPort(const PtyPort&) = delete;
  PtyPort& operator=(const PtyPort&) = delete;

  bool ok() const { return ok_; }
  const wchar_t* name() const { return name_.c_str(); }
  // The terminal side the program opens through the link; the test keeps its own descriptor
  // to read the line settings.
  int slave() const { return slave_; }

  // Adds another COMn entry to the program folder, pointing wherever the test wants.
  bool AddLink(int number, const std::string& target) {
    const std::string link = folder_ + "/COM" + std::to_string(number);
    if (symlink(target.c_str(), link.c_str()) != 0) return false;
    extraLinks_.push_back(link);
    return true;
  }

  // Sends bytes as the receiver would.
  bool Send(const std::string& bytes) const {
    std::size_t done = 0;
    while (done < bytes.size()) {
      const ssize_t n = write(master_, bytes.data() + done, bytes.size() - done);
      if (n <= 0) return false;
      done += static_cast<std::size_t>(n);
    }
    return true;
  }

  // Unplugs the receiver: the terminal side then sees a hang-up.
  void CloseReceiverSide() {
    if (master_ >= 0) close(master_);
    master_ = -1;
  }

 private:
  bool ok_ = false;
  int master_ = -1;
  int slave_ = -1;
  std::string folder_;
  std::string link_;
  std::vector<std::string> extraLinks_;
  std::wstring modulePath_;
  std::wstring name_;
};

struct ShownMessage {
  std::wstring text;
  std::wstring caption;
  UINT type;
  bool operator==(const ShownMessage& other) const {
    return text == other.text && caption == other.caption && type == other.type;
  }
};

inline void PrintTo(const ShownMessage& m, std::ostream* os) {
  *os << '"' << std::string(m.text.begin(), m.text.end()) << "\" caption \""
      << std::string(m.caption.begin(), m.caption.end()) << "\" type " << m.type;
}

// Collects every message box while it lives; each box is answered with OK.
class MessageBoxRecorder {
 public:
  MessageBoxRecorder() {
    platform::testing::SetMessageBoxHook([this](LPCWSTR text, LPCWSTR caption, UINT type) {
      shown_.push_back({text ? text : L"", caption ? caption : L"", type});
      return 1;  // IDOK
    });
  }
  ~MessageBoxRecorder() { platform::testing::SetMessageBoxHook(nullptr); }
  MessageBoxRecorder(const MessageBoxRecorder&) = delete;
  MessageBoxRecorder& operator=(const MessageBoxRecorder&) = delete;
  const std::vector<ShownMessage>& shown() const { return shown_; }

 private:
  std::vector<ShownMessage> shown_;
};
