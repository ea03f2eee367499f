// Fuzz target: names and paths that come from outside the program. The port number from the
// settings becomes a "COMn:" name and is resolved to a device; the program file's path (any
// wide string, invalid characters included) becomes the paths of the settings and log files;
// and any wide name goes through CreateFileW, which must fail cleanly for what is no port and
// no file. Nothing is ever created: every open is OPEN_EXISTING with GENERIC_READ, inside a
// temporary folder, and a port name is only opened when it resolves into that folder.
//
// Input: 4 bytes of port number, then wide strings separated by a zero character: the program
// file's path and a name to open. Bytes below 0xFF are characters of their own (ASCII and
// Latin-1); 0xFF takes the next 4 bytes as one raw wchar_t, so any value, surrogates and
// numbers past U+10FFFF and negative ones included, can appear.
#include <pty.h>

#include <algorithm>
#include <set>

#include "comm/comm_private.h"
#include "core/program_path.h"
#include "detail/ports.h"
#include "fuzz/fuzz_support.h"

namespace {

using kavro_fuzz::Require;

constexpr std::size_t PathSize = 260;  // the program's path buffers
constexpr int PtyPortNumber = 5;       // the one entry that is a real (pseudo-terminal) port
constexpr int LastPortEntry = 5;       // COM1 .. COM5 live in the folder

struct Paths {
  kavro_fuzz::ProgramFolder folder{"paths"};
  std::string startFolder;
  int ptyMaster = -1;
  std::set<std::string> entries;  // what the folder holds; no input may add to it
};

Paths* paths = nullptr;

// Everything below the folder.
std::set<std::string> ListFolder() {
  std::set<std::string> names;
  for (const auto& entry : std::filesystem::recursive_directory_iterator(paths->folder.path())) names.insert(entry.path());
  return names;
}

// Entries of every kind a name can meet: a file, a folder, a FIFO, links that lead nowhere or
// in a circle, and COM1..COM5 as a file, a dangling link, a folder, a FIFO and a real
// pseudo-terminal.
void MakeFolderEntries() {
  const kavro_fuzz::ProgramFolder& folder = paths->folder;
  auto makeFile = [&](const std::string& name) {
    const int fd = open(folder.Entry(name).c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
    Require(fd >= 0 && write(fd, "$GPRMC\n", 7) == 7 && close(fd) == 0, "a file for the folder");
  };
  makeFile("file");
  Require(mkdir(folder.Entry("dir").c_str(), 0700) == 0, "a folder for the folder");
  makeFile("dir/inner");
  Require(mkfifo(folder.Entry("fifo").c_str(), 0600) == 0, "a FIFO for the folder");
  Require(symlink("missing-target", folder.Entry("dangling").c_str()) == 0, "a dangling link");
  Require(symlink("loop", folder.Entry("loop").c_str()) == 0, "a link to itself");
  makeFile("COM1");
  Require(symlink("missing-device", folder.Entry("COM2").c_str()) == 0, "a port link to nothing");
  Require(mkdir(folder.Entry("COM3").c_str(), 0700) == 0, "a folder named as a port");
  Require(mkfifo(folder.Entry("COM4").c_str(), 0600) == 0, "a FIFO named as a port");
  int slave = -1;
  char name[128];
  Require(openpty(&paths->ptyMaster, &slave, name, nullptr, nullptr) == 0, "a pseudo-terminal");
  Require(symlink(name, folder.Entry("COM5").c_str()) == 0, "a port link to the pseudo-terminal");
  close(slave);
}

// The next string, up to a zero character or the end, in the input's encoding (see the top of
// the file); false when the input is used up.
bool NextString(const std::uint8_t** at, const std::uint8_t* end, std::wstring* text) {
  if (*at >= end) return false;
  text->clear();
  while (*at < end) {
    wchar_t character = *(*at)++;
    if (character == 0xFF && end - *at >= 4) {
      std::memcpy(&character, *at, sizeof character);
      *at += sizeof character;
    }
    if (character == L'\0') break;
    text->push_back(character);
  }
  return true;
}

// Opens name the only way the checks here open anything, and gives back what it got.
bool OpenAndClose(const std::wstring& name) {
  const HANDLE file = CreateFileW(name.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
  const bool opened = file != INVALID_HANDLE_VALUE;
  Require(opened ? CloseHandle(file) != 0 : GetLastError() != ERROR_SUCCESS, "an opened name closes, a failed open says why");
  return opened;
}

// "COM%d:" for any number; the platform reads back exactly the numbers that name a port.
void CheckPortNumber(std::int32_t number) {
  wchar_t name[PortNameSize];
  Require(FormatPortName(number, name, PortNameSize) == 1, "every number has a whole port name");
  Require(platform::detail::IsPortName(name), "a formatted port name is taken for a port");
  // Nine digits at most: the platform reads no further, and no receiver is numbered higher.
  const bool names = number >= 1 && number <= 999999999;
  Require(platform::detail::PortNumber(name) == (names ? number : 0), "a port name reads back as its number");
  if (!names) {
    Require(!OpenAndClose(name) && GetLastError() == ERROR_FILE_NOT_FOUND, "a name without a port opens nothing");
    return;
  }
  std::string device;
  platform::detail::ResolvePortPath(number, &device);
  if (number <= LastPortEntry) {
    Require(device == paths->folder.Entry("COM" + std::to_string(number)), "a COMn entry in the program folder is the port");
    // Only the pseudo-terminal is a serial port; the file, folder, FIFO and dangling link fail.
    Require(OpenAndClose(name) == (number == PtyPortNumber), "only a serial device opens as a port");
  } else {
    // The built-in line /dev/ttyS<n-1> is left alone: opening real hardware is not for a fuzzer.
    Require(device == "/dev/ttyS" + std::to_string(number - 1), "without an entry, the built-in line");
  }
}

// The program file's path as given: the settings and log paths follow the folder rule, and
// their 8-bit form is the same path or none at all. (GetModuleFileNameW copies the path
// without looking at its characters; its cut is the table in tests/platform/files_test.cpp.)
void CheckProgramPath(const std::wstring& modulePath) {
  platform::testing::SetModulePath(modulePath.c_str());

  for (const wchar_t* fileName : {L"Tolm.ini", L"Tolm.txt"}) {
    wchar_t path[PathSize];
    const int built = BuildProgramFilePath(path, PathSize, fileName);
    const std::wstring::size_type slash = modulePath.rfind(L'/');
    const std::wstring expected =
        (slash == std::wstring::npos ? std::wstring() : modulePath.substr(0, slash)) + L"/" + fileName;
    const bool fits = !modulePath.empty() && modulePath.size() < PathSize && expected.size() < PathSize;
    Require(built == (fits ? 1 : 0), "a path is built exactly when the program path and the result fit");
    Require(expected == path || (!fits && path[0] == L'\0'), "the file sits in the program's folder, or no path");
    if (!built) continue;

    char bytes[PathSize];
    if (ConvertPathToBytes(bytes, PathSize, path)) {
      wchar_t back[PathSize + 1];
      const std::size_t length = std::mbstowcs(back, bytes, PathSize + 1);
      Require(length != static_cast<std::size_t>(-1) && std::wcscmp(back, path) == 0,
              "the 8-bit path names the same file");
    } else {
      Require(bytes[0] == '\0', "a path that cannot be converted is empty");
    }
  }

  // Port links are looked for in the program's folder, whatever it is; only looked at there.
  std::string device;
  platform::detail::ResolvePortPath(1, &device);
  Require(device == "/dev/ttyS0" || (device.size() > 5 && device.compare(device.size() - 5, 5, "/COM1") == 0),
          "port 1 is the folder's COM1 or the first built-in line");

  paths->folder.UseAsModulePath();
}

// Any name through CreateFileW, inside the folder.
void CheckOpen(const std::wstring& name) {
  if (platform::detail::IsPortName(name.c_str())) {
    const int number = platform::detail::PortNumber(name.c_str());
    if (number < 1) {
      Require(!OpenAndClose(name) && GetLastError() == ERROR_FILE_NOT_FOUND, "a malformed port name names no port");
      return;
    }
    const std::wstring plain = L"COM" + std::to_wstring(number) + L":";
    Require(name.size() == plain.size() && wcsncasecmp(name.c_str(), L"com", 3) == 0 && name.compare(3, name.npos, plain, 3) == 0,
            "only COMn: itself, in either case, names port n");
    if (number <= LastPortEntry) Require(OpenAndClose(name) == (number == PtyPortNumber), "only a serial device opens");
    return;
  }
  // The name stays inside the folder: it may not climb out, and a rooted name is rooted there.
  if (name.find(L"..") != std::wstring::npos) return;
  if (!name.empty() && name[0] == L'/') {
    OpenAndClose(kavro_fuzz::Widen(paths->folder.path()) + name);
    return;
  }
  Require(chdir(paths->folder.path().c_str()) == 0, "into the folder");
  OpenAndClose(name);
  Require(chdir(paths->startFolder.c_str()) == 0, "back out of the folder");
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int* /*argc*/, char*** /*argv*/) {
  static Paths instance;  // its folder goes when the run ends
  paths = &instance;
  paths->startFolder = std::filesystem::current_path().string();
  MakeFolderEntries();
  paths->entries = ListFolder();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::size_t liveHandles = platform::testing::CountLiveHandles();
  std::int32_t number = 0;
  const std::size_t head = std::min(size, sizeof number);
  std::memcpy(&number, data, head);
  CheckPortNumber(number);

  const std::uint8_t* at = data + head;
  const std::uint8_t* end = data + size;
  std::wstring text;
  if (NextString(&at, end, &text)) CheckProgramPath(text);
  if (NextString(&at, end, &text)) CheckOpen(text);

  Require(paths->folder.shownBoxes == 0, "no message for a name");
  Require(platform::testing::CountLiveHandles() == liveHandles, "every handle is given back");
  Require(ListFolder() == paths->entries, "opening existing files creates nothing");
  return 0;
}
