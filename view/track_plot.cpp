// The track plot: projection of fixes to screen positions, the join rule, and the drawing.
#include "view/track_plot.h"

#include <cmath>
#include <cstdint>

#include "platform/gdi.h"
#include "platform/user.h"
#include "view/pixels.h"

double SignedMinutes(double nmeaValue, char hemisphere) {
  double magnitude = std::fabs(nmeaValue);
  // Whole degrees are the hundreds. The product may round across a boundary, so the remainder
  // corrects it. Every step is exact for the receiver's numbers: 40 * degrees is a whole
  // number and the result is smaller than the input. The cast (not std::floor, a call without
  // SSE4.1) is defined below 2^53; larger numbers and NaN take the slow road.
  double hundreds = magnitude * 0.01;
  double degrees = magnitude < 1e15 ? static_cast<double>(static_cast<std::int64_t>(hundreds))
                                    : std::floor(hundreds);
  double rest = magnitude - degrees * 100.0;
  if (rest < 0.0) degrees -= 1.0;
  if (rest >= 100.0) degrees += 1.0;
  double minutes = magnitude - 40.0 * degrees;
  bool negative = (nmeaValue < 0.0) != (hemisphere == 'S' || hemisphere == 'W');
  return negative ? -minutes : minutes;
}

PlotProjection ProjectionOf(const TrackState* state) {
  PlotProjection projection;
  projection.refLongitude = SignedMinutes(state->refLongitude, state->points[0].lonHemisphere);
  projection.refLatitude = SignedMinutes(state->refLatitude, state->points[0].latHemisphere);
  projection.scale = 1.0 / state->zoom;
  projection.panX = state->panX;
  projection.panY = state->panY;
  return projection;
}

PixelPoint ProjectWith(const PlotProjection* projection, const FixRecord* fix) {
  double east = SignedMinutes(fix->longitude, fix->lonHemisphere) - projection->refLongitude;
  double north = SignedMinutes(fix->latitude, fix->latHemisphere) - projection->refLatitude;
  // Scale first, then the pixel factor: this order decides which whole pixel a point falls on.
  PixelPoint pixel;
  pixel.x = OffsetPixel(PlotOriginX, projection->panX, (east * projection->scale) * -PlotScale);
  pixel.y = OffsetPixel(PlotOriginY, projection->panY, (north * projection->scale) * PlotScale);
  return pixel;
}

PixelPoint ProjectPoint(const TrackState* state, const FixRecord* fix) {
  PlotProjection projection = ProjectionOf(state);
  return ProjectWith(&projection, fix);
}

int ShouldJoin(std::int32_t index, std::int32_t x, std::int32_t moveFromX) {
  return index > 0 && x > PlotJoinLimit && moveFromX > PlotJoinLimit;
}

namespace {

void DrawEndDot(HDC surface, PixelPoint at) {
  HBRUSH greenBrush = CreateSolidBrush(RGB(0, 255, 0));
  HPEN greenPen = CreatePen(PS_SOLID, 1, RGB(0, 255, 0));
  HGDIOBJ oldBrush = SelectObject(surface, greenBrush);
  HGDIOBJ oldPen = SelectObject(surface, greenPen);
  Ellipse(surface, AddSaturated(at.x, -PlotDotHalfSize), AddSaturated(at.y, -PlotDotHalfSize),
          AddSaturated(at.x, PlotDotHalfSize), AddSaturated(at.y, PlotDotHalfSize));
  SelectObject(surface, oldPen);
  SelectObject(surface, oldBrush);
  DeleteObject(greenPen);
  DeleteObject(greenBrush);
}

}  // namespace

void DrawTrack(TrackState* state, HWND window, HDC surface) {
  HBRUSH blackBrush = CreateSolidBrush(RGB(0, 0, 0));
  HPEN whitePen = CreatePen(PS_SOLID, 1, RGB(255, 255, 255));
  RECT area{0, 0, 0, 0};
  GetClientRect(window, &area);
  area.left = PlotLeftEdge;
  FillRect(surface, &area, blackBrush);
  HGDIOBJ entryPen = SelectObject(surface, whitePen);

  // An empty store takes the zeroed point 0, which leaves the reference unset for next time.
  if (state->refLatitude == 0.0) {
    state->refLongitude = state->points[0].longitude;
    state->refLatitude = state->points[0].latitude;
  }

  std::int32_t count = state->pointCount;
  if (count < 0) count = 0;
  if (count > TrackCapacity) count = TrackCapacity;
  PlotProjection projection = ProjectionOf(state);
  // moveFromX starts as the pen's x on entry in principle, but point 0 always moves, so its
  // value is never consulted before the first move sets it.
  std::int32_t moveFromX = 0;
  PixelPoint last{0, 0};
  for (std::int32_t i = 0; i < count; ++i) {
    last = ProjectWith(&projection, &state->points[i]);
    if (ShouldJoin(i, last.x, moveFromX)) {
      LineTo(surface, last.x, last.y);
    } else {
      POINT from{0, 0};
      MoveToEx(surface, last.x, last.y, &from);
      moveFromX = from.x;
    }
  }
  // x - 3 > 101, written so that it cannot overflow.
  if (count > 0 && last.x > PlotJoinLimit + PlotDotHalfSize) DrawEndDot(surface, last);

  SelectObject(surface, entryPen);
  DeleteObject(blackBrush);
  DeleteObject(whitePen);
}
