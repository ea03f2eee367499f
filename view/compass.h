// The compass: a black dial in the top-right corner with a red and blue needle turned by the
// current course. The geometry is pure; DrawCompass draws it.
#pragma once

#include <cstdint>

#include "core/records.h"
#include "platform/types.h"

constexpr std::int32_t CompassInset = 37;     // centre from the client's right and top edges
constexpr std::int32_t CompassDialRadius = 27;
constexpr std::int32_t CompassHubRadius = 5;
constexpr double CompassNeedleLength = 25.0;  // each half
constexpr int CompassNeedleWidth = 5;
// The program's own approximation of pi: it moves some needle ends by a pixel, and the
// needle has always been drawn this way.
constexpr double CompassDegreeToRadian = 3.14159265 / 180;

struct NeedleEndPoints {
  PixelPoint red;   // the half pointing south, as seen facing the direction of travel
  PixelPoint blue;  // the half pointing north
};

// The dial's centre: (right - 37, top + 37) of the client rectangle.
PixelPoint CompassCentre(const RECT* client);

// The box of a circle around the centre.
RECT CircleBox(PixelPoint centre, std::int32_t radius);

// The needle's two end points for a course in degrees from true north, truncated toward
// zero. A course that is not a number leaves both ends at the centre.
NeedleEndPoints NeedleEnds(std::int32_t cx, std::int32_t cy, double course);

// Draws the dial, the needle for trackState.current.course and the hub.
void DrawCompass(HWND window, HDC surface);
