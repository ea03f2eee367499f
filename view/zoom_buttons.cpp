// The zoom buttons and stylus panning of the track plot.
#include "view/zoom_buttons.h"

#include <cstdint>

#include "core/records.h"
#include "platform/gdi.h"
#include "platform/user.h"
#include "view/track_plot.h"

RECT zoomInHitRect;
RECT zoomOutHitRect;

namespace {

constexpr RECT ZoomInFrame = {3, 5, 25, 25};
constexpr RECT ZoomOutFrame = {73, 5, 95, 25};
// The label sits below the frame's top edge; the same rectangle is where a tap counts.
constexpr LONG LabelTop = 7;
constexpr COLORREF ButtonTextBackground = RGB(200, 200, 200);
constexpr COLORREF ButtonText = RGB(0, 0, 0);

// Pan offsets stay well inside the 32-bit range, so that neither the drag arithmetic nor the
// plot's projection can overflow however often the plot is dragged the same way.
constexpr std::int64_t PanLimit = 1 << 30;

void DrawZoomButton(HDC surface, RECT frame, LPCWSTR label, RECT* hitRect) {
  DrawFrameControl(surface, &frame, DFC_BUTTON, DFCS_BUTTONPUSH);
  frame.top = LabelTop;
  DrawTextW(surface, label, -1, &frame, DT_CENTER);
  *hitRect = frame;
}

// A tap on a button: beep, and zoom unless that would leave the zoom range.
void ZoomBy(HWND window, HDC surface, double factor) {
  MessageBeep(0);
  const double zoom = trackState.zoom * factor;
  if (zoom < SmallestZoom || zoom > LargestZoom) return;
  trackState.zoom = zoom;
  DrawTrack(&trackState, window, surface);
}

std::int32_t LimitPan(std::int64_t pan) {
  if (pan > PanLimit) return static_cast<std::int32_t>(PanLimit);
  if (pan < -PanLimit) return static_cast<std::int32_t>(-PanLimit);
  return static_cast<std::int32_t>(pan);
}

}  // namespace

void DrawZoomButtons(HWND, HDC surface) {
  const COLORREF previousBackground = SetBkColor(surface, ButtonTextBackground);
  const COLORREF previousText = SetTextColor(surface, ButtonText);
  DrawZoomButton(surface, ZoomInFrame, L"Z+", &zoomInHitRect);
  DrawZoomButton(surface, ZoomOutFrame, L"Z-", &zoomOutHitRect);
  SetTextColor(surface, previousText);
  SetBkColor(surface, previousBackground);
}

int OnStylusDown(HWND window, int x, int y) {
  HDC surface = GetDC(window);
  const POINT point = {x, y};
  if (PtInRect(&zoomInHitRect, point)) {
    ZoomBy(window, surface, 0.5);
  } else if (PtInRect(&zoomOutHitRect, point)) {
    ZoomBy(window, surface, 2.0);
  } else {
    // The drag starts where the stylus would have had to start for the plot to sit where it
    // sits now, so the offsets carry on from earlier drags instead of jumping back.
    trackState.dragging = 1;
    trackState.dragStart.x = static_cast<std::int32_t>(std::int64_t{x} - trackState.panX);
    trackState.dragStart.y = static_cast<std::int32_t>(std::int64_t{y} - trackState.panY);
  }
  ReleaseDC(window, surface);
  return 0;
}

int OnStylusMove(HWND window, int x, int y) {
  if (!trackState.dragging) return 0;
  trackState.panX = LimitPan(std::int64_t{x} - trackState.dragStart.x);
  trackState.panY = LimitPan(std::int64_t{y} - trackState.dragStart.y);
  HDC surface = GetDC(window);
  DrawTrack(&trackState, window, surface);
  ReleaseDC(window, surface);
  return 0;
}

int OnStylusUp() {
  trackState.dragging = 0;
  return 0;
}
