// Draws one screen of the viewer off-screen, as a moving tick leaves it, and writes it to a
// PNG file for a person to look at: background, info panel, track plot of a sample drive,
// compass and speed figure.
//
//   compose_screen [out.png] [points] [zoom]
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>

#include "bench/sample_drive.h"
#include "core/records.h"
#include "platform/gdi.h"
#include "platform/testing.h"
#include "platform/user.h"
#include "view/compass.h"
#include "view/info_panel.h"
#include "view/track_plot.h"

namespace {

constexpr int ScreenWidth = 480;
constexpr int ScreenHeight = 536;

void SetUpDrive(std::int32_t count, double zoom) {
  ResetTrackState(&trackState);
  sample_drive::FillDrive(trackState.points, count, 2887.038, 691.0, 1.0, 7);
  trackState.pointCount = count;
  trackState.zoom = zoom;
  trackState.current = trackState.points[count - 1];
  for (std::int32_t i = 1; i < count; ++i) {
    const FixRecord& a = trackState.points[i - 1];
    const FixRecord& b = trackState.points[i];
    double north = SignedMinutes(b.latitude, b.latHemisphere) -
                   SignedMinutes(a.latitude, a.latHemisphere);
    double east = SignedMinutes(b.longitude, b.lonHemisphere) -
                  SignedMinutes(a.longitude, a.lonHemisphere);
    trackState.distance += std::sqrt(north * north + east * east);
    if (b.speed > trackState.topSpeed) trackState.topSpeed = b.speed;
  }
}

// Pans the plot so that the middle of the track sits in the middle of the plot area, as a user
// would drag it there.
void CentreTrack() {
  trackState.refLongitude = trackState.points[0].longitude;
  trackState.refLatitude = trackState.points[0].latitude;
  PixelPoint low = ProjectPoint(&trackState, &trackState.points[0]);
  PixelPoint high = low;
  for (std::int32_t i = 1; i < trackState.pointCount; ++i) {
    PixelPoint p = ProjectPoint(&trackState, &trackState.points[i]);
    low = PixelPoint{std::min(low.x, p.x), std::min(low.y, p.y)};
    high = PixelPoint{std::max(high.x, p.x), std::max(high.y, p.y)};
  }
  trackState.panX = (PlotLeftEdge + ScreenWidth) / 2 - (low.x + high.x) / 2;
  trackState.panY = ScreenHeight / 2 - (low.y + high.y) / 2;
}

}  // namespace

int main(int argc, char** argv) {
  const char* path = argc > 1 ? argv[1] : "screen.png";
  std::int32_t count = argc > 2 ? std::atoi(argv[2]) : 200;
  double zoom = argc > 3 ? std::atof(argv[3]) : 1.0;
  if (count < 1 || count > TrackCapacity || !(zoom > 0.0)) {
    std::fprintf(stderr, "usage: compose_screen [out.png] [points 1..%d] [zoom > 0]\n",
                 TrackCapacity);
    return 2;
  }
  SetUpDrive(count, zoom);
  CentreTrack();

  HWND window = platform::testing::CreateSurfaceWindow(ScreenWidth, ScreenHeight);
  HDC surface = GetDC(window);
  RECT client{0, 0, 0, 0};
  GetClientRect(window, &client);
  HBRUSH background = CreateSolidBrush(RGB(0, 50, 0));
  FillRect(surface, &client, background);
  DeleteObject(background);

  // The order of a moving tick: panel, plot, compass, figure.
  DrawInfoPanel(surface, &client);
  DrawTrack(&trackState, window, surface);
  DrawCompass(window, surface);
  DrawSpeedFigure(surface, &client, SpeedFigureOf(trackState.current.speed));

  bool written = platform::testing::WriteSurfacePng(surface, path);
  ReleaseDC(window, surface);
  DestroyWindow(window);
  if (!written) {
    std::fprintf(stderr, "compose_screen: cannot write %s\n", path);
    return 1;
  }
  std::printf("%s: %d points at zoom %g, pan %d, %d\n", path, count, zoom, trackState.panX,
              trackState.panY);
  return 0;
}
