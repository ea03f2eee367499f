// Win32 rules of DCs and GDI objects that the program relies on, pinned down one by one.
#include <cairo.h>
#include <gtest/gtest.h>

#include <climits>
#include <vector>

#include "platform/detail/surface_dc.h"
#include "platform/gdi.h"
#include "platform/testing.h"
#include "platform/gdi_test_util.h"

namespace {

using kavro_test::GdiTest;
using kavro_test::SurfaceDc;
using platform::testing::CreateSurfaceDC;
using platform::testing::DeleteSurfaceDC;

class GdiObjects : public GdiTest {};

TEST_F(GdiObjects, FreshDcHasBlackPenWhiteBrushSystemFontAndOpaqueWhiteBackground) {
  SurfaceDc s(8, 8);
  platform::testing::StartGdiRecording();
  MoveToEx(s.get(), 1, 1, nullptr);
  const auto records = platform::testing::StopGdiRecording();
  ASSERT_EQ(records.size(), 1u);
  const auto& r = records[0];
  EXPECT_EQ(r.penColour, RGB(0, 0, 0));
  EXPECT_EQ(r.penWidth, 1);
  EXPECT_EQ(r.penStyle, PS_SOLID);
  EXPECT_EQ(r.brushColour, RGB(255, 255, 255));
  EXPECT_FALSE(r.brushIsNull);
  EXPECT_EQ(r.textColour, RGB(0, 0, 0));
  EXPECT_EQ(r.bkColour, RGB(255, 255, 255));
  EXPECT_EQ(r.bkMode, OPAQUE);
  EXPECT_EQ(r.fontHeight, -11);
  EXPECT_EQ(r.penPosition.x, 0);
  EXPECT_EQ(r.penPosition.y, 0);

  // The selected objects are the stock ones.
  HPEN pen = CreatePen(PS_SOLID, 1, RGB(1, 2, 3));
  HBRUSH brush = CreateSolidBrush(RGB(4, 5, 6));
  LOGFONTW lf{};
  lf.lfHeight = -20;
  HFONT font = CreateFontIndirectW(&lf);
  EXPECT_EQ(SelectObject(s.get(), pen), GetStockObject(BLACK_PEN));
  EXPECT_EQ(SelectObject(s.get(), brush), GetStockObject(WHITE_BRUSH));
  EXPECT_EQ(SelectObject(s.get(), font), GetStockObject(SYSTEM_FONT));
  SelectObject(s.get(), GetStockObject(BLACK_PEN));
  SelectObject(s.get(), GetStockObject(WHITE_BRUSH));
  SelectObject(s.get(), GetStockObject(SYSTEM_FONT));
  EXPECT_TRUE(DeleteObject(pen));
  EXPECT_TRUE(DeleteObject(brush));
  EXPECT_TRUE(DeleteObject(font));
}

TEST_F(GdiObjects, SelectObjectReturnsThePreviousObjectOfTheSameKind) {
  SurfaceDc s(8, 8);
  HPEN red = CreatePen(PS_SOLID, 1, RGB(255, 0, 0));
  HPEN blue = CreatePen(PS_SOLID, 5, RGB(0, 0, 255));
  HBRUSH green = CreateSolidBrush(RGB(0, 255, 0));
  struct Step {
    HGDIOBJ select;
    HGDIOBJ expected;
  };
  const Step steps[] = {
      {red, GetStockObject(BLACK_PEN)},  {green, GetStockObject(WHITE_BRUSH)}, {blue, red},
      {GetStockObject(NULL_BRUSH), green}, {red, blue},                         {red, red},
      {GetStockObject(BLACK_PEN), red},  {GetStockObject(WHITE_BRUSH), GetStockObject(NULL_BRUSH)},
  };
  for (std::size_t i = 0; i < std::size(steps); ++i) {
    EXPECT_EQ(SelectObject(s.get(), steps[i].select), steps[i].expected) << "step " << i;
  }
  EXPECT_TRUE(DeleteObject(red));
  EXPECT_TRUE(DeleteObject(blue));
  EXPECT_TRUE(DeleteObject(green));
}

TEST_F(GdiObjects, SelectObjectFailsOnBadHandles) {
  SurfaceDc s(8, 8);
  HPEN stale = CreatePen(PS_SOLID, 1, RGB(1, 1, 1));
  ASSERT_TRUE(DeleteObject(stale));
  HPEN pen = CreatePen(PS_SOLID, 1, RGB(1, 1, 1));
  const HGDIOBJ bad[] = {nullptr, stale, s.get(), reinterpret_cast<HGDIOBJ>(static_cast<std::uintptr_t>(0x1234)),
                         reinterpret_cast<HGDIOBJ>(static_cast<std::uintptr_t>(3))};
  for (HGDIOBJ object : bad) EXPECT_EQ(SelectObject(s.get(), object), nullptr) << object;
  EXPECT_EQ(SelectObject(nullptr, pen), nullptr);
  // The failed calls changed nothing.
  EXPECT_EQ(SelectObject(s.get(), pen), GetStockObject(BLACK_PEN));
  SelectObject(s.get(), GetStockObject(BLACK_PEN));
  EXPECT_TRUE(DeleteObject(pen));
}

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
  EXPECT_FALSE(DeleteObject(red)) << "a deleted object is gone";
}

TEST_F(GdiObjects, ObjectsSelectedIntoAClosedDcCanBeDeleted) {
  HBRUSH brush = CreateSolidBrush(RGB(1, 2, 3));
  HDC dc = CreateSurfaceDC(4, 4);
  SelectObject(dc, brush);
  EXPECT_FALSE(DeleteObject(brush));
  EXPECT_TRUE(DeleteSurfaceDC(dc));
  EXPECT_TRUE(DeleteObject(brush));
}

TEST_F(GdiObjects, DeletingStockObjectsIsAHarmlessNoOp) {
  SurfaceDc s(8, 8);
  for (int index : {WHITE_BRUSH, BLACK_BRUSH, NULL_BRUSH, BLACK_PEN, WHITE_PEN, NULL_PEN, SYSTEM_FONT}) {
    HGDIOBJ stock = GetStockObject(index);
    EXPECT_TRUE(DeleteObject(stock)) << index;
    EXPECT_EQ(GetStockObject(index), stock) << index;
  }
  // The deleted-in-vain black brush still fills.
  const RECT r{0, 0, 2, 2};
  EXPECT_TRUE(FillRect(s.get(), &r, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH))));
  EXPECT_EQ(GetPixel(s.get(), 1, 1), RGB(0, 0, 0));
  EXPECT_FALSE(DeleteObject(nullptr));
  EXPECT_FALSE(DeleteObject(s.get())) << "a DC is no GDI object to DeleteObject";
}

TEST_F(GdiObjects, StockObjectsExistForTheWin32Indices) {
  const int valid[] = {WHITE_BRUSH, LTGRAY_BRUSH, GRAY_BRUSH, DKGRAY_BRUSH, BLACK_BRUSH, NULL_BRUSH,
                       WHITE_PEN,   BLACK_PEN,    NULL_PEN,   SYSTEM_FONT};
  for (int index : valid) EXPECT_NE(GetStockObject(index), nullptr) << index;
  EXPECT_NE(GetStockObject(WHITE_PEN), GetStockObject(BLACK_PEN));
  for (int index : {-1, 9, 18, INT_MAX, INT_MIN}) EXPECT_EQ(GetStockObject(index), nullptr) << index;
}

TEST_F(GdiObjects, CreatePenTakesTheWin32StylesAndRefusesOthers) {
  for (int style : {PS_SOLID, PS_DASH, PS_NULL}) {
    HPEN pen = CreatePen(style, 0, RGB(0, 0, 0));
    EXPECT_NE(pen, nullptr) << style;
    DeleteObject(pen);
  }
  EXPECT_EQ(CreatePen(42, 1, RGB(0, 0, 0)), nullptr);
  EXPECT_EQ(CreatePen(-1, 1, RGB(0, 0, 0)), nullptr);
  EXPECT_EQ(CreatePenIndirect(nullptr), nullptr);
  EXPECT_EQ(CreateFontIndirectW(nullptr), nullptr);
  const LOGPEN lp{PS_SOLID, {5, 0}, RGB(255, 0, 0)};
  HPEN pen = CreatePenIndirect(&lp);
  EXPECT_NE(pen, nullptr);
  EXPECT_TRUE(DeleteObject(pen));
}

TEST_F(GdiObjects, MoveToExReportsThePreviousPosition) {
  SurfaceDc s(8, 8);
  const POINT moves[] = {{5, 6}, {-3, 7}, {INT_MAX, INT_MIN}, {0, 0}};
  POINT expected{0, 0};
  for (const POINT& to : moves) {
    POINT previous{99, 99};
    EXPECT_TRUE(MoveToEx(s.get(), to.x, to.y, &previous));
    EXPECT_EQ(previous.x, expected.x);
    EXPECT_EQ(previous.y, expected.y);
    expected = to;
  }
  EXPECT_TRUE(MoveToEx(s.get(), 1, 1, nullptr)) << "the previous position is optional";
  EXPECT_FALSE(MoveToEx(nullptr, 1, 1, nullptr));
}

TEST_F(GdiObjects, LineToLeavesThePenAtItsEnd) {
  SurfaceDc s(8, 8);
  MoveToEx(s.get(), 1, 1, nullptr);
  EXPECT_TRUE(LineTo(s.get(), 6, 3));
  EXPECT_TRUE(LineTo(s.get(), -100000, INT_MAX));  // off the surface: still moves the pen
  POINT previous{};
  MoveToEx(s.get(), 0, 0, &previous);
  EXPECT_EQ(previous.x, -100000);
  EXPECT_EQ(previous.y, INT_MAX);
}

TEST_F(GdiObjects, ColourAndModeSettersReturnThePreviousValues) {
  SurfaceDc s(8, 8);
  EXPECT_EQ(SetBkColor(s.get(), RGB(0, 50, 0)), RGB(255, 255, 255));
  EXPECT_EQ(SetBkColor(s.get(), RGB(200, 200, 200)), RGB(0, 50, 0));
  EXPECT_EQ(SetTextColor(s.get(), RGB(0, 255, 0)), RGB(0, 0, 0));
  EXPECT_EQ(SetTextColor(s.get(), RGB(1, 1, 1)), RGB(0, 255, 0));
  EXPECT_EQ(SetBkMode(s.get(), TRANSPARENT), OPAQUE);
  EXPECT_EQ(SetBkMode(s.get(), 7), 0) << "an unknown mode is refused";
  EXPECT_EQ(SetBkMode(s.get(), OPAQUE), TRANSPARENT);
  EXPECT_EQ(SetBkColor(nullptr, 0), CLR_INVALID);
  EXPECT_EQ(SetTextColor(nullptr, 0), CLR_INVALID);
  EXPECT_EQ(SetBkMode(nullptr, OPAQUE), 0);
}

TEST(GdiRects, PtInRectExcludesTheRightAndBottomEdges) {
  const RECT r{3, 7, 25, 25};
  struct Case {
    POINT p;
    BOOL inside;
  };
  const Case cases[] = {{{3, 7}, TRUE},   {{24, 24}, TRUE},  {{10, 10}, TRUE}, {{25, 10}, FALSE},
                        {{10, 25}, FALSE}, {{2, 10}, FALSE}, {{10, 6}, FALSE}, {{25, 25}, FALSE},
                        {{INT_MIN, INT_MIN}, FALSE}};
  for (const Case& c : cases) {
    EXPECT_EQ(PtInRect(&r, c.p), c.inside) << "(" << c.p.x << ", " << c.p.y << ")";
  }
  const RECT empty{0, 0, 0, 0};
  EXPECT_FALSE(PtInRect(&empty, POINT{0, 0}));
  EXPECT_FALSE(PtInRect(nullptr, POINT{0, 0}));
}

TEST(GdiRects, SetRectStoresTheFourEdges) {
  RECT r{};
  EXPECT_TRUE(SetRect(&r, 1, -2, 3, INT_MAX));
  EXPECT_EQ(r.left, 1);
  EXPECT_EQ(r.top, -2);
  EXPECT_EQ(r.right, 3);
  EXPECT_EQ(r.bottom, INT_MAX);
  EXPECT_FALSE(SetRect(nullptr, 0, 0, 0, 0));
}

TEST_F(GdiObjects, CallsOnABadDcFailWithoutHarm) {
  HDC stale = CreateSurfaceDC(4, 4);
  DeleteSurfaceDC(stale);
  RECT r{0, 0, 4, 4};
  for (HDC dc : {static_cast<HDC>(nullptr), stale}) {
    EXPECT_FALSE(LineTo(dc, 1, 1));
    EXPECT_EQ(FillRect(dc, &r, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH))), 0);
    EXPECT_FALSE(Ellipse(dc, 0, 0, 4, 4));
    EXPECT_FALSE(Rectangle(dc, 0, 0, 4, 4));
    EXPECT_EQ(DrawTextW(dc, L"x", -1, &r, 0), 0);
    EXPECT_FALSE(DrawFrameControl(dc, &r, DFC_BUTTON, DFCS_BUTTONPUSH));
    EXPECT_EQ(GetPixel(dc, 0, 0), CLR_INVALID);
    EXPECT_FALSE(DeleteSurfaceDC(dc));
  }
  SurfaceDc s(4, 4);
  EXPECT_EQ(FillRect(s.get(), &r, nullptr), 0);
  EXPECT_EQ(FillRect(s.get(), nullptr, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH))), 0);
  EXPECT_EQ(DrawTextW(s.get(), nullptr, -1, &r, 0), 0);
  EXPECT_EQ(GetPixel(s.get(), 4, 0), CLR_INVALID);
  EXPECT_EQ(GetPixel(s.get(), -1, 0), CLR_INVALID);
  EXPECT_EQ(CreateSurfaceDC(0, 10), nullptr);
  EXPECT_EQ(CreateSurfaceDC(10, -1), nullptr);
}

TEST_F(GdiObjects, SurfaceDcsOpenOnlyOn32BitImageSurfaces) {
  cairo_surface_t* argb = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, 4, 4);
  EXPECT_EQ(platform::detail::OpenSurfaceDC(argb), nullptr);
  cairo_surface_destroy(argb);
  EXPECT_EQ(platform::detail::OpenSurfaceDC(nullptr), nullptr);
  EXPECT_FALSE(platform::detail::CloseSurfaceDC(nullptr, nullptr));
  // Each kind of DC is closed by its own call.
  HDC own = CreateSurfaceDC(4, 4);
  EXPECT_FALSE(platform::detail::CloseSurfaceDC(own, nullptr));
  EXPECT_TRUE(DeleteSurfaceDC(own));
  cairo_surface_t* rgb = cairo_image_surface_create(CAIRO_FORMAT_RGB24, 4, 4);
  HDC opened = platform::detail::OpenSurfaceDC(rgb);
  ASSERT_NE(opened, nullptr);
  EXPECT_FALSE(DeleteSurfaceDC(opened));
  EXPECT_TRUE(platform::detail::CloseSurfaceDC(opened, nullptr));
  cairo_surface_destroy(rgb);
}

}  // namespace
