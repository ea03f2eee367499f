// What the window system files share: windows, the message queue, SDL events and the display.
#pragma once

#include <cairo.h>
#include <poll.h>

#include <string>
#include <vector>

#include "detail/handles.h"
#include "platform/resources.h"
#include "platform/user.h"

struct SDL_Window;
union SDL_Event;

namespace platform::detail {

// The whole scale the desktop asks windows to be shown at.

// The Xft.dpi value in an X resource database text (the root window's RESOURCE_MANAGER, as
// xrdb loads it and GNOME, KDE and Xfce set it for their scaling); 0 when it holds none.
double XftDpiFromResources(const char* resources);

// The desktop's whole scale for the window: on X11 from Xft.dpi, falling back to the screen's
// size in millimetres; 1 elsewhere (a Wayland compositor scales a window to its output itself).
int DesktopScale(SDL_Window* window);

// The end of the process when there is no display to show its windows on.

// The display connection is gone (the X server or the Wayland compositor ended, or dropped
// the connection): one line on standard error, then the process ends at once with a non-zero
// code, whatever it was doing. Nothing of the window system can be used any more, so nothing
// of it is cleaned up; the kernel frees the single-instance name with the process. The line is
// the same wherever the loss is noticed (a wait, a call into Xlib, SDL's Wayland driver).
[[noreturn]] void EndForLostDisplay();

// No display could be opened at start: one line on standard error naming what was tried, and
// the same end.
[[noreturn]] void EndForMissingDisplay(const char* what);

// True when the poll result of the display's descriptor says the connection is gone.
bool DisplayHungUp(short revents);

// The display connection behind an SDL window.

// The descriptor that becomes readable when the display has events for the window: the X
// server connection under X11, the Wayland display's under Wayland; -1 where SDL gives none.
int DisplayConnectionFd(SDL_Window* window);

// From now on a failed X server connection ends the process as a lost display does (Xlib
// would otherwise print its own lines and exit wherever it noticed).
void EndWhenXConnectionFails();

// Where the message queue meets SDL: reading events and waiting for the next one.

// Turns every SDL event already waiting into messages or window changes, and serves
// single-instance requests; never waits.
void PumpEvents();

// The same while a port read waits: windows are shown, exposed ones from their backing
// store, and input is queued, but no window procedure is called.
void PumpEventsWhileReading();

// The display connection's descriptor, once a window has found it; -1 before, and where SDL
// gives none (neither X11 nor Wayland).
int DisplayFd();

// Waits until an SDL event or a single-instance request may be waiting, or the timeout (in
// milliseconds, -1 for none) has passed. Shows pending drawing first.
void WaitForEvents(int timeoutMs);

// Ends the process, as a lost display does, when the poll result of the display's descriptor
// says the connection is gone.
void EndIfDisplayLost(short revents);

// Handles one SDL event: input becomes messages, window events change windows.
void HandleSdlEvent(const SDL_Event& event);

// Pointer, touch and key input: SDL events become messages.

// The pointer's actions are what input hands to whatever follows a press (a strip, a push button).

enum class PointerAction { Down, Move, Up };

// Turns a pointer, touch or key event into messages for the window it belongs to.
void HandleInputEvent(const SDL_Event& event);

// The visible message box: a small window of its own with a nested message loop.

// True when a message box cannot be seen (no display, SDL's dummy or offscreen driver) and
// no test asked for the window anyway.
bool MessageBoxIsHeadless();

// Shows the box and runs a nested message loop until its OK button, Enter, Escape or its close
// button dismisses it; returns IDOK. A WM_QUIT met meanwhile ends the box and is posted again.
int ShowMessageBoxWindow(HWND owner, LPCWSTR text, LPCWSTR caption, UINT type);

// The innermost message box still open, or null. Enter and Escape go to it wherever the
// keyboard focus is.
HWND ActiveMessageBox();

// For tests: show the window even under SDL's dummy driver.
void ForceWindowedMessageBox(bool force);

// The thread's message queue as the window system feeds it, and the call into a window procedure.

// Appends a message; a WM_MOUSEMOVE replaces one for the same window still waiting at the end
// of the queue, as Windows keeps only the latest pointer position.
void PostToQueue(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

// True when a close request (WM_CLOSE) or a command (WM_COMMAND) waits in the queue.
bool CloseOrCommandQueued();

// Drops every queued message for a window (it is being destroyed).
void RemoveWindowMessages(HWND window);

// Calls the window procedure; the window may be destroyed when it returns.
LRESULT CallWindowProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

// Where a window's picture (client area and strip) sits in an SDL window of any size.

// The layout also maps window pixels back to the picture. Pure arithmetic, apart from SDL.

// The picture in the window: shown at a whole scale from (left, top), its strip starting at
// window row stripTop. When the picture fits, the strip follows the client area; when it does
// not fit even at scale 1, the client area is drawn from the top left and the strip sits as
// low as it can while it stays whole in the window, over the client's lowest rows.
struct PictureLayout {
  int scale = 1;
  int left = 0;
  int top = 0;
  int stripTop = 0;     // window row of the strip's first row
  int clientRows = 0;   // device rows of the client area shown above the strip
};

// The whole scale a desktop's font resolution asks for: 96 dots per inch is 1, 192 is 2, 288 is
// 3 (175 % and up rounds to the next whole scale); 1 for no or an absurd value.
int ScaleForDpi(double dpi);

// The largest scale up to `wanted` at which a picture of width x height fits in the usable area
// of a screen; never below 1.
int ScaleThatFits(int wanted, int width, int height, int usableWidth, int usableHeight);

// The layout of a client area of clientWidth x clientHeight and a strip of stripRows below it
// in a window of windowWidth x windowHeight pixels: the largest whole scale at which all of it
// fits (never below 1), centred.
PictureLayout LayOutPicture(int windowWidth, int windowHeight, int clientWidth, int clientHeight, int stripRows);

// A window pixel in device pixels of the picture: rows from clientHeight on are the strip's.
// Points in the margins map outside the picture (negative, or past its edges), rounding down.
void WindowToPicture(const PictureLayout& layout, int clientHeight, int windowX, int windowY, int* x, int* y);

// The top left of a window of width x height placed by the program on a screen whose usable
// area starts at (usableX, usableY): centred, but never with its top or left edge off the screen.
void PlaceOnScreen(int width, int height, int usableX, int usableY, int usableWidth, int usableHeight, int* x, int* y);

// A strip below a window's client area, such as the shell's menu bar.

// The window system keeps the strip's pixels, gives it rows in the window's SDL window, presents
// it and hands it the pointer; what the strip shows and does belongs to whoever attached it,
// reached only through the operations it attached, the way a DC reaches its drawing through
// DcFuncs. A table of operations rather than a window class of its own: a window here is a whole
// SDL window, and the strip shares its parent's.

struct Window;

struct StripFuncs {
  // Draws the whole strip; area is (0, 0, width, height).
  void (*paint)(HWND strip, HDC dc, const RECT& area);
  // Pointer input in strip coordinates; true when the strip must be drawn again.
  bool (*pointer)(HWND strip, PointerAction action, int x, int y);
  // True while a press that began on the strip is held: all pointer input goes to it then.
  bool (*holdsPointer)(HWND strip);
  // The window has let the strip go: the object behind the handle goes too.
  void (*destroy)(HWND strip);
};

struct WindowStrip {
  HWND handle = nullptr;  // null: the window has no strip
  const StripFuncs* funcs = nullptr;
  int height = 0;
  bool hidden = false;                 // attached, but takes no rows and shows nothing
  cairo_surface_t* surface = nullptr;  // its pixels, client width x height
  bool dirty = false;                  // its pixels must be presented again
};

// False when the window cannot take a strip: no window, one of another process, or one being
// destroyed.
bool CanTakeStrip(HWND window);

// Attaches the strip below the window's client area, in place of any strip it had, and draws
// it; false when it cannot (CanTakeStrip, or no memory for its pixels).
bool AttachStrip(HWND window, HWND strip, const StripFuncs* funcs, int height, bool hidden);

// The window whose strip the handle is, or nullptr.
Window* StripParent(HWND strip);

// Lets the strip go (its owner's destroy runs) and shrinks the window back to its client area.
void DetachStrip(Window& window);

// The rows the strip takes below the client area.
int StripRows(const Window& window);

// Pointer input at (x, y) from the strip's top left, and whether a press on it is held.
void StripPointer(Window& window, PointerAction action, int x, int y);
bool StripHoldsPointer(const Window& window);

// The window object behind an HWND.

struct Window : Object {
  static constexpr Kind kKind = Kind::Window;
  Window() : Object(Kind::Window) {}
  ~Window() override;  // releases the backing store, the SDL window and any socket

  HWND handle = nullptr;
  WNDPROC proc = nullptr;
  UINT classStyle = 0;
  HBRUSH background = nullptr;
  HICON icon = nullptr;
  std::wstring className;
  std::wstring title;
  DWORD style = 0;

  // Client area and its backing store (CAIRO_FORMAT_RGB24, client size).
  int width = 0;
  int height = 0;
  cairo_surface_t* surface = nullptr;

  // The SDL window (client area plus the strip below it); null for surface windows.
  SDL_Window* sdl = nullptr;
  unsigned sdlId = 0;
  // Screen pixels per device pixel the window asks for: a whole number, above 1 only on a
  // high-density desktop.
  int scale = 1;
  // The scale the desktop asks for, and whether the program left the window's place to us.
  int desktopScale = 1;
  bool placedByProgram = false;
  // Where the picture sits in the SDL window as the window system sized it.
  PictureLayout layout;
  bool visible = false;
  bool destroying = false;

  // Update region (a bounding rectangle, as the program repaints whole areas anyway).
  bool invalid = false;
  bool erase = false;
  RECT invalidRect{0, 0, 0, 0};

  // Pixels drawn since the last present, and DCs handed out by GetDC that are still open.
  std::vector<RECT> dirty;
  std::vector<HDC> openDCs;

  // A strip below the client area, if one is attached.
  WindowStrip strip;

  // The screen may not show what the SDL window surface holds (newly shown, exposed, resized):
  // the next present copies the dirty rectangles whole instead of only the pixels that differ.
  bool presentWhole = true;

  // The left button went down in the client area and is still held (stylus capture).
  bool captured = false;

  // A window of another process found by FindWindowW: the connection to its owner.
  int remoteFd = -1;
  // The single-instance announcement of this window (listening socket), or -1.
  int listenFd = -1;
};

// The window behind a handle, or nullptr (0, stale, not a window).
inline Window* FindWindowObject(HWND window) { return Lookup<Window>(window); }

// Gives the SDL window the size of the picture (client area and strip) at the desktop's scale, as
// far as the screen allows, and while it is not shown yet, its place on the screen.
void SizeToScreen(Window& window);

// Lays the picture out anew in the SDL window's present size; true when the layout changed.
bool UpdateLayout(Window& window);

// A window's backing store, its update region and the pixels drawn on it still to present.

// Creates an RGB24 backing store of at least 1 x 1 pixels, filled black; null on failure.
cairo_surface_t* CreateBackingStore(int width, int height);

// Adds a changed rectangle of the client area to the window's pixels still to present.
void AddDirtyRect(Window& window, const RECT& rect);
// The whole window must be shown again (newly visible, resized, exposed).
void MarkAllDirty(Window& window);

// Closes every DC still open on the window (before its backing store goes away).
void CloseWindowDCs(Window& window);

// Adds a rectangle (the whole client area when null) to the window's update region.
void InvalidateWindow(Window& window, const RECT* rect, bool erase);

// Fills msg with WM_PAINT for the first visible invalid window (of the filter, when given).
bool TakePaintMessage(HWND filter, MSG* msg);

// Showing what was drawn.

// Copies what changed in every window's backing store (and strip) to the screen.
void PresentAllWindows();

// The push button of the window system's own windows (the message box's OK, the menu bar's).

// The button follows a press, shows itself pushed while the pointer stays on it, and acts when the
// press ends over it.

struct PushButton {
  RECT rect{0, 0, 0, 0};
  bool enabled = true;
  bool pressed = false;        // the pointer went down on it and is still held
  bool pointerInside = false;  // and is over it now: the face shows pushed
};

// Follows the pointer at (x, y). True when the face changed and must be drawn again; *clicked
// becomes true when a press on the button ends over it.
bool TrackPushButton(PushButton& button, PointerAction action, int x, int y, bool* clicked);

// Draws the raised or pushed face with the label centred on it, grey when disabled.
void DrawPushButton(HDC dc, const PushButton& button, LPCWSTR label);

// Keeping the windows alive while a port read waits.

// From now on a port read that waits serves the windows (called once video runs).
void KeepWindowsAliveDuringReads();

// What the window system looks up in the program's resource table.

// The menu bar description with that identifier, or nullptr.
const ResourceMenuBar* FindMenuBarResource(UINT id);

// Shows the icon (from LoadIconW) as the SDL window's icon; nothing for other handles.
void ApplyWindowIcon(SDL_Window* window, HICON icon);

// Finding a program's window from another process.

// Each top-level window announces itself on an abstract Unix socket named from the user id, its
// class and its title.

// The abstract socket name (without its leading NUL) for a class and title of this user;
// hashed when it would not fit in a socket address.
std::string SingleInstanceName(LPCWSTR className, LPCWSTR title);

// Starts listening for the window. False when another process of this user holds the name:
// its window is the one FindWindowW finds. A name taken in this process, or by another user,
// leaves the window unannounced.
bool AnnounceWindow(Window& window);

// The descriptors a wait must watch, and serving whatever arrived on them (never waits).
void CollectSingleInstanceFds(std::vector<pollfd>& fds);
void ServeSingleInstance();

// A handle for the window of that class and title in another process of this user, or null.
HWND ConnectToRemoteWindow(LPCWSTR className, LPCWSTR title);

// False once the other process has gone (its window with it).
bool RemoteIsAlive(const Window& remote);

// Asks the remote window's process to raise it and waits (briefly) for the answer.
BOOL RaiseRemoteWindow(Window& remote);

// How many raise requests this process has answered (for tests).
int RaiseRequestsServed();

// Timers as the message queue sees them: the next deadline and the due WM_TIMER.

// Fills msg with WM_TIMER for the earliest due timer of the window (any window when filter is
// null) and, when remove is set, schedules its next period. False when none is due.
bool TakeDueTimer(HWND filter, MSG* msg, bool remove);

// Milliseconds until the next timer is due, rounded up; 0 when one is due; -1 when none runs.
int MillisecondsToNextTimer();

// Stops every timer of a window (it is being destroyed).
void KillWindowTimers(HWND window);

// SDL start-up for the window system.

// Starts SDL's video and event subsystems once; false when no video driver can run.
bool EnsureVideo();

// True once EnsureVideo has succeeded.
bool VideoReady();
// True when no window can be seen: SDL's dummy or offscreen driver, or no video at all.
bool VideoIsHeadless();

// Registered window classes, looked up by name or atom when a window is created.

struct WindowClass {
  ATOM atom = 0;
  std::wstring name;
  UINT style = 0;
  WNDPROC proc = nullptr;
  HINSTANCE instance = nullptr;
  HICON icon = nullptr;
  HBRUSH background = nullptr;
  bool internal = false;  // the window system's own (message boxes): never announced
};

// The class named by a string or by an atom (MAKEINTATOM), or nullptr.
const WindowClass* FindWindowClass(LPCWSTR nameOrAtom);

// Registers one of the window system's own classes.
ATOM RegisterInternalClass(const WNDCLASSW* wndClass);
inline bool IsInternalClass(const WindowClass& cls) { return cls.internal; }

// Class names compare without regard to ASCII case, as on Windows.
bool SameClassName(const std::wstring& a, LPCWSTR b);

// What the window manager does to a window.

// Exposure and resizing invalidate the window; the close button posts WM_CLOSE.
void HandleWindowEvent(const SDL_Event& event);

// The list of live windows, in creation order.

// Live windows (surface windows and remote ones included).
const std::vector<HWND>& AllWindows();
void AddWindowToList(HWND window);
void RemoveWindowFromList(HWND window);

// The window whose SDL window has this id, or nullptr.
Window* FindWindowBySdlId(unsigned sdlId);

}  // namespace platform::detail
