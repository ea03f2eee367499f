// Drawing speed: the track plot strokes its whole polyline with a one-pixel pen on every
// moving tick, so 100000 LineTo segments on a 480 x 536 surface must take well under 5 ms.
#include <benchmark/benchmark.h>

#include <cmath>
#include <vector>

#include "platform/gdi.h"
#include "platform/testing.h"

namespace {

constexpr int kWidth = 480;
constexpr int kHeight = 536;
constexpr int kSegments = 100000;

// A drive as the plot shows it: a wandering course at a few pixels per fix, staying within the
// plot area right of the left band, with a few excursions off the window as when panned.
std::vector<POINT> Track() {
  std::vector<POINT> points;
  double x = 290.0;
  double y = 126.0;
  double heading = 0.3;
  for (int i = 0; i <= kSegments; ++i) {
    heading += 0.35 * std::sin(i * 0.013) * std::cos(i * 0.0071);
    const double step = 2.0 + 2.0 * std::fabs(std::sin(i * 0.05));
    x += step * std::cos(heading);
    y += step * std::sin(heading);
    if (x < 60.0 || x > kWidth + 40.0) heading = 3.14159265 - heading;
    if (y < -40.0 || y > kHeight + 40.0) heading = -heading;
    points.push_back({static_cast<LONG>(x), static_cast<LONG>(y)});
  }
  return points;
}

void BM_TrackPolyline(benchmark::State& state) {
  const std::vector<POINT> track = Track();
  HDC dc = platform::testing::CreateSurfaceDC(kWidth, kHeight);
  HPEN white = CreatePen(PS_SOLID, 1, RGB(255, 255, 255));
  HGDIOBJ old = SelectObject(dc, white);
  for (auto _ : state) {
    MoveToEx(dc, track[0].x, track[0].y, nullptr);
    for (std::size_t i = 1; i < track.size(); ++i) LineTo(dc, track[i].x, track[i].y);
    benchmark::ClobberMemory();
  }
  state.SetItemsProcessed(state.iterations() * kSegments);
  SelectObject(dc, old);
  DeleteObject(white);
  platform::testing::DeleteSurfaceDC(dc);
}
BENCHMARK(BM_TrackPolyline)->Unit(benchmark::kMillisecond);

// The plot's other per-tick work: the black fill of the plot area and the end dot.
void BM_PlotFillAndDot(benchmark::State& state) {
  HDC dc = platform::testing::CreateSurfaceDC(kWidth, kHeight);
  HBRUSH black = CreateSolidBrush(RGB(0, 0, 0));
  HBRUSH green = CreateSolidBrush(RGB(0, 255, 0));
  const RECT plot{100, 0, kWidth, kHeight};
  for (auto _ : state) {
    FillRect(dc, &plot, black);
    HGDIOBJ old = SelectObject(dc, green);
    Ellipse(dc, 297, 127, 303, 133);
    SelectObject(dc, old);
  }
  DeleteObject(black);
  DeleteObject(green);
  platform::testing::DeleteSurfaceDC(dc);
}
BENCHMARK(BM_PlotFillAndDot)->Unit(benchmark::kMicrosecond);

// Deep zoom makes the end dot's box, or a panned plot's shapes, enormous: drawing costs only
// the visible rows, whatever the box.
void BM_HugeEllipse(benchmark::State& state) {
  HDC dc = platform::testing::CreateSurfaceDC(kWidth, kHeight);
  for (auto _ : state) Ellipse(dc, -2000000000, 100, 2000000000, 2100000000);
  platform::testing::DeleteSurfaceDC(dc);
}
BENCHMARK(BM_HugeEllipse)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
