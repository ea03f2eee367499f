// Helpers for the drawing tests: off-screen DCs that clean up after themselves, pixel counts,
// and a leak check on GDI objects.
#pragma once

#include <gtest/gtest.h>

#include "platform/gdi.h"
#include "platform/testing.h"

namespace kavro_test {

constexpr COLORREF kSurfaceBack = RGB(0, 0, 128);

// An off-screen DC, filled with a colour of its own so that untouched pixels show.
class SurfaceDc {
 public:
  SurfaceDc(int width, int height) : dc_(platform::testing::CreateSurfaceDC(width, height)) {
    HBRUSH brush = CreateSolidBrush(kSurfaceBack);
    const RECT all{0, 0, width, height};
    FillRect(dc_, &all, brush);
    DeleteObject(brush);
  }
  ~SurfaceDc() { platform::testing::DeleteSurfaceDC(dc_); }
  SurfaceDc(const SurfaceDc&) = delete;
  SurfaceDc& operator=(const SurfaceDc&) = delete;
  HDC get() const { return dc_; }

 private:
  HDC dc_;
};

inline int CountPixels(HDC dc, int left, int top, int right, int bottom, COLORREF colour) {
  int count = 0;
  for (int y = top; y < bottom; ++y) {
    for (int x = left; x < right; ++x) count += GetPixel(dc, x, y) == colour ? 1 : 0;
  }
  return count;
}

// Every test leaves the handle table as it found it.
class GdiTest : public ::testing::Test {
 protected:
  void SetUp() override {
    GetStockObject(WHITE_BRUSH);  // stock objects are permanent and not counted, but made once
    live_ = platform::testing::CountLiveHandles();
  }
  void TearDown() override {
    EXPECT_EQ(platform::testing::CountLiveHandles(), live_) << "GDI objects or DCs leaked";
  }

 private:
  std::size_t live_ = 0;
};

}  // namespace kavro_test
