// The recording seam: every GDI call while recording is on, with its arguments and the state
// of its DC, compared record by record.
#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

#include "platform/gdi.h"
#include "platform/gdi_test_util.h"
#include "platform/testing.h"

namespace {

using kavro_test::GdiTest;
using kavro_test::SurfaceDc;
using platform::testing::GdiRecord;

// One line per record with every field, so that a mismatch shows whole records.
std::string Describe(const GdiRecord& r) {
  std::ostringstream out;
  out << r.op << "(";
  for (std::size_t i = 0; i < r.args.size(); ++i) out << (i ? "," : "") << r.args[i];
  out << ") obj=" << r.object << " res=" << r.result << " text=\"" << std::string(r.text.begin(), r.text.end())
      << "\" pen=" << std::hex << r.penColour << std::dec << "/" << r.penWidth << "/" << r.penStyle
      << " brush=" << std::hex << r.brushColour << std::dec << (r.brushIsNull ? "/null" : "") << " text="
      << std::hex << r.textColour << " bk=" << r.bkColour << std::dec << "/" << r.bkMode << " font=" << r.fontHeight
      << "/" << std::string(r.fontFace.begin(), r.fontFace.end()) << "/" << int{r.fontPitchAndFamily} << "/"
      << r.fontWeight << " at=" << r.penPosition.x << "," << r.penPosition.y;
  return out.str();
}

std::vector<std::string> Describe(const std::vector<GdiRecord>& records) {
  std::vector<std::string> out;
  for (const GdiRecord& r : records) out.push_back(Describe(r));
  return out;
}

// A record with the fresh DC's state, changed as the test says.
GdiRecord Fresh(std::string op, std::vector<long long> args) {
  GdiRecord r;
  r.op = std::move(op);
  r.args = std::move(args);
  r.penColour = RGB(0, 0, 0);
  r.penWidth = 1;
  r.penStyle = PS_SOLID;
  r.brushColour = RGB(255, 255, 255);
  r.textColour = RGB(0, 0, 0);
  r.bkColour = RGB(255, 255, 255);
  r.bkMode = OPAQUE;
  r.fontHeight = -11;
  r.fontFace = L"Liberation Sans";
  r.fontPitchAndFamily = VARIABLE_PITCH | FF_SWISS;
  r.fontWeight = FW_NORMAL;
  return r;
}

GdiRecord ObjectCall(std::string op, std::vector<long long> args, HGDIOBJ object, HGDIOBJ result = nullptr) {
  GdiRecord r;
  r.op = std::move(op);
  r.args = std::move(args);
  r.object = object;
  r.result = result;
  return r;
}

class GdiRecording : public GdiTest {};

TEST_F(GdiRecording, RecordsASmallDrawingWithItsState) {
  SurfaceDc s(60, 40);
  platform::testing::StartGdiRecording();
  HPEN white = CreatePen(PS_SOLID, 1, RGB(255, 255, 255));
  HBRUSH black = CreateSolidBrush(RGB(0, 0, 0));
  const RECT plot{10, 0, 60, 40};
  FillRect(s.get(), &plot, black);
  HGDIOBJ old = SelectObject(s.get(), white);
  POINT previous{};
  MoveToEx(s.get(), 20, 30, &previous);
  LineTo(s.get(), 25, 31);
  SetBkColor(s.get(), RGB(0, 50, 0));
  SetTextColor(s.get(), RGB(0, 255, 0));
  RECT text{1, 2, 50, 30};
  DrawTextW(s.get(), L"12", -1, &text, DT_CENTER);
  SelectObject(s.get(), old);
  DeleteObject(black);
  DeleteObject(white);
  const std::vector<GdiRecord> records = platform::testing::StopGdiRecording();

  GdiRecord fill = Fresh("FillRect", {10, 0, 60, 40});
  fill.object = black;
  GdiRecord select = Fresh("SelectObject", {});
  select.object = white;
  select.result = GetStockObject(BLACK_PEN);
  select.penColour = RGB(255, 255, 255);
  GdiRecord move = Fresh("MoveToEx", {20, 30});
  move.penColour = RGB(255, 255, 255);
  GdiRecord line = Fresh("LineTo", {25, 31});
  line.penColour = RGB(255, 255, 255);
  line.penPosition = {20, 30};
  GdiRecord bk = Fresh("SetBkColor", {RGB(0, 50, 0)});
  bk.penColour = RGB(255, 255, 255);
  bk.penPosition = {25, 31};
  GdiRecord fg = bk;
  fg.op = "SetTextColor";
  fg.args = {RGB(0, 255, 0)};
  fg.bkColour = RGB(0, 50, 0);
  GdiRecord draw = fg;
  draw.op = "DrawTextW";
  draw.args = {-1, 1, 2, 50, 30, DT_CENTER};
  draw.text = L"12";
  draw.textColour = RGB(0, 255, 0);
  GdiRecord back = draw;
  back.op = "SelectObject";
  back.args = {};
  back.text.clear();
  back.object = old;
  back.result = white;
  back.penColour = RGB(0, 0, 0);
  const std::vector<GdiRecord> expected = {
      ObjectCall("CreatePen", {PS_SOLID, 1, RGB(255, 255, 255)}, white),
      ObjectCall("CreateSolidBrush", {RGB(0, 0, 0)}, black),
      fill,
      select,
      move,
      line,
      bk,
      fg,
      draw,
      back,
      ObjectCall("DeleteObject", {}, black),
      ObjectCall("DeleteObject", {}, white),
  };
  EXPECT_EQ(Describe(records), Describe(expected));
}

TEST_F(GdiRecording, RecordsFontsAndShapes) {
  SurfaceDc s(60, 40);
  LOGFONTW lf{};
  lf.lfHeight = -56;
  lf.lfWeight = FW_NORMAL;
  lf.lfCharSet = DEFAULT_CHARSET;
  lf.lfPitchAndFamily = VARIABLE_PITCH | FF_SWISS;
  platform::testing::StartGdiRecording();
  HFONT font = CreateFontIndirectW(&lf);
  HGDIOBJ old = SelectObject(s.get(), font);
  Ellipse(s.get(), 1, 2, 7, 8);
  Rectangle(s.get(), 3, 4, 5, 6);
  RECT frame{3, 5, 25, 25};
  DrawFrameControl(s.get(), &frame, DFC_BUTTON, DFCS_BUTTONPUSH);
  SetBkMode(s.get(), TRANSPARENT);
  SelectObject(s.get(), old);
  DeleteObject(font);
  const std::vector<GdiRecord> records = platform::testing::StopGdiRecording();

  GdiRecord ellipse = Fresh("Ellipse", {1, 2, 7, 8});
  ellipse.fontHeight = -56;
  ellipse.fontFace.clear();
  ellipse.fontPitchAndFamily = 0x22;
  GdiRecord select = ellipse;
  select.op = "SelectObject";
  select.args = {};
  select.object = font;
  select.result = GetStockObject(SYSTEM_FONT);
  GdiRecord rectangle = ellipse;
  rectangle.op = "Rectangle";
  rectangle.args = {3, 4, 5, 6};
  GdiRecord control = ellipse;
  control.op = "DrawFrameControl";
  control.args = {3, 5, 25, 25, DFC_BUTTON, DFCS_BUTTONPUSH};
  GdiRecord mode = ellipse;
  mode.op = "SetBkMode";
  mode.args = {TRANSPARENT};
  GdiRecord back = Fresh("SelectObject", {});
  back.object = old;
  back.result = font;
  back.bkMode = TRANSPARENT;
  const std::vector<GdiRecord> expected = {
      ObjectCall("CreateFontIndirectW", {-56, 0, 0, 0, FW_NORMAL, 0, 0, 0, DEFAULT_CHARSET, 0, 0, 0, 0x22}, font),
      select, ellipse, rectangle, control, mode, back, ObjectCall("DeleteObject", {}, font),
  };
  EXPECT_EQ(Describe(records), Describe(expected));
}

TEST_F(GdiRecording, RecordsNothingWhenOffAndStartsAfresh) {
  SurfaceDc s(10, 10);
  MoveToEx(s.get(), 1, 1, nullptr);
  platform::testing::StartGdiRecording();
  LineTo(s.get(), 2, 2);
  platform::testing::StartGdiRecording();  // starting again forgets what came before
  LineTo(s.get(), 3, 3);
  EXPECT_EQ(platform::testing::StopGdiRecording().size(), 1u);
  LineTo(s.get(), 4, 4);
  EXPECT_TRUE(platform::testing::StopGdiRecording().empty());
}

TEST_F(GdiRecording, RecordedDrawingStillDraws) {
  SurfaceDc s(10, 10);
  platform::testing::StartGdiRecording();
  const RECT r{0, 0, 10, 10};
  FillRect(s.get(), &r, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
  MoveToEx(s.get(), 0, 5, nullptr);
  LineTo(s.get(), 10, 5);
  platform::testing::StopGdiRecording();
  EXPECT_EQ(GetPixel(s.get(), 0, 0), RGB(255, 255, 255));
  EXPECT_EQ(GetPixel(s.get(), 9, 5), RGB(0, 0, 0));
}

}  // namespace
