// Win32 rules of DCs and GDI objects that the program relies on, and bad handles refused.
#include <cairo.h>
#include <gtest/gtest.h>

#include <climits>
#include <cstdint>

#include "platform/detail/surface_dc.h"
#include "platform/gdi.h"
#include "platform/gdi_test_util.h"
#include "platform/testing.h"

namespace {

using kavro_test::SurfaceDc;
using platform::testing::CreateSurfaceDC;
using platform::testing::DeleteSurfaceDC;

HBRUSH BlackBrush() { return static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)); }

class GdiObjects : public kavro_test::GdiTest {};

TEST_F(GdiObjects, SelectObjectReturnsThePreviousObjectOfTheSameKind) {
  SurfaceDc s(8, 8);
  HPEN red = CreatePen(PS_SOLID, 1, RGB(255, 0, 0));
  HPEN blue = CreatePen(PS_SOLID, 5, RGB(0, 0, 255));
  HBRUSH green = CreateSolidBrush(RGB(0, 255, 0));
  LOGFONTW lf{};
  lf.lfHeight = -20;
  HFONT font = CreateFontIndirectW(&lf);
  struct Step {
    HGDIOBJ select;
    HGDIOBJ expected;
  };
  const Step steps[] = {  // a fresh DC holds the stock black pen, white brush and system font
      {red, GetStockObject(BLACK_PEN)}, {green, GetStockObject(WHITE_BRUSH)},
      {font, GetStockObject(SYSTEM_FONT)}, {blue, red}, {GetStockObject(NULL_BRUSH), green},
      {red, blue}, {red, red}, {GetStockObject(BLACK_PEN), red},
      {GetStockObject(WHITE_BRUSH), GetStockObject(NULL_BRUSH)},
      {GetStockObject(SYSTEM_FONT), font},
  };
  for (std::size_t i = 0; i < std::size(steps); ++i) {
    EXPECT_EQ(SelectObject(s.get(), steps[i].select), steps[i].expected) << "step " << i;
  }
  for (HGDIOBJ object : {HGDIOBJ{red}, HGDIOBJ{blue}, HGDIOBJ{green}, HGDIOBJ{font}}) {
    EXPECT_TRUE(DeleteObject(object));
  }
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
  // Deleting the DC lets go of what it had selected.
  HBRUSH brush = CreateSolidBrush(RGB(1, 2, 3));
  HDC dc = CreateSurfaceDC(4, 4);
  SelectObject(dc, brush);
  EXPECT_FALSE(DeleteObject(brush));
  EXPECT_TRUE(DeleteSurfaceDC(dc));
  EXPECT_TRUE(DeleteObject(brush));
}

TEST_F(GdiObjects, StockObjectsArePermanent) {
  for (int index : {WHITE_BRUSH, LTGRAY_BRUSH, GRAY_BRUSH, DKGRAY_BRUSH, BLACK_BRUSH, NULL_BRUSH,
                    WHITE_PEN, BLACK_PEN, NULL_PEN, SYSTEM_FONT}) {
    HGDIOBJ stock = GetStockObject(index);
    EXPECT_NE(stock, nullptr) << index;
    EXPECT_TRUE(DeleteObject(stock)) << index << ": deleting it is a harmless no-op";
    EXPECT_EQ(GetStockObject(index), stock) << index;
  }
  EXPECT_NE(GetStockObject(WHITE_PEN), GetStockObject(BLACK_PEN));
  SurfaceDc s(8, 8);
  const RECT r{0, 0, 2, 2};
  EXPECT_TRUE(FillRect(s.get(), &r, BlackBrush()));
  EXPECT_EQ(GetPixel(s.get(), 1, 1), RGB(0, 0, 0)) << "the black brush still fills";
}

TEST_F(GdiObjects, BadHandlesAndArgumentsFailWithoutHarm) {
  HDC staleDc = CreateSurfaceDC(4, 4);
  DeleteSurfaceDC(staleDc);
  HPEN stalePen = CreatePen(PS_SOLID, 1, RGB(1, 1, 1));
  ASSERT_TRUE(DeleteObject(stalePen));
  SurfaceDc s(4, 4);
  HPEN pen = CreatePen(PS_SOLID, 1, RGB(1, 1, 1));
  const HGDIOBJ badObjects[] = {nullptr, stalePen, s.get(),
                                reinterpret_cast<HGDIOBJ>(static_cast<std::uintptr_t>(0x1234)),
                                reinterpret_cast<HGDIOBJ>(static_cast<std::uintptr_t>(3))};
  for (HGDIOBJ object : badObjects) {
    EXPECT_EQ(SelectObject(s.get(), object), nullptr) << object;
    EXPECT_FALSE(DeleteObject(object)) << object;
  }
  RECT r{0, 0, 4, 4};
  for (HDC dc : {HDC{nullptr}, staleDc}) {
    EXPECT_EQ(SelectObject(dc, pen), nullptr);
    EXPECT_FALSE(MoveToEx(dc, 1, 1, nullptr));
    EXPECT_FALSE(LineTo(dc, 1, 1));
    EXPECT_EQ(FillRect(dc, &r, BlackBrush()), 0);
    EXPECT_FALSE(Ellipse(dc, 0, 0, 4, 4));
    EXPECT_FALSE(Rectangle(dc, 0, 0, 4, 4));
    EXPECT_EQ(DrawTextW(dc, L"x", -1, &r, 0), 0);
    EXPECT_FALSE(DrawFrameControl(dc, &r, DFC_BUTTON, DFCS_BUTTONPUSH));
    EXPECT_EQ(GetPixel(dc, 0, 0), CLR_INVALID);
    EXPECT_EQ(SetBkColor(dc, 0), CLR_INVALID);
    EXPECT_EQ(SetTextColor(dc, 0), CLR_INVALID);
    EXPECT_EQ(SetBkMode(dc, OPAQUE), 0);
    EXPECT_FALSE(DeleteSurfaceDC(dc));
  }
  EXPECT_EQ(FillRect(s.get(), &r, nullptr), 0);
  EXPECT_EQ(FillRect(s.get(), nullptr, BlackBrush()), 0);
  EXPECT_EQ(DrawTextW(s.get(), nullptr, -1, &r, 0), 0);
  EXPECT_EQ(GetPixel(s.get(), 4, 0), CLR_INVALID);
  EXPECT_EQ(GetPixel(s.get(), -1, 0), CLR_INVALID);
  EXPECT_EQ(SetBkMode(s.get(), 7), 0) << "an unknown mode";
  EXPECT_EQ(CreateSurfaceDC(0, 10), nullptr);
  EXPECT_EQ(CreateSurfaceDC(10, -1), nullptr);
  for (int index : {-1, 9, 18, INT_MAX, INT_MIN}) EXPECT_EQ(GetStockObject(index), nullptr) << index;
  EXPECT_EQ(CreatePen(42, 1, RGB(0, 0, 0)), nullptr);
  EXPECT_EQ(CreatePen(-1, 1, RGB(0, 0, 0)), nullptr);
  EXPECT_EQ(CreatePenIndirect(nullptr), nullptr);
  EXPECT_EQ(CreateFontIndirectW(nullptr), nullptr);
  EXPECT_FALSE(SetRect(nullptr, 0, 0, 0, 0));
  // The failed calls changed nothing.
  EXPECT_EQ(SelectObject(s.get(), pen), GetStockObject(BLACK_PEN));
  SelectObject(s.get(), GetStockObject(BLACK_PEN));
  EXPECT_TRUE(DeleteObject(pen));
}

TEST_F(GdiObjects, SurfaceDcsOpenOnlyOn32BitImageSurfacesAndCloseByTheirOwnCall) {
  cairo_surface_t* argb = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, 4, 4);
  EXPECT_EQ(platform::detail::OpenSurfaceDC(argb), nullptr);
  cairo_surface_destroy(argb);
  EXPECT_EQ(platform::detail::OpenSurfaceDC(nullptr), nullptr);
  EXPECT_FALSE(platform::detail::CloseSurfaceDC(nullptr, nullptr));
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

TEST_F(GdiObjects, MoveToExReportsThePreviousPosition) {
  SurfaceDc s(8, 8);
  POINT expected{0, 0};
  for (const POINT& to : {POINT{5, 6}, POINT{-3, 7}, POINT{INT_MAX, INT_MIN}, POINT{0, 0}}) {
    POINT previous{99, 99};
    EXPECT_TRUE(MoveToEx(s.get(), to.x, to.y, &previous));
    EXPECT_EQ(previous.x, expected.x);
    EXPECT_EQ(previous.y, expected.y);
    expected = to;
  }
  EXPECT_TRUE(LineTo(s.get(), -100000, INT_MAX));  // off the surface, and still moves the pen
  POINT previous{};
  MoveToEx(s.get(), 0, 0, &previous);
  EXPECT_EQ(previous.x, -100000);
  EXPECT_EQ(previous.y, INT_MAX);
}

TEST(GdiRects, PtInRectExcludesTheRightAndBottomEdges) {
  const RECT r{3, 7, 25, 25};
  struct Case {
    POINT p;
    BOOL inside;
  };
  const Case cases[] = {{{3, 7}, TRUE},    {{24, 24}, TRUE}, {{10, 10}, TRUE},
                        {{25, 10}, FALSE}, {{10, 25}, FALSE}, {{2, 10}, FALSE},
                        {{10, 6}, FALSE},  {{INT_MIN, INT_MIN}, FALSE}};
  for (const Case& c : cases) {
    EXPECT_EQ(PtInRect(&r, c.p), c.inside) << "(" << c.p.x << ", " << c.p.y << ")";
  }
  const RECT empty{0, 0, 0, 0};
  EXPECT_FALSE(PtInRect(&empty, POINT{0, 0}));
  EXPECT_FALSE(PtInRect(nullptr, POINT{0, 0}));
}

}  // namespace
