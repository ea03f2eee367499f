// Port names: "COMn:" with n >= 1 names a serial port; the entry COMn in the program folder,
// when there is one, is that port (a link to /dev/ttyUSB0, a pseudo-terminal, ...), otherwise
// the n-th built-in serial port /dev/ttyS<n-1>. "\\.\" followed by a source names a device
// path or a network source.
#include "comm/comm_private.h"

#include <cstdio>
#include <cwctype>
#include <string>

#include <sys/stat.h>

#include "detail/ports.h"
#include "detail/wide_text.h"
#include "platform/kernel.h"

namespace platform::detail {
namespace {

constexpr wchar_t kSourcePrefix[] = L"\\\\.\\";
constexpr std::size_t kSourcePrefixLength = 4;

bool IsSourceName(const std::wstring& text) { return text.compare(0, kSourcePrefixLength, kSourcePrefix) == 0; }

HANDLE Fail(DWORD error) {
  SetLastError(error);
  return INVALID_HANDLE_VALUE;
}

HANDLE OpenSource(const std::wstring& text, DWORD desiredAccess) {
  std::string narrow;
  if (!WideToNarrow(text.c_str(), &narrow)) {
    std::fprintf(stderr, "kavro: a source name that this locale cannot write\n");
    return Fail(ERROR_INVALID_NAME);
  }
  SourceName source;
  std::string problem;
  if (!ParseSourceName(narrow, &source, &problem)) {
    std::fprintf(stderr, "kavro: %s: %s\n", narrow.c_str(), problem.c_str());
    return Fail(ERROR_INVALID_NAME);
  }
  if (source.kind == SourceName::Device) return OpenSerialLine(source.path, desiredAccess, true);
  return OpenNetSource(source, narrow, desiredAccess);
}

}  // namespace

bool IsPortName(LPCWSTR name) {
  if (name == nullptr) return false;
  const std::wstring text(name);
  if (IsSourceName(text)) return true;
  if (text.size() < 4 || text.back() != L':' || text.find(L'/') != std::wstring::npos) return false;
  return std::towupper(static_cast<wint_t>(text[0])) == L'C' && std::towupper(static_cast<wint_t>(text[1])) == L'O' &&
         std::towupper(static_cast<wint_t>(text[2])) == L'M';
}

int PortNumber(LPCWSTR name) {
  if (!IsPortName(name)) return 0;
  const std::wstring text(name);
  if (IsSourceName(text)) return 0;
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

HANDLE OpenPort(LPCWSTR name, DWORD desiredAccess, DWORD creationDisposition) {
  // A port exists or it does not; it cannot be created or truncated.
  if (creationDisposition != OPEN_EXISTING && creationDisposition != OPEN_ALWAYS) {
    return Fail(ERROR_INVALID_PARAMETER);
  }
  const std::wstring text(name);
  if (IsSourceName(text)) return OpenSource(text.substr(kSourcePrefixLength), desiredAccess);
  const int number = PortNumber(name);
  if (number < 1) return Fail(ERROR_FILE_NOT_FOUND);
  std::string path;
  ResolvePortPath(number, &path);
  return OpenSerialLine(path, desiredAccess, false);
}

}  // namespace platform::detail
