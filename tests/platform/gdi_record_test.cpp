// The recording seam: every GDI call while recording is on, with its arguments and the state
// of its DC, compared record by record, while the drawing itself goes on.
#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

#include "platform/gdi.h"
#include "platform/gdi_test_util.h"
#include "platform/testing.h"

namespace {

using kavro_test::SurfaceDc;
using platform::testing::GdiRecord;

constexpr COLORREF kWhite = RGB(255, 255, 255);
constexpr COLORREF kBlack = RGB(0, 0, 0);

// One line per record with every field, so that a mismatch shows whole records.
std::vector<std::string> Describe(const std::vector<GdiRecord>& records) {
  std::vector<std::string> lines;
  for (const GdiRecord& r : records) {
    std::ostringstream out;
    out << r.op << "(";
    for (std::size_t i = 0; i < r.args.size(); ++i) out << (i ? "," : "") << r.args[i];
    out << ") obj=" << r.object << " res=" << r.result << " text=\""
        << std::string(r.text.begin(), r.text.end()) << "\" pen=" << std::hex << r.penColour
        << std::dec << "/" << r.penWidth << "/" << r.penStyle << " brush=" << std::hex
        << r.brushColour << std::dec << (r.brushIsNull ? "/null" : "") << " text=" << std::hex
        << r.textColour << " bk=" << r.bkColour << std::dec << "/" << r.bkMode
        << " font=" << r.fontHeight << "/" << std::string(r.fontFace.begin(), r.fontFace.end())
        << "/" << int{r.fontPitchAndFamily} << "/" << r.fontWeight << " at=" << r.penPosition.x
        << "," << r.penPosition.y;
    lines.push_back(out.str());
  }
  return lines;
}

class GdiRecording : public kavro_test::GdiTest {};

TEST_F(GdiRecording, RecordsEveryCallWithTheStateOfItsDc) {
  SurfaceDc s(60, 40);
  LOGFONTW lf{};
  lf.lfHeight = -56;
  lf.lfWeight = FW_NORMAL;
  lf.lfCharSet = DEFAULT_CHARSET;
  lf.lfPitchAndFamily = VARIABLE_PITCH | FF_SWISS;
  platform::testing::StartGdiRecording();
  HPEN white = CreatePen(PS_SOLID, 1, kWhite);
  HBRUSH black = CreateSolidBrush(kBlack);
  HFONT font = CreateFontIndirectW(&lf);
  const RECT plot{10, 0, 60, 40};
  FillRect(s.get(), &plot, black);
  HGDIOBJ oldPen = SelectObject(s.get(), white);
  MoveToEx(s.get(), 20, 30, nullptr);
  LineTo(s.get(), 25, 31);
  HGDIOBJ oldFont = SelectObject(s.get(), font);
  Ellipse(s.get(), 1, 2, 7, 8);
  Rectangle(s.get(), 3, 4, 5, 6);
  RECT frame{3, 5, 25, 25};
  DrawFrameControl(s.get(), &frame, DFC_BUTTON, DFCS_BUTTONPUSH);
  SetBkColor(s.get(), RGB(0, 50, 0));
  SetTextColor(s.get(), RGB(0, 255, 0));
  SetBkMode(s.get(), TRANSPARENT);
  RECT text{1, 2, 50, 30};
  DrawTextW(s.get(), L"12", -1, &text, DT_CENTER);
  SelectObject(s.get(), oldPen);
  SelectObject(s.get(), oldFont);
  for (HGDIOBJ object : {HGDIOBJ{black}, HGDIOBJ{white}, HGDIOBJ{font}}) DeleteObject(object);
  const std::vector<GdiRecord> records = platform::testing::StopGdiRecording();

  // Calls on objects carry no DC state; calls on a DC carry its state as the call finds it,
  // except that SelectObject is recorded once the object is in.
  std::vector<GdiRecord> expected;
  const GdiRecord none;
  GdiRecord fresh;
  fresh.penColour = kBlack;
  fresh.penWidth = 1;
  fresh.penStyle = PS_SOLID;
  fresh.brushColour = kWhite;
  fresh.textColour = kBlack;
  fresh.bkColour = kWhite;
  fresh.bkMode = OPAQUE;
  fresh.fontHeight = -11;
  fresh.fontFace = L"Liberation Sans";
  fresh.fontPitchAndFamily = VARIABLE_PITCH | FF_SWISS;
  fresh.fontWeight = FW_NORMAL;
  GdiRecord dc = fresh;
  const auto add = [&expected](GdiRecord r, const char* op, std::vector<long long> args,
                               HGDIOBJ object = nullptr, HGDIOBJ result = nullptr) {
    r.op = op;
    r.args = std::move(args);
    r.object = object;
    r.result = result;
    expected.push_back(r);
  };
  add(none, "CreatePen", {PS_SOLID, 1, kWhite}, white);
  add(none, "CreateSolidBrush", {kBlack}, black);
  add(none, "CreateFontIndirectW", {-56, 0, 0, 0, FW_NORMAL, 0, 0, 0, DEFAULT_CHARSET, 0, 0, 0, 0x22},
      font);
  add(dc, "FillRect", {10, 0, 60, 40}, black);
  dc.penColour = kWhite;
  add(dc, "SelectObject", {}, white, GetStockObject(BLACK_PEN));
  add(dc, "MoveToEx", {20, 30});
  dc.penPosition = {20, 30};
  add(dc, "LineTo", {25, 31});
  dc.penPosition = {25, 31};
  dc.fontHeight = -56;
  dc.fontFace.clear();
  add(dc, "SelectObject", {}, font, GetStockObject(SYSTEM_FONT));
  add(dc, "Ellipse", {1, 2, 7, 8});
  add(dc, "Rectangle", {3, 4, 5, 6});
  add(dc, "DrawFrameControl", {3, 5, 25, 25, DFC_BUTTON, DFCS_BUTTONPUSH});
  add(dc, "SetBkColor", {RGB(0, 50, 0)});
  dc.bkColour = RGB(0, 50, 0);
  add(dc, "SetTextColor", {RGB(0, 255, 0)});
  dc.textColour = RGB(0, 255, 0);
  add(dc, "SetBkMode", {TRANSPARENT});
  dc.bkMode = TRANSPARENT;
  dc.text = L"12";
  add(dc, "DrawTextW", {-1, 1, 2, 50, 30, DT_CENTER});
  dc.text.clear();
  dc.penColour = kBlack;
  add(dc, "SelectObject", {}, oldPen, white);
  dc.fontHeight = fresh.fontHeight;
  dc.fontFace = fresh.fontFace;
  add(dc, "SelectObject", {}, oldFont, font);
  for (HGDIOBJ object : {HGDIOBJ{black}, HGDIOBJ{white}, HGDIOBJ{font}}) {
    add(none, "DeleteObject", {}, object);
  }
  EXPECT_EQ(Describe(records), Describe(expected));
  EXPECT_EQ(GetPixel(s.get(), 59, 39), kBlack) << "recorded calls still draw";
  EXPECT_EQ(GetPixel(s.get(), 21, 30), kWhite) << "recorded calls still draw";
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

}  // namespace
