// The info panel and the speed figure: their texts, their font and their drawing.
#include "view/info_panel.h"

#include <cstdio>
#include <cstring>

#include "core/text.h"
#include "view/pixels.h"

namespace {

const COLORREF BackgroundColour = RGB(0, 50, 0);
const COLORREF PanelTextColour = RGB(255, 255, 255);
const COLORREF FigureColour = RGB(0, 255, 0);

// Two empty lines first: the zoom buttons sit there.
const char InfoPanelPattern[] =
    "\n\n %02d.%02d.%04d\n %02d:%02d:%02d\n\n %.4f %c\n %.4f %c\n\n"
    " T = %7.0f gr\n A = %7.0f m\n V = %5.0f km/h\n S = %7.1f km\n";

const std::int32_t FigureLeft = 1;
const std::int32_t FigureRight = 99;
const std::int32_t FigureFillTop = 180;
const std::int32_t FigureTextTop = 160;

}  // namespace

char PanelLetter(char letter) {
  if (letter == '\0') return ' ';
  if (letter >= 0x20 && letter <= 0x7E) return letter;
  return '?';
}

int FormatInfoPanel(const TrackState* state, wchar_t* out, std::size_t outSize) {
  if (outSize == 0) return 0;
  const FixRecord& fix = state->current;
  char text[InfoPanelTextSize];
  std::snprintf(text, sizeof text, InfoPanelPattern, fix.day, fix.month, fix.year, fix.hour,
                fix.minute, fix.second, fix.latitude, PanelLetter(fix.latHemisphere),
                fix.longitude, PanelLetter(fix.lonHemisphere), fix.course, fix.altitude,
                state->topSpeed * KnotsToKmh, state->distance * KnotsToKmh);
  WidenText(text, std::strlen(text), out, outSize);
  return 1;
}

std::int32_t SpeedFigureOf(double knots) { return TruncateToInt32(knots * KnotsToKmh, 0); }

int FormatSpeedFigure(std::int32_t value, wchar_t* out, std::size_t outSize) {
  if (outSize == 0) return 0;
  char text[SpeedFigureTextSize];
  std::snprintf(text, sizeof text, "%3d", value);
  WidenText(text, std::strlen(text), out, outSize);
  return 1;
}

LOGFONTW SpeedFigureFont() {
  LOGFONTW font{};
  font.lfHeight = -56;
  font.lfWeight = FW_NORMAL;
  font.lfCharSet = DEFAULT_CHARSET;
  font.lfPitchAndFamily = VARIABLE_PITCH | FF_SWISS;
  return font;
}

void DrawInfoPanel(HDC surface, const RECT* clientRect) {
  // The colours stay set: the speed figure drawn later in the same tick relies on the
  // background colour.
  SetBkColor(surface, BackgroundColour);
  SetTextColor(surface, PanelTextColour);
  wchar_t text[InfoPanelTextSize];
  FormatInfoPanel(&trackState, text, InfoPanelTextSize);
  RECT rect = *clientRect;
  DrawTextW(surface, text, -1, &rect, DT_LEFT | DT_TOP);
}

void DrawSpeedFigure(HDC surface, const RECT* clientRect, std::int32_t value) {
  RECT rect{FigureLeft, FigureFillTop, FigureRight, clientRect->bottom};
  SetTextColor(surface, FigureColour);
  LOGFONTW description = SpeedFigureFont();
  HFONT font = CreateFontIndirectW(&description);
  HGDIOBJ oldFont = SelectObject(surface, font);
  wchar_t text[SpeedFigureTextSize];
  FormatSpeedFigure(value, text, SpeedFigureTextSize);

  HBRUSH fill = CreateSolidBrush(BackgroundColour);
  FillRect(surface, &rect, fill);
  DeleteObject(fill);
  // DT_VCENTER has no effect on text that is not single-line: the digits' cell starts at 160.
  rect.top = FigureTextTop;
  DrawTextW(surface, text, -1, &rect, DT_CENTER | DT_VCENTER);

  trackState.shownSpeed = value;
  SelectObject(surface, oldFont);
  DeleteObject(font);
}
