// Device contexts on 32-bit cairo surfaces: opening and closing, state, damage, and the public
// drawing calls, which go through the DC's table of operations (or the recorder's).
#include "gdi/gdi_private.h"

#include <algorithm>
#include <memory>
#include <utility>

#include "detail/surface_dc.h"
#include "platform/testing.h"

namespace platform::detail {

Dc::~Dc() {
  if (cr != nullptr) cairo_destroy(cr);
  if (surface != nullptr) cairo_surface_destroy(surface);
}

std::uint32_t* BeginPixels(Dc& dc) {
  if (dc.cairoTouched) {
    cairo_surface_flush(dc.surface);
    dc.cairoTouched = false;
  }
  dc.pixelsTouched = true;
  return dc.pixels;
}

cairo_t* BeginCairo(Dc& dc) {
  if (dc.pixelsTouched) {
    cairo_surface_mark_dirty(dc.surface);
    dc.pixelsTouched = false;
  }
  dc.cairoTouched = true;
  return dc.cr;
}

void FinishDrawing(Dc& dc) {
  if (dc.cairoTouched) cairo_surface_flush(dc.surface);
  if (dc.pixelsTouched) cairo_surface_mark_dirty(dc.surface);
  dc.cairoTouched = false;
  dc.pixelsTouched = false;
}

void AddDamage(Dc& dc, long long left, long long top, long long right, long long bottom) {
  if (left >= right || top >= bottom) return;
  RECT& d = dc.damage;
  const auto l = static_cast<LONG>(left);
  const auto t = static_cast<LONG>(top);
  const auto r = static_cast<LONG>(right);
  const auto b = static_cast<LONG>(bottom);
  if (d.left >= d.right || d.top >= d.bottom) {
    d = {l, t, r, b};
    return;
  }
  d = {std::min(d.left, l), std::min(d.top, t), std::max(d.right, r), std::max(d.bottom, b)};
}

void SetSourceColour(cairo_t* cr, COLORREF colour) {
  cairo_set_source_rgb(cr, GetRValue(colour) / 255.0, GetGValue(colour) / 255.0, GetBValue(colour) / 255.0);
}

namespace {

HDC OpenDC(cairo_surface_t* surface, bool owns) {
  if (surface == nullptr || cairo_surface_status(surface) != CAIRO_STATUS_SUCCESS ||
      cairo_surface_get_type(surface) != CAIRO_SURFACE_TYPE_IMAGE ||
      cairo_image_surface_get_format(surface) != CAIRO_FORMAT_RGB24) {
    return nullptr;
  }
  auto dc = std::make_unique<Dc>();
  dc->surface = cairo_surface_reference(surface);
  dc->cr = cairo_create(surface);
  if (cairo_status(dc->cr) != CAIRO_STATUS_SUCCESS) return nullptr;
  // Whole pixels, as GDI draws them.
  cairo_set_antialias(dc->cr, CAIRO_ANTIALIAS_NONE);
  cairo_surface_flush(surface);
  dc->pixels = static_cast<std::uint32_t*>(static_cast<void*>(cairo_image_surface_get_data(surface)));
  dc->stride = cairo_image_surface_get_stride(surface) / 4;
  dc->width = cairo_image_surface_get_width(surface);
  dc->height = cairo_image_surface_get_height(surface);
  dc->ownsSurface = owns;
  dc->funcs = &kCairoFuncs;
  if (dc->pixels == nullptr) return nullptr;
  SelectDefaults(*dc);
  return static_cast<HDC>(InsertHandle(std::move(dc)));
}

bool CloseDC(HDC hdc, bool owned, RECT* changed) {
  Dc* dc = LookupDc(hdc);
  if (dc == nullptr || dc->ownsSurface != owned) return false;
  FinishDrawing(*dc);
  if (changed != nullptr) *changed = dc->damage;
  ReleaseSelections(*dc);
  RemoveHandle(hdc, Kind::DC);
  return true;
}

}  // namespace

HDC OpenSurfaceDC(cairo_surface_t* surface) { return OpenDC(surface, false); }

bool CloseSurfaceDC(HDC dc, RECT* changed) { return CloseDC(dc, false, changed); }

}  // namespace platform::detail

using namespace platform::detail;

namespace platform::testing {

HDC CreateSurfaceDC(int width, int height) {
  // cairo's image surfaces stop at 32767 pixels a side.
  if (width <= 0 || height <= 0 || width > 32767 || height > 32767) return nullptr;
  cairo_surface_t* surface = cairo_image_surface_create(CAIRO_FORMAT_RGB24, width, height);
  HDC dc = OpenDC(surface, true);
  cairo_surface_destroy(surface);  // the DC holds its own reference
  return dc;
}

BOOL DeleteSurfaceDC(HDC dc) { return CloseDC(dc, true, nullptr) ? TRUE : FALSE; }

bool WriteSurfacePng(HDC hdc, const char* path) {
  Dc* dc = LookupDc(hdc);
  if (dc == nullptr || path == nullptr) return false;
  FinishDrawing(*dc);
  return cairo_surface_write_to_png(dc->surface, path) == CAIRO_STATUS_SUCCESS;
}

}  // namespace platform::testing

COLORREF SetBkColor(HDC hdc, COLORREF colour) {
  Dc* dc = LookupDc(hdc);
  if (dc == nullptr) return CLR_INVALID;
  RecordCall(dc, "SetBkColor", {colour});
  return std::exchange(dc->bkColour, colour);
}

COLORREF SetTextColor(HDC hdc, COLORREF colour) {
  Dc* dc = LookupDc(hdc);
  if (dc == nullptr) return CLR_INVALID;
  RecordCall(dc, "SetTextColor", {colour});
  return std::exchange(dc->textColour, colour);
}

int SetBkMode(HDC hdc, int mode) {
  Dc* dc = LookupDc(hdc);
  if (dc == nullptr) return 0;
  RecordCall(dc, "SetBkMode", {mode});
  if (mode != OPAQUE && mode != TRANSPARENT) return 0;
  return std::exchange(dc->bkMode, mode);
}

BOOL MoveToEx(HDC hdc, int x, int y, POINT* previous) {
  Dc* dc = LookupDc(hdc);
  if (dc == nullptr) return FALSE;
  RecordCall(dc, "MoveToEx", {x, y});
  if (previous != nullptr) *previous = dc->position;
  dc->position = {x, y};
  return TRUE;
}

BOOL LineTo(HDC hdc, int x, int y) {
  Dc* dc = LookupDc(hdc);
  if (dc == nullptr) return FALSE;
  FuncsOf(*dc).lineTo(*dc, x, y);
  dc->position = {x, y};
  return TRUE;
}

int FillRect(HDC hdc, const RECT* rect, HBRUSH handle) {
  Dc* dc = LookupDc(hdc);
  const Brush* brush = Lookup<Brush>(handle);
  if (dc == nullptr || rect == nullptr || brush == nullptr) return 0;
  FuncsOf(*dc).fillRect(*dc, *rect, *brush, handle);
  return 1;
}

BOOL Ellipse(HDC hdc, int left, int top, int right, int bottom) {
  Dc* dc = LookupDc(hdc);
  if (dc == nullptr) return FALSE;
  FuncsOf(*dc).ellipse(*dc, left, top, right, bottom);
  return TRUE;
}

BOOL Rectangle(HDC hdc, int left, int top, int right, int bottom) {
  Dc* dc = LookupDc(hdc);
  if (dc == nullptr) return FALSE;
  FuncsOf(*dc).rectangle(*dc, left, top, right, bottom);
  return TRUE;
}

int DrawTextW(HDC hdc, LPCWSTR text, int count, RECT* rect, UINT format) {
  Dc* dc = LookupDc(hdc);
  if (dc == nullptr || text == nullptr || rect == nullptr) return 0;
  return FuncsOf(*dc).drawText(*dc, text, count, *rect, format);
}

BOOL DrawFrameControl(HDC hdc, RECT* rect, UINT type, UINT state) {
  Dc* dc = LookupDc(hdc);
  if (dc == nullptr || rect == nullptr) return FALSE;
  return FuncsOf(*dc).drawFrameControl(*dc, *rect, type, state);
}

COLORREF GetPixel(HDC hdc, int x, int y) {
  Dc* dc = LookupDc(hdc);
  if (dc == nullptr || x < 0 || y < 0 || x >= dc->width || y >= dc->height) return CLR_INVALID;
  if (dc->cairoTouched) {
    cairo_surface_flush(dc->surface);
    dc->cairoTouched = false;
  }
  const std::ptrdiff_t index = static_cast<std::ptrdiff_t>(y) * dc->stride + x;
  return ColourOfPixel(dc->pixels[index]);
}

BOOL PtInRect(const RECT* rect, POINT point) {
  if (rect == nullptr) return FALSE;
  return point.x >= rect->left && point.x < rect->right && point.y >= rect->top && point.y < rect->bottom
             ? TRUE
             : FALSE;
}

BOOL SetRect(RECT* rect, int left, int top, int right, int bottom) {
  if (rect == nullptr) return FALSE;
  *rect = {left, top, right, bottom};
  return TRUE;
}
