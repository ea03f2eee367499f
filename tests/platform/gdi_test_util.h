// Helpers for the drawing tests: off-screen DCs that clean up after themselves, pictures of
// pixel areas as text (so a failure shows the shape), and a leak check on GDI objects.
#pragma once

#include <gtest/gtest.h>

#include <map>
#include <string>

#include "platform/gdi.h"
#include "platform/testing.h"

namespace kavro_test {

// An off-screen DC, filled with a colour of its own so that untouched pixels show.
class SurfaceDc {
 public:
  SurfaceDc(int width, int height, COLORREF background = RGB(0, 0, 128))
      : dc_(platform::testing::CreateSurfaceDC(width, height)) {
    HBRUSH brush = CreateSolidBrush(background);
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

// Selects an object into a DC for the scope, then selects the old one back and deletes the
// object (a no-op for stock objects).
class Selected {
 public:
  Selected(HDC dc, HGDIOBJ object) : dc_(dc), object_(object), old_(SelectObject(dc, object)) {}
  ~Selected() {
    SelectObject(dc_, old_);
    DeleteObject(object_);
  }
  Selected(const Selected&) = delete;
  Selected& operator=(const Selected&) = delete;

 private:
  HDC dc_;
  HGDIOBJ object_;
  HGDIOBJ old_;
};

// The pixels of [left, right) x [top, bottom), one character per pixel by the legend
// ('?' for colours not in it), rows separated by line feeds.
inline std::string Picture(HDC dc, int left, int top, int right, int bottom,
                           const std::map<COLORREF, char>& legend) {
  std::string out;
  for (int y = top; y < bottom; ++y) {
    for (int x = left; x < right; ++x) {
      const auto found = legend.find(GetPixel(dc, x, y));
      out.push_back(found == legend.end() ? '?' : found->second);
    }
    out.push_back('\n');
  }
  return out;
}

// Number of pixels of the colour in [left, right) x [top, bottom).
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
