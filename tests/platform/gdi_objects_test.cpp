// Win32 rules of DCs and GDI objects that the program relies on, bad handles refused, and the
// recording seam that shows every call with the state of its DC while the drawing goes on.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/test_support.h"

namespace {

using kavro_test::BlackBrush;
using kavro_test::SurfaceDc;
using platform::testing::CreateSurfaceDC;
using platform::testing::DeleteSurfaceDC;

class GdiObjects : public kavro_test::GdiTest {};

TEST_F(GdiObjects, DeletingASelectedObjectIsRefusedAndItStaysUsable) {
  SurfaceDc s(8, 8);
  HPEN red = CreatePen(PS_SOLID, 1, RGB(255, 0, 0));
  HGDIOBJ old = SelectObject(s.get(), red);
  EXPECT_FALSE(DeleteObject(red));
  MoveToEx(s.get(), 0, 2, nullptr);
  LineTo(s.get(), 4, 2);
  EXPECT_EQ(GetPixel(s.get(), 1, 2), RGB(255, 0, 0));
  EXPECT_EQ(SelectObject(s.get(), old), red);
  EXPECT_TRUE(DeleteObject(red));
}

TEST_F(GdiObjects, StaleAndZeroHandlesFailWithoutHarm) {
  HDC staleDc = CreateSurfaceDC(4, 4);
  DeleteSurfaceDC(staleDc);
  HPEN stalePen = CreatePen(PS_SOLID, 1, RGB(1, 1, 1));
  ASSERT_TRUE(DeleteObject(stalePen));
  SurfaceDc s(4, 4);
  HPEN pen = CreatePen(PS_SOLID, 1, RGB(1, 1, 1));
  RECT r{0, 0, 4, 4};
  for (HDC dc : {HDC{nullptr}, staleDc}) {
    EXPECT_EQ(SelectObject(dc, pen), nullptr) << dc;
    EXPECT_FALSE(LineTo(dc, 1, 1)) << dc;
    EXPECT_EQ(FillRect(dc, &r, BlackBrush()), 0) << dc;
    EXPECT_EQ(DrawTextW(dc, L"x", -1, &r, 0), 0) << dc;
    EXPECT_EQ(GetPixel(dc, 0, 0), CLR_INVALID) << dc;
    EXPECT_FALSE(DeleteSurfaceDC(dc)) << dc;
  }
  for (HGDIOBJ object : {HGDIOBJ{}, HGDIOBJ{stalePen}, HGDIOBJ{s.get()}}) {
    EXPECT_EQ(SelectObject(s.get(), object), nullptr) << object;
    EXPECT_FALSE(DeleteObject(object)) << object;
  }
  // The failed calls changed nothing.
  EXPECT_EQ(SelectObject(s.get(), pen), GetStockObject(BLACK_PEN));
  SelectObject(s.get(), GetStockObject(BLACK_PEN));
  EXPECT_TRUE(DeleteObject(pen));
}

// The view tests read the recorded calls and the DC state they carry; here only the seam: the
// calls between start and stop are kept, and they still draw.
TEST_F(GdiObjects, RecordingKeepsTheCallsBetweenStartAndStopAndTheyStillDraw) {
  SurfaceDc s(40, 30);
  platform::testing::StartGdiRecording();
  MoveToEx(s.get(), 20, 10, nullptr);
  LineTo(s.get(), 25, 10);
  const std::vector<platform::testing::GdiRecord> records = platform::testing::StopGdiRecording();
  LineTo(s.get(), 4, 4);
  EXPECT_TRUE(platform::testing::StopGdiRecording().empty()) << "recorded while off";
  ASSERT_EQ(records.size(), 2u);
  EXPECT_EQ(records[1].op, "LineTo");
  EXPECT_EQ(records[1].penPosition.x, 20) << "the pen position before the call";
  EXPECT_EQ(records[1].args, (std::vector<long long>{25, 10}));
  EXPECT_EQ(GetPixel(s.get(), 22, 10), RGB(0, 0, 0)) << "recorded calls still draw";
}

}  // namespace
