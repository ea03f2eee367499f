// Pens, brushes and fonts: stock objects, creation, selection into DCs and deletion.
#include "gdi/gdi_private.h"

#include <algorithm>
#include <climits>
#include <cstdlib>
#include <cstdio>
#include <memory>
#include <set>
#include <string>


namespace platform::detail {
namespace {

constexpr int kStockCount = 18;  // GetStockObject indices 0 .. 17

HPEN MakePen(int style, int width, COLORREF colour) {
  auto pen = std::make_unique<Pen>();
  pen->style = style;
  pen->width = width;
  // Width 0 is the one-pixel cosmetic pen; a negative width counts by its size.
  const long long size = std::llabs(static_cast<long long>(width));
  pen->drawWidth = static_cast<int>(std::clamp<long long>(size, 1, INT_MAX));
  pen->colour = colour;
  return static_cast<HPEN>(InsertHandle(std::move(pen)));
}

HBRUSH MakeBrush(COLORREF colour, bool isNull) {
  auto brush = std::make_unique<Brush>();
  brush->colour = colour;
  brush->isNull = isNull;
  return static_cast<HBRUSH>(InsertHandle(std::move(brush)));
}

HFONT MakeFont(const LOGFONTW& logFont) {
  auto font = std::make_unique<Font>();
  font->logFont = logFont;
  // The face name need not be terminated within its 32 characters.
  const WCHAR* name = logFont.lfFaceName;
  std::size_t length = 0;
  while (length < static_cast<std::size_t>(LF_FACESIZE) && name[length] != 0) ++length;
  font->face.assign(name, length);
  return static_cast<HFONT>(InsertHandle(std::move(font)));
}

LOGFONTW StockLogFont(int height, BYTE pitchAndFamily, const wchar_t* face) {
  LOGFONTW lf{};
  lf.lfHeight = height;
  lf.lfWeight = FW_NORMAL;
  lf.lfCharSet = DEFAULT_CHARSET;
  lf.lfPitchAndFamily = pitchAndFamily;
  for (int i = 0; face[i] != 0 && i < LF_FACESIZE - 1; ++i) lf.lfFaceName[i] = face[i];
  return lf;
}

struct StockTable {
  HGDIOBJ objects[kStockCount] = {};
};

// Created once and never deleted: permanent entries of the handle table.
const StockTable& Stock() {
  static const StockTable table = [] {
    StockTable t;
    t.objects[WHITE_BRUSH] = MakeBrush(RGB(255, 255, 255), false);
    t.objects[LTGRAY_BRUSH] = MakeBrush(RGB(192, 192, 192), false);
    t.objects[GRAY_BRUSH] = MakeBrush(RGB(128, 128, 128), false);
    t.objects[DKGRAY_BRUSH] = MakeBrush(RGB(64, 64, 64), false);
    t.objects[BLACK_BRUSH] = MakeBrush(RGB(0, 0, 0), false);
    t.objects[NULL_BRUSH] = MakeBrush(RGB(0, 0, 0), true);
    t.objects[WHITE_PEN] = MakePen(PS_SOLID, 1, RGB(255, 255, 255));
    t.objects[BLACK_PEN] = MakePen(PS_SOLID, 1, RGB(0, 0, 0));
    t.objects[NULL_PEN] = MakePen(PS_NULL, 1, RGB(0, 0, 0));
    const BYTE fixed = FIXED_PITCH | FF_MODERN;
    const BYTE variable = VARIABLE_PITCH | FF_SWISS;
    t.objects[10] = MakeFont(StockLogFont(-11, fixed, L"Liberation Mono"));   // OEM_FIXED_FONT
    t.objects[11] = MakeFont(StockLogFont(-11, fixed, L"Liberation Mono"));   // ANSI_FIXED_FONT
    t.objects[12] = MakeFont(StockLogFont(-11, variable, L"Liberation Sans"));  // ANSI_VAR_FONT
    t.objects[SYSTEM_FONT] = MakeFont(StockLogFont(-11, variable, L"Liberation Sans"));
    t.objects[14] = MakeFont(StockLogFont(-11, variable, L"Liberation Sans"));  // DEVICE_DEFAULT_FONT
    t.objects[16] = MakeFont(StockLogFont(-11, fixed, L"Liberation Mono"));   // SYSTEM_FIXED_FONT
    t.objects[17] = MakeFont(StockLogFont(-11, variable, L"Liberation Sans"));  // DEFAULT_GUI_FONT
    for (HGDIOBJ object : t.objects) {
      if (object != nullptr) MarkPermanent(object);
    }
    return t;
  }();
  return table;
}

GdiObject* LookupGdiObject(HGDIOBJ handle) {
  switch (KindOfHandle(handle)) {
    case Kind::Pen:
    case Kind::Brush:
    case Kind::Font:
      return static_cast<GdiObject*>(LookupHandle(handle, Kind::None));
    default:
      return nullptr;
  }
}

void AdjustSelections(HGDIOBJ handle, int delta) {
  if (GdiObject* object = LookupGdiObject(handle)) object->selections += delta;
}

}  // namespace

Font::~Font() {
  if (scaled != nullptr) cairo_scaled_font_destroy(scaled);
}

void SelectDefaults(Dc& dc) {
  const StockTable& stock = Stock();
  dc.penHandle = stock.objects[BLACK_PEN];
  dc.brushHandle = stock.objects[WHITE_BRUSH];
  dc.fontHandle = stock.objects[SYSTEM_FONT];
  dc.pen = Lookup<Pen>(dc.penHandle);
  dc.brush = Lookup<Brush>(dc.brushHandle);
  dc.font = Lookup<Font>(dc.fontHandle);
  AdjustSelections(dc.penHandle, 1);
  AdjustSelections(dc.brushHandle, 1);
  AdjustSelections(dc.fontHandle, 1);
}

void ReleaseSelections(Dc& dc) {
  AdjustSelections(dc.penHandle, -1);
  AdjustSelections(dc.brushHandle, -1);
  AdjustSelections(dc.fontHandle, -1);
  dc.pen = nullptr;
  dc.brush = nullptr;
  dc.font = nullptr;
}

void LogFixmeOnce(const char* what) {
  static std::set<std::string>* logged = new std::set<std::string>;
  if (logged->insert(what).second) std::fprintf(stderr, "kavro: fixme: %s\n", what);
}

}  // namespace platform::detail

using namespace platform::detail;

HGDIOBJ GetStockObject(int object) {
  if (object < 0 || object >= kStockCount) return nullptr;
  return Stock().objects[object];
}

HBRUSH CreateSolidBrush(COLORREF colour) {
  HBRUSH brush = MakeBrush(colour, false);
  RecordCall(nullptr, "CreateSolidBrush", {colour}, brush);
  return brush;
}

HPEN CreatePen(int style, int width, COLORREF colour) {
  // PS_SOLID .. PS_INSIDEFRAME; dashes and dots are drawn solid.
  HPEN pen = nullptr;
  if (style >= PS_SOLID && style <= 6) {
    if (style != PS_SOLID && style != PS_NULL) LogFixmeOnce("dashed and dotted pens are drawn solid");
    pen = MakePen(style, width, colour);
  }
  RecordCall(nullptr, "CreatePen", {style, width, colour}, pen);
  return pen;
}

HPEN CreatePenIndirect(const LOGPEN* logPen) {
  if (logPen == nullptr) {
    RecordCall(nullptr, "CreatePenIndirect", {});
    return nullptr;
  }
  const auto style = static_cast<int>(std::min<UINT>(logPen->lopnStyle, INT_MAX));
  HPEN pen = nullptr;
  if (style <= 6) {
    if (style != PS_SOLID && style != PS_NULL) LogFixmeOnce("dashed and dotted pens are drawn solid");
    pen = MakePen(style, logPen->lopnWidth.x, logPen->lopnColor);
  }
  RecordCall(nullptr, "CreatePenIndirect", {style, logPen->lopnWidth.x, logPen->lopnColor}, pen);
  return pen;
}

HFONT CreateFontIndirectW(const LOGFONTW* logFont) {
  if (logFont == nullptr) {
    RecordCall(nullptr, "CreateFontIndirectW", {});
    return nullptr;
  }
  HFONT font = MakeFont(*logFont);
  const LOGFONTW& f = *logFont;
  const Font* made = Lookup<Font>(font);
  RecordCall(nullptr, "CreateFontIndirectW",
             {f.lfHeight, f.lfWidth, f.lfEscapement, f.lfOrientation, f.lfWeight, f.lfItalic, f.lfUnderline,
              f.lfStrikeOut, f.lfCharSet, f.lfOutPrecision, f.lfClipPrecision, f.lfQuality, f.lfPitchAndFamily},
             font, nullptr, made != nullptr ? made->face : std::wstring());
  return font;
}

// Returns the object of the same kind selected before, or nullptr for a bad DC or object.
HGDIOBJ SelectObject(HDC hdc, HGDIOBJ object) {
  Dc* dc = LookupDc(hdc);
  HGDIOBJ previous = nullptr;
  if (dc != nullptr) {
    switch (KindOfHandle(object)) {
      case Kind::Pen:
        previous = dc->penHandle;
        dc->penHandle = object;
        dc->pen = Lookup<Pen>(object);
        break;
      case Kind::Brush:
        previous = dc->brushHandle;
        dc->brushHandle = object;
        dc->brush = Lookup<Brush>(object);
        break;
      case Kind::Font:
        previous = dc->fontHandle;
        dc->fontHandle = object;
        dc->font = Lookup<Font>(object);
        break;
      default:
        break;
    }
  }
  if (previous != nullptr) {
    AdjustSelections(object, 1);
    AdjustSelections(previous, -1);
  }
  if (dc != nullptr) RecordCall(dc, "SelectObject", {}, object, previous);
  return previous;
}

// Stock objects are never deleted (a harmless success, as on Win32); an object still selected
// into a DC is refused (FALSE) and stays usable.
BOOL DeleteObject(HGDIOBJ object) {
  BOOL done = FALSE;
  if (GdiObject* found = LookupGdiObject(object)) {
    if (IsPermanent(object)) {
      done = TRUE;
    } else if (found->selections == 0) {
      done = RemoveHandle(object, Kind::None) != nullptr ? TRUE : FALSE;
    }
  }
  RecordCall(nullptr, "DeleteObject", {}, object);
  return done;
}
