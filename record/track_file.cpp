// The track file: folders made as needed, a fresh name per run, writes at the offset the
// closing tags begin.
#include "record/track_file.h"

#include <cwchar>

#include "core/program_path.h"
#include "record/gpx_writer.h"

namespace {

constexpr wchar_t DefaultFolder[] = L"tracks";
// Names tried for one track before giving up: the time alone, then _2 up to this.
constexpr int MostNamesTried = 9999;

}  // namespace

int ResolveTracksFolder(const TrackState* state, wchar_t* folder, std::size_t size) {
  if (size == 0) return 0;
  folder[0] = L'\0';
  if (state->tracksMode == TracksInProgramFolder) return BuildProgramFilePath(folder, size, DefaultFolder);
  if (state->tracksMode != TracksInNamedFolder || state->tracksFolder[0] == L'\0') return 0;
  if (state->tracksFolder[0] != L'/') return BuildProgramFilePath(folder, size, state->tracksFolder);
  const std::size_t length = std::wcslen(state->tracksFolder);
  if (length >= size) return 0;
  std::wmemcpy(folder, state->tracksFolder, length + 1);
  return 1;
}

DWORD MakeFolders(const wchar_t* folder) {
  wchar_t part[TrackPathSize];
  const std::size_t length = std::wcslen(folder);
  if (length == 0) return ERROR_PATH_NOT_FOUND;
  if (length >= TrackPathSize) return ERROR_FILENAME_EXCED_RANGE;
  // Each folder from the top down; those already there are passed by.
  for (std::size_t end = 1; end <= length; ++end) {
    if (end < length && folder[end] != L'/') continue;
    std::wmemcpy(part, folder, end);
    part[end] = L'\0';
    if (CreateDirectoryW(part, nullptr)) continue;
    const DWORD error = GetLastError();
    if (error != ERROR_ALREADY_EXISTS) return error;
  }
  const DWORD attributes = GetFileAttributesW(folder);
  if (attributes == INVALID_FILE_ATTRIBUTES) return GetLastError();
  return (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0 ? ERROR_SUCCESS : ERROR_ALREADY_EXISTS;
}

HANDLE CreateTrackFile(const wchar_t* folder, std::int64_t timeMs, wchar_t* path, DWORD* error) {
  const std::size_t folderLength = std::wcslen(folder);
  wchar_t name[48];
  for (int number = 1; number <= MostNamesTried; ++number) {
    const std::size_t nameLength = FormatTrackFileName(timeMs, number, name, sizeof name / sizeof name[0]);
    if (folderLength + 1 + nameLength >= TrackPathSize) {
      *error = ERROR_FILENAME_EXCED_RANGE;
      path[0] = L'\0';
      return INVALID_HANDLE_VALUE;
    }
    std::wmemcpy(path, folder, folderLength);
    path[folderLength] = L'/';
    std::wmemcpy(path + folderLength + 1, name, nameLength + 1);
    // CREATE_NEW: a file of an earlier run with this name is never overwritten.
    HANDLE file = CreateFileW(path, GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL,
                              nullptr);
    if (file != INVALID_HANDLE_VALUE) return file;
    *error = GetLastError();
    if (*error != ERROR_FILE_EXISTS && *error != ERROR_ALREADY_EXISTS) return INVALID_HANDLE_VALUE;
  }
  *error = ERROR_FILE_EXISTS;
  return INVALID_HANDLE_VALUE;
}

DWORD WriteTrackBytes(HANDLE file, std::uint64_t offset, const char* bytes, std::size_t length) {
  LARGE_INTEGER position;
  position.QuadPart = static_cast<LONGLONG>(offset);
  if (!SetFilePointerEx(file, position, nullptr, FILE_BEGIN)) return GetLastError();
  DWORD written = 0;
  if (!WriteFile(file, bytes, static_cast<DWORD>(length), &written, nullptr)) return GetLastError();
  return written == length ? ERROR_SUCCESS : ERROR_DISK_FULL;
}

DWORD CutTrackFile(HANDLE file, std::uint64_t offset) {
  LARGE_INTEGER position;
  position.QuadPart = static_cast<LONGLONG>(offset);
  if (!SetFilePointerEx(file, position, nullptr, FILE_BEGIN) || !SetEndOfFile(file)) return GetLastError();
  return ERROR_SUCCESS;
}

const char* DescribeTrackError(DWORD error) {
  switch (error) {
    case ERROR_DISK_FULL: return "the disk is full or the file size limit is reached";
    case ERROR_ACCESS_DENIED: return "permission denied";
    case ERROR_WRITE_PROTECT: return "the file system is read-only";
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND: return "no such folder";
    case ERROR_ALREADY_EXISTS: return "a file stands where the folder belongs";
    case ERROR_FILE_EXISTS: return "every name for this track is taken";
    case ERROR_FILENAME_EXCED_RANGE: return "the path is too long";
    case ERROR_INVALID_NAME: return "the path has characters this locale cannot write";
    case ERROR_WRITE_FAULT: return "input/output error";
    case ERROR_TOO_MANY_OPEN_FILES: return "too many open files";
    case ERROR_DEVICE_REMOVED: return "the device is gone";
    default: return "the system refused the write";
  }
}
