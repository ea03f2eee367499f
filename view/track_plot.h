// The track plot: the stored track as a white polyline on black right of the left band, with a
// green dot on the newest point. Projection and join rule are pure functions; DrawTrack draws.
#pragma once

#include <cstdint>

#include "core/records.h"
#include "platform/types.h"

// Plot constants, in device pixels.
constexpr std::int32_t PlotLeftEdge = 100;   // the black fill starts here
constexpr std::int32_t PlotJoinLimit = 101;  // lines only join points right of this x
constexpr std::int32_t PlotOriginX = 290;    // screen position of the reference point
constexpr std::int32_t PlotOriginY = 126;    //   before panning
constexpr double PlotScale = 100.0;          // pixels per minute of arc at zoom 1.0
constexpr std::int32_t PlotDotHalfSize = 3;  // the end dot spans x-3..x+3, y-3..y+3

// An NMEA coordinate (ddmm.mmmm or dddmm.mmmm) as signed minutes of arc: degrees * 60 +
// minutes, negative in the southern and western hemispheres ('S', 'W'). Any other letter,
// NUL included, counts as north or east.
double SignedMinutes(double nmeaValue, char hemisphere);

// What every point's projection shares: the reference point in signed minutes, 1/zoom and the
// pan. Computed once per drawing, not once per point.
struct PlotProjection {
  double refLongitude;
  double refLatitude;
  double scale;
  std::int32_t panX;
  std::int32_t panY;
};

// The projection of the state's current view. The reference takes its hemisphere letters from
// points[0], the fix it was taken from.
PlotProjection ProjectionOf(const TrackState* state);

// Screen position of a fix: 100 pixels per minute of arc at zoom 1.0, larger latitudes up and
// larger longitudes right, the reference point at (290 + panX, 126 + panY). Saturates to the
// int32 range; a NaN coordinate lands far left or far up.
PixelPoint ProjectWith(const PlotProjection* projection, const FixRecord* fix);
PixelPoint ProjectPoint(const TrackState* state, const FixRecord* fix);

// Join rule: 1 when point `index`, projected to x, is reached by a line from the pen position,
// 0 when the pen moves there instead. moveFromX is the pen's x before the most recent move.
int ShouldJoin(std::int32_t index, std::int32_t x, std::int32_t moveFromX);

// Clears the plot area and draws the whole track. On first use with a stored point, sets the
// reference point from points[0]; afterwards the reference never changes.
void DrawTrack(TrackState* state, HWND window, HDC surface);
