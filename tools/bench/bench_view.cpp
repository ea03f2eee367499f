// Drawing the track plot over a full store, as every moving tick and every drag step does.
#include <benchmark/benchmark.h>

#include "bench/sample_drive.h"
#include "core/records.h"
#include "platform/testing.h"
#include "platform/user.h"
#include "view/track_plot.h"

namespace {

constexpr int ScreenWidth = 480;
constexpr int ScreenHeight = 536;

// A drive of about eight hours, one fix per 300 ms tick, starting near 48°07' N 11°31' E.
void FillFullStore() {
  ResetTrackState(&trackState);
  sample_drive::FillDrive(trackState.points, TrackCapacity, 2887.038, 691.0, 0.3, 1);
  trackState.pointCount = TrackCapacity;
}

void DrawFullStore(benchmark::State& benchState, double zoom) {
  FillFullStore();
  trackState.zoom = zoom;
  HWND window = platform::testing::CreateSurfaceWindow(ScreenWidth, ScreenHeight);
  for (auto _ : benchState) {
    HDC surface = GetDC(window);
    DrawTrack(&trackState, window, surface);
    ReleaseDC(window, surface);
  }
  benchState.SetItemsProcessed(benchState.iterations() * TrackCapacity);
  DestroyWindow(window);
}

void BM_DrawTrackFullStoreZoom1(benchmark::State& state) { DrawFullStore(state, 1.0); }
void BM_DrawTrackFullStoreZoom64(benchmark::State& state) { DrawFullStore(state, 64.0); }

BENCHMARK(BM_DrawTrackFullStoreZoom1)->Unit(benchmark::kMillisecond)->Repetitions(10);
BENCHMARK(BM_DrawTrackFullStoreZoom64)->Unit(benchmark::kMillisecond)->Repetitions(10);

}  // namespace

BENCHMARK_MAIN();
