// The "Z+" and "Z-" buttons at the top of the left band, and dragging the plot with the stylus.
#pragma once

#include "platform/types.h"

// Where a tap counts as a button: all zero until the buttons are first drawn.
extern RECT zoomInHitRect;
extern RECT zoomOutHitRect;

// Zoom divisors the buttons stay within: a tap that would leave this range only beeps.
constexpr double SmallestZoom = 1.0 / 1048576.0;  // 2^-20
constexpr double LargestZoom = 1048576.0;         // 2^20

// Draws both buttons and records their hit rectangles. Called from the paint handler.
void DrawZoomButtons(HWND window, HDC surface);

// Stylus handlers; x and y are the client position from the message. Each returns 0.
// A tap on a button beeps and zooms (Z+ halves the zoom divisor, Z- doubles it) and redraws the
// plot; a press anywhere else starts a drag, which moves the plot on from where earlier drags
// left it.
int OnStylusDown(HWND window, int x, int y);
int OnStylusMove(HWND window, int x, int y);
int OnStylusUp();
