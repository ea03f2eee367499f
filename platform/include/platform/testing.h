// Seams for tests and tools: intercepted message boxes, observed timer messages, a stand-in
// module path, off-screen drawing surfaces, PNG output, recorded drawing operations and
// live-object counts.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "platform/gdi.h"
#include "platform/types.h"

namespace platform::testing {

// Message boxes: while a hook is set, MessageBoxW calls it instead of showing anything and
// returns its result. Pass an empty function to remove it.
using MessageBoxHook = std::function<int(LPCWSTR text, LPCWSTR caption, UINT type)>;
void SetMessageBoxHook(MessageBoxHook hook);

// Timer messages: while an observer is set, it is called for every WM_TIMER the message queue
// hands out (GetMessageW, or PeekMessageW with PM_REMOVE), with the time the timer was due and
// the time the message was taken, in nanoseconds of the monotonic clock (CLOCK_MONOTONIC).
// Pass an empty function to remove it.
using TimerObserver = std::function<void(std::int64_t dueNs, std::int64_t takenNs)>;
void SetTimerObserver(TimerObserver observer);

// Module path: while set, GetModuleFileNameW reports this path instead of the executable's.
// Pass nullptr to go back to the real path.
void SetModulePath(LPCWSTR path);

// Off-screen device contexts over a 32-bit surface of their own (initially black).
HDC CreateSurfaceDC(int width, int height);
BOOL DeleteSurfaceDC(HDC dc);
// Writes the pixels of the DC's surface to a PNG file.
bool WriteSurfacePng(HDC dc, const char* path);

// A window that is never shown and needs no display: GetClientRect reports (0, 0, width,
// height) and GetDC gives a DC on a surface of its own.
HWND CreateSurfaceWindow(int width, int height);

// Recording of drawing calls. While recording is on, every GDI call (creation, selection and
// deletion of objects, and every drawing operation on any DC) is appended to the record.
struct GdiRecord {
  std::string op;                 // the call's name: "CreatePen", "SelectObject", "LineTo", ...
  std::vector<long long> args;    // its integer arguments in call order (coordinates, colours,
                                  // styles, widths, formats); a RECT counts as four
  HGDIOBJ object = nullptr;       // the object created, selected or deleted
  HGDIOBJ result = nullptr;       // SelectObject: the object it returned
  std::wstring text;              // DrawTextW: the text drawn
  // State of the DC at a drawing operation (MoveToEx, LineTo, Ellipse, FillRect, DrawTextW,
  // DrawFrameControl, ...):
  COLORREF penColour = 0;
  int penWidth = 0;
  int penStyle = 0;
  COLORREF brushColour = 0;
  bool brushIsNull = false;
  COLORREF textColour = 0;
  COLORREF bkColour = 0;
  int bkMode = 0;
  LONG fontHeight = 0;            // the selected font's lfHeight (the default font's too)
  std::wstring fontFace;          // the selected font's requested face name
  BYTE fontPitchAndFamily = 0;
  LONG fontWeight = 0;
  POINT penPosition{0, 0};        // the pen position before the operation
};
void StartGdiRecording();
std::vector<GdiRecord> StopGdiRecording();

// Number of live objects in the platform's handle table (files, ports, windows, DCs, pens,
// brushes, fonts, ...), stock objects excluded.
std::size_t CountLiveHandles();

}  // namespace platform::testing
