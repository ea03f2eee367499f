// The decoder's loop: the log file stands in for the receiver's port, and each pass is one
// timer tick of the viewer, on a window of the viewer's class that nobody sees.
#include "tools/decoder/decode_log.h"

#include <cstdlib>
#include <cwchar>
#include <vector>

#include <unistd.h>

#include "core/records.h"
#include "gps/gps_port.h"
#include "gps/nmea_reader.h"
#include "platform/windows.h"
#include "record/track_recorder.h"
#include "res/program_resources.h"
#include "track/tick.h"
#include "tools/decoder/decode_json.h"

namespace {

// The title sets the window apart from a running viewer's and from other decoders': windows
// announce themselves by class and title, only one window of a class and title is allowed per
// user, and a viewer started meanwhile must not take this one for itself.
constexpr wchar_t DecoderTitle[] = L"Kavro decoder";
constexpr int NameBufferLength = 100;

LRESULT DecoderWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  return DefWindowProcW(window, message, wParam, lParam);
}

// A path without a slash gets "./" in front: "COM1:" in the current folder is a log file
// here, never a serial port.
std::string LogPathOf(const char* path) {
  const std::string text = path;
  if (text == "-") return "/dev/stdin";
  if (text.find('/') == std::string::npos) return "./" + text;
  return text;
}

bool Widen(const std::string& text, std::wstring* wide) {
  const std::size_t length = std::mbstowcs(nullptr, text.c_str(), 0);
  if (length == static_cast<std::size_t>(-1)) return false;
  std::vector<wchar_t> buffer(length + 1);
  std::mbstowcs(buffer.data(), text.c_str(), length + 1);
  wide->assign(buffer.data(), length);
  return true;
}

void WriteLine(std::FILE* out, const std::string& line) {
  std::fwrite(line.data(), 1, line.size(), out);
  std::fputc('\n', out);
}

// Where the recorder's text goes with --gpx.
std::FILE* gpxOut = nullptr;

void WriteGpxText(const char* text, std::size_t length) { std::fwrite(text, 1, length, gpxOut); }

void CountFix(DecodeTotals* totals, const FixRecord* fix) {
  if (fix->status != 'A' || !HasWholeRmc(fix)) return;
  if (totals->validFixes == 0) totals->firstFix = *fix;
  totals->lastFix = *fix;
  ++totals->validFixes;
}

}  // namespace

int OpenLogAsPort(const char* path, std::string* error) {
  const std::string logPath = LogPathOf(path);
  std::wstring widePath;
  if (!Widen(logPath, &widePath)) {
    *error = std::string("cannot use the name ") + path + " (it is not text in this locale)";
    return 0;
  }
  portHandle = CreateFileW(widePath.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                           OPEN_EXISTING, 0, nullptr);
  if (portHandle != INVALID_HANDLE_VALUE) return 1;
  const DWORD code = GetLastError();
  if (code == ERROR_FILE_NOT_FOUND || code == ERROR_PATH_NOT_FOUND) {
    *error = std::string("no such file: ") + path;
  } else if (code == ERROR_ACCESS_DENIED) {
    *error = std::string("cannot read ") + path + " (a folder, or no permission to read it)";
  } else {
    *error = std::string("cannot open ") + path + " (error " + std::to_string(code) + ")";
  }
  return 0;
}

HWND CreateDecoderWindow(std::string* error) {
  const HINSTANCE instance = reinterpret_cast<HINSTANCE>(static_cast<std::uintptr_t>(0x10000));
  wchar_t className[NameBufferLength];
  LoadStringW(instance, IDS_CLASS, className, NameBufferLength);

  WNDCLASSW windowClass{};
  windowClass.style = CS_HREDRAW | CS_VREDRAW;
  windowClass.lpfnWndProc = DecoderWindowProc;
  windowClass.hInstance = instance;
  windowClass.hIcon = LoadIconW(instance, MAKEINTRESOURCEW(static_cast<int>(IDI_KAVRO)));
  windowClass.hbrBackground = static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH));
  windowClass.lpszClassName = className;
  if (RegisterClassW(&windowClass) == 0) {
    *error = "cannot register the program's window class (error " + std::to_string(GetLastError()) + ")";
    return nullptr;
  }
  // Not WS_VISIBLE and never shown: the viewer's default size, drawn on but never presented.
  wchar_t title[NameBufferLength];
  std::swprintf(title, NameBufferLength, L"%ls %ld", DecoderTitle, static_cast<long>(getpid()));
  HWND window = CreateWindowExW(0, className, title, 0, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT,
                                CW_USEDEFAULT, nullptr, nullptr, instance, nullptr);
  if (window == nullptr) {
    *error = "cannot create the program's window (error " + std::to_string(GetLastError()) + ")";
  }
  return window;
}

int DecodeLog(HWND window, int print, std::FILE* out) {
  DecodeTotals totals{};
  int status = DecodeDone;
  // The decoder never writes track files of its own.
  trackState.tracksMode = TracksOff;
  if ((print & PrintGpx) != 0) {
    gpxOut = out;
    trackRecorder.sink = WriteGpxText;
  }
  for (;;) {
    HandleTick(window);
    // The reader has shown "Error Reading comms port."; the viewer would stop here for good.
    if (tickBusy == TickStopped) {
      status = DecodeFailed;
      break;
    }
    // A file at its end reads as zero bytes; so does a pipe whose writer has gone.
    if (lastReadSize == 0) break;
    const ReadSpan span{totals.bytes, lastReadSize};
    if ((print & PrintReads) != 0) WriteLine(out, FormatReadLine(&span, &trackState));
    ++totals.reads;
    totals.bytes += lastReadSize;
    CountFix(&totals, &trackState.current);
  }
  if ((print & PrintGpx) != 0) {
    const bool recorded = trackRecorder.writer.started != 0;
    FinishTrack();
    if (!recorded) {
      char text[GpxTextSize];
      std::fwrite(text, 1, FormatEmptyGpx(text), out);
    }
    return status;
  }
  // After a failed read the summary covers the reads before it.
  if ((print & PrintSummary) != 0) WriteLine(out, FormatSummaryLine(&totals, &trackState));
  return status;
}
