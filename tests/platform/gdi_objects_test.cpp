// Win32 rules of DCs and GDI objects that the program relies on, bad handles refused, and the
// recording seam that shows every call with the state of its DC while the drawing goes on.
#include <gtest/gtest.h>

#include <climits>
#include <map>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "platform/test_support.h"

namespace {

using kavro_test::BlackBrush;
using kavro_test::SurfaceDc;
using platform::testing::CreateSurfaceDC;
using platform::testing::DeleteSurfaceDC;
using platform::testing::GdiRecord;

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
  // Deleting the DC lets go of what it had selected.
  HBRUSH brush = CreateSolidBrush(RGB(1, 2, 3));
  HDC dc = CreateSurfaceDC(4, 4);
  SelectObject(dc, brush);
  EXPECT_FALSE(DeleteObject(brush));
  EXPECT_TRUE(DeleteSurfaceDC(dc));
  EXPECT_TRUE(DeleteObject(brush));
  // Stock objects are permanent: deleting one is a harmless no-op.
  EXPECT_TRUE(DeleteObject(BlackBrush()));
  const RECT r{0, 0, 2, 2};
  EXPECT_TRUE(FillRect(s.get(), &r, BlackBrush()));
  EXPECT_EQ(GetPixel(s.get(), 1, 1), RGB(0, 0, 0));
}

TEST_F(GdiObjects, BadHandlesAndArgumentsFailWithoutHarm) {
  HDC staleDc = CreateSurfaceDC(4, 4);
  DeleteSurfaceDC(staleDc);
  HPEN stalePen = CreatePen(PS_SOLID, 1, RGB(1, 1, 1));
  ASSERT_TRUE(DeleteObject(stalePen));
  SurfaceDc s(4, 4);
  HPEN pen = CreatePen(PS_SOLID, 1, RGB(1, 1, 1));
  // Handles never issued or misaligned fail in the handle table, as files_test shows.
  for (HGDIOBJ object : {HGDIOBJ{}, HGDIOBJ{stalePen}, HGDIOBJ{s.get()}}) {
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
  EXPECT_FALSE(PtInRect(nullptr, POINT{0, 0}));
  EXPECT_EQ(CreateSurfaceDC(0, 10), nullptr);
  EXPECT_EQ(CreateSurfaceDC(10, -1), nullptr);
  for (int index : {-1, 9, 18, INT_MAX, INT_MIN}) {
    EXPECT_EQ(GetStockObject(index), nullptr) << index;
  }
  EXPECT_EQ(CreatePen(42, 1, RGB(0, 0, 0)), nullptr);
  EXPECT_EQ(CreatePen(-1, 1, RGB(0, 0, 0)), nullptr);
  EXPECT_EQ(CreatePenIndirect(nullptr), nullptr);
  EXPECT_EQ(CreateFontIndirectW(nullptr), nullptr);
  // The failed calls changed nothing.
  EXPECT_EQ(SelectObject(s.get(), pen), GetStockObject(BLACK_PEN));
  SelectObject(s.get(), GetStockObject(BLACK_PEN));
  EXPECT_TRUE(DeleteObject(pen));
}

// The DC's state in a record, field by field.
std::vector<std::pair<const char*, long long>> State(const GdiRecord& r) {
  return {{"pen", r.penColour},       {"penWidth", r.penWidth},   {"penStyle", r.penStyle},
          {"brush", r.brushColour},   {"nullBrush", r.brushIsNull}, {"text", r.textColour},
          {"bk", r.bkColour},         {"bkMode", r.bkMode},       {"font", r.fontHeight},
          {"family", r.fontPitchAndFamily}, {"weight", r.fontWeight},
          {"x", r.penPosition.x},     {"y", r.penPosition.y}};
}

// A record as one line: the call, the objects it names, and every field of the DC's state
// that differs from a fresh DC's. Calls that name no DC must carry no state at all.
std::string Describe(const GdiRecord& r, const std::map<HGDIOBJ, std::string>& names) {
  GdiRecord fresh;
  const bool onDc = r.penWidth != 0;
  if (onDc) {
    fresh.penWidth = 1;
    fresh.brushColour = fresh.bkColour = RGB(255, 255, 255);
    fresh.bkMode = OPAQUE;
    fresh.fontHeight = -11;
    fresh.fontFace = L"Liberation Sans";
    fresh.fontPitchAndFamily = VARIABLE_PITCH | FF_SWISS;
    fresh.fontWeight = FW_NORMAL;
  }
  std::ostringstream out;
  out << r.op << "(";
  for (std::size_t i = 0; i < r.args.size(); ++i) out << (i ? "," : "") << r.args[i];
  out << ")" << (onDc ? "" : " no DC");
  for (HGDIOBJ h : {r.object, r.result}) {
    if (h != nullptr) out << " " << (names.count(h) != 0 ? names.at(h) : "unknown");
  }
  const auto narrow = [](const std::wstring& w) { return std::string(w.begin(), w.end()); };
  if (r.text != fresh.text) out << " \"" << narrow(r.text) << "\"";
  if (r.fontFace != fresh.fontFace) out << " face=\"" << narrow(r.fontFace) << "\"";
  const auto state = State(r);
  const auto freshState = State(fresh);
  for (std::size_t i = 0; i < state.size(); ++i) {
    if (state[i] != freshState[i]) out << " " << state[i].first << "=" << state[i].second;
  }
  return out.str();
}

TEST_F(GdiObjects, RecordingShowsEveryCallWithTheStateOfItsDc) {
  SurfaceDc s(60, 40);
  LOGFONTW lf{};
  lf.lfHeight = -56;
  lf.lfWeight = FW_NORMAL;
  lf.lfCharSet = DEFAULT_CHARSET;
  lf.lfPitchAndFamily = VARIABLE_PITCH | FF_SWISS;
  platform::testing::StartGdiRecording();
  LineTo(s.get(), 2, 2);
  platform::testing::StartGdiRecording();  // starting again forgets what came before
  LineTo(s.get(), -100000, INT_MAX);       // off the surface, and still moves the pen
  POINT previous{};
  MoveToEx(s.get(), 0, 0, &previous);
  HPEN white = CreatePen(PS_SOLID, 1, RGB(255, 255, 255));
  HBRUSH black = CreateSolidBrush(RGB(0, 0, 0));
  HFONT font = CreateFontIndirectW(&lf);
  const RECT plot{10, 0, 60, 40};
  FillRect(s.get(), &plot, black);
  HGDIOBJ oldPen = SelectObject(s.get(), white);
  MoveToEx(s.get(), 20, 30, nullptr);
  LineTo(s.get(), 25, 31);
  SelectObject(s.get(), oldPen);
  HGDIOBJ oldFont = SelectObject(s.get(), font);
  Ellipse(s.get(), 1, 2, 7, 8);
  SetBkColor(s.get(), RGB(0, 50, 0));
  SetTextColor(s.get(), RGB(0, 255, 0));
  RECT text{1, 2, 50, 30};
  DrawTextW(s.get(), L"12", -1, &text, DT_CENTER);
  SelectObject(s.get(), oldFont);
  for (HGDIOBJ object : {HGDIOBJ{black}, HGDIOBJ{white}, HGDIOBJ{font}}) DeleteObject(object);
  const std::vector<GdiRecord> records = platform::testing::StopGdiRecording();
  LineTo(s.get(), 4, 4);
  EXPECT_TRUE(platform::testing::StopGdiRecording().empty()) << "recorded while off";

  const std::map<HGDIOBJ, std::string> names = {
      {white, "white"}, {black, "black"}, {font, "font"},
      {GetStockObject(BLACK_PEN), "BLACK_PEN"}, {GetStockObject(SYSTEM_FONT), "SYSTEM_FONT"}};
  std::vector<std::string> described;
  for (const GdiRecord& r : records) described.push_back(Describe(r, names));
  // Setters are recorded with the state they find, SelectObject once the object is in.
  const std::vector<std::string> expected = {
      "LineTo(-100000,2147483647) x=2 y=2",
      "MoveToEx(0,0) x=-100000 y=2147483647",
      "CreatePen(0,1,16777215) no DC white",
      "CreateSolidBrush(0) no DC black",
      "CreateFontIndirectW(-56,0,0,0,400,0,0,0,1,0,0,0,34) no DC font",
      "FillRect(10,0,60,40) black",
      "SelectObject() white BLACK_PEN pen=16777215",
      "MoveToEx(20,30) pen=16777215",
      "LineTo(25,31) pen=16777215 x=20 y=30",
      "SelectObject() BLACK_PEN white x=25 y=31",
      "SelectObject() font SYSTEM_FONT face=\"\" font=-56 x=25 y=31",
      "Ellipse(1,2,7,8) face=\"\" font=-56 x=25 y=31",
      "SetBkColor(12800) face=\"\" font=-56 x=25 y=31",
      "SetTextColor(65280) face=\"\" bk=12800 font=-56 x=25 y=31",
      "DrawTextW(-1,1,2,50,30,1) \"12\" face=\"\" text=65280 bk=12800 font=-56 x=25 y=31",
      "SelectObject() SYSTEM_FONT font text=65280 bk=12800 x=25 y=31",
      "DeleteObject() no DC black",
      "DeleteObject() no DC white",
      "DeleteObject() no DC font",
  };
  EXPECT_EQ(described, expected);
  EXPECT_EQ(previous.x, -100000) << "MoveToEx reports where the pen was";
  EXPECT_EQ(previous.y, INT_MAX) << "MoveToEx reports where the pen was";
  EXPECT_EQ(GetPixel(s.get(), 59, 39), RGB(0, 0, 0)) << "recorded calls still draw";
  EXPECT_EQ(GetPixel(s.get(), 21, 30), RGB(255, 255, 255)) << "recorded calls still draw";
}

}  // namespace
