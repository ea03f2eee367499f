// The info panel (date, time, position, course, altitude, top speed, distance) at the top left
// and the speed figure in large green digits below it. Formatting is pure; the Draw functions
// draw on the tick's surface.
#pragma once

#include <cstddef>
#include <cstdint>

#include "core/records.h"
#include "platform/gdi.h"
#include "platform/types.h"

constexpr double KnotsToKmh = 1.852;  // also minutes of arc to kilometres
constexpr std::size_t InfoPanelTextSize = 1000;
constexpr std::size_t SpeedFigureTextSize = 16;

// The letter the panel shows for a hemisphere letter of the fix: printable ASCII as it is, a
// NUL (letter not received) as a blank, any other byte as '?'.
char PanelLetter(char letter);

// The panel's text for the state's current fix, top speed and distance. Always whole: no
// letter of the fix can cut it short. Returns 1, or 0 when outSize is 0.
int FormatInfoPanel(const TrackState* state, wchar_t* out, std::size_t outSize);

// km/h shown for a speed in knots: knots * 1.852 truncated toward zero, saturated to the
// int32 range; NaN shows 0.
std::int32_t SpeedFigureOf(double knots);

// The figure's text: the value right-aligned in three characters. Returns 1, or 0 when
// outSize is 0.
int FormatSpeedFigure(std::int32_t value, wchar_t* out, std::size_t outSize);

// The figure's font: 56-pixel characters, normal weight, variable-pitch Swiss, no face name.
LOGFONTW SpeedFigureFont();

// Draws the panel for trackState into the client rectangle, white on the window's dark green.
void DrawInfoPanel(HDC surface, const RECT* clientRect);

// Draws value as the speed figure in the left band from y = 160 down and records it in
// trackState.shownSpeed. Relies on the text background colour DrawInfoPanel set.
void DrawSpeedFigure(HDC surface, const RECT* clientRect, std::int32_t value);
