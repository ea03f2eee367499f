// Port names: "COMn:" with n >= 1 names a port; the entry COMn in the program folder, when
// there is one, is that port (a link to /dev/ttyUSB0, a pseudo-terminal, ...), otherwise the
// n-th built-in serial port /dev/ttyS<n-1>.
#include <cwctype>
#include <string>

#include <sys/stat.h>

#include "comm/serial_port.h"
#include "detail/serial.h"
#include "detail/wide_text.h"
#include "platform/kernel.h"

namespace platform::detail {

bool IsPortName(LPCWSTR name) {
  if (name == nullptr) return false;
  const std::wstring text(name);
  if (text.size() < 4 || text.back() != L':' || text.find(L'/') != std::wstring::npos) return false;
  return std::towupper(static_cast<wint_t>(text[0])) == L'C' && std::towupper(static_cast<wint_t>(text[1])) == L'O' &&
         std::towupper(static_cast<wint_t>(text[2])) == L'M';
}

int PortNumber(LPCWSTR name) {
  if (!IsPortName(name)) return 0;
  const std::wstring text(name);
  const std::wstring digits = text.substr(3, text.size() - 4);
  // Plain decimal without sign or leading zero, as "COM%d:" writes it; at most 9 digits.
  if (digits.empty() || digits.size() > 9 || digits[0] == L'0') return 0;
  int number = 0;
  for (wchar_t c : digits) {
    if (c < L'0' || c > L'9') return 0;
    number = number * 10 + (c - L'0');
  }
  return number;
}

void ResolvePortPath(int number, std::string* path) {
  const std::string entry = "COM" + std::to_string(number);
  // The program folder is found through GetModuleFileNameW, so a test's stand-in path works.
  wchar_t module[4096];
  const DWORD length = GetModuleFileNameW(nullptr, module, 4096);
  std::string modulePath;
  if (length > 0 && length < 4096 && WideToNarrow(module, &modulePath)) {
    const std::string::size_type slash = modulePath.rfind('/');
    if (slash != std::string::npos) {
      const std::string candidate = modulePath.substr(0, slash + 1) + entry;
      struct stat info {};
      // lstat: a link whose device is missing still names the port, which then fails to open
      // rather than quietly falling back to another line.
      if (lstat(candidate.c_str(), &info) == 0) {
        *path = candidate;
        return;
      }
    }
  }
  *path = "/dev/ttyS" + std::to_string(number - 1);
}

}  // namespace platform::detail
