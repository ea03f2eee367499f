// The info panel and the speed figure as drawn: recorded calls and pixels.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/records.h"
#include "gdi_recording.h"
#include "platform/gdi.h"
#include "platform/testing.h"
#include "platform/user.h"
#include "view/info_panel.h"
#include "view_fixtures.h"

namespace {

using view_test::Args;
using view_test::GdiRecord;
using view_test::Only;
using view_test::OpsOf;

constexpr int Width = 480;
constexpr int Height = 536;
constexpr COLORREF Background = RGB(0, 50, 0);
constexpr COLORREF Green = RGB(0, 255, 0);
constexpr COLORREF White = RGB(255, 255, 255);

class InfoPanelDrawTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ResetTrackState(&trackState);
    window_ = platform::testing::CreateSurfaceWindow(Width, Height);
    ASSERT_NE(nullptr, window_);
    surface_ = GetDC(window_);
    GetClientRect(window_, &client_);
    HBRUSH background = CreateSolidBrush(Background);
    FillRect(surface_, &client_, background);
    DeleteObject(background);
  }
  void TearDown() override {
    ReleaseDC(window_, surface_);
    DestroyWindow(window_);
  }

  HWND window_ = nullptr;
  HDC surface_ = nullptr;
  RECT client_{0, 0, 0, 0};
};

TEST_F(InfoPanelDrawTest, PanelIsWhiteOnTheBackgroundInTheWholeClientArea) {
  trackState.current.latitude = view_test::Nmea(4807.038);
  trackState.current.latHemisphere = 'N';
  platform::testing::StartGdiRecording();
  DrawInfoPanel(surface_, &client_);
  std::vector<GdiRecord> records = platform::testing::StopGdiRecording();

  const std::vector<std::string> expected = {"SetBkColor", "SetTextColor", "DrawTextW"};
  ASSERT_EQ(expected, OpsOf(records));
  EXPECT_EQ(Args({Background}), records[0].args);
  EXPECT_EQ(Args({White}), records[1].args);
  const GdiRecord& text = records[2];
  wchar_t panel[InfoPanelTextSize];
  FormatInfoPanel(&trackState, panel, InfoPanelTextSize);
  EXPECT_EQ(std::wstring(panel), text.text);
  EXPECT_EQ(Args({-1, 0, 0, Width, Height, 0}), text.args);
  EXPECT_EQ(White, text.textColour);
  EXPECT_EQ(Background, text.bkColour);
  EXPECT_EQ(OPAQUE, text.bkMode);
}

TEST_F(InfoPanelDrawTest, SpeedFigureWithItsFontRectanglesAndColours) {
  SetBkColor(surface_, Background);  // as the panel leaves it
  std::size_t live = platform::testing::CountLiveHandles();
  platform::testing::StartGdiRecording();
  DrawSpeedFigure(surface_, &client_, SpeedFigureOf(view_test::Nmea(22.4)));
  std::vector<GdiRecord> records = platform::testing::StopGdiRecording();
  EXPECT_EQ(live, platform::testing::CountLiveHandles()) << "objects left behind";
  EXPECT_EQ(41, trackState.shownSpeed);

  const std::vector<std::string> expected = {
      "SetTextColor", "CreateFontIndirectW", "SelectObject", "CreateSolidBrush", "FillRect",
      "DeleteObject", "DrawTextW", "SelectObject", "DeleteObject"};
  ASSERT_EQ(expected, OpsOf(records));
  EXPECT_EQ(Args({Green}), records[0].args);
  EXPECT_EQ(Args({Background}), records[3].args);
  EXPECT_EQ(Args({1, 180, 99, Height}), records[4].args);
  EXPECT_EQ(Background, records[4].brushColour);
  EXPECT_EQ(records[3].object, records[5].object);

  const GdiRecord& figure = records[6];
  EXPECT_EQ(L" 41", figure.text);
  EXPECT_EQ(Args({-1, 1, 160, 99, Height, DT_CENTER | DT_VCENTER}), figure.args);
  EXPECT_EQ(Green, figure.textColour);
  EXPECT_EQ(Background, figure.bkColour);
  EXPECT_EQ(-56, figure.fontHeight);
  EXPECT_EQ(400, figure.fontWeight);
  EXPECT_EQ(0x22, figure.fontPitchAndFamily);
  EXPECT_EQ(L"", figure.fontFace);

  EXPECT_EQ(records[1].object, records[2].object);
  EXPECT_EQ(records[2].result, records[7].object) << "the previous font goes back";
  EXPECT_EQ(records[1].object, records[8].object);
}

// Three digits of the figure's font must fit the left band without touching its edges.
TEST_F(InfoPanelDrawTest, ThreeDigitsFitBetweenOneAndNinetyNine) {
  for (std::int32_t value : {888, 444, 100, 999}) {
    SetBkColor(surface_, Background);
    DrawSpeedFigure(surface_, &client_, value);
    int left = Width;
    int right = -1;
    int top = Height;
    for (int y = 150; y < Height; ++y) {
      for (int x = 0; x < 120; ++x) {
        if (GetPixel(surface_, x, y) != Green) continue;
        if (x < left) left = x;
        if (x > right) right = x;
        if (y < top) top = y;
      }
    }
    ASSERT_LE(left, right) << value << ": no digits drawn";
    EXPECT_GT(left, 1) << value;
    EXPECT_LT(right, 98) << value;
    EXPECT_GE(top, 160) << value;
  }
}

TEST_F(InfoPanelDrawTest, FigureCoversTheOldDigitsBelow180) {
  SetBkColor(surface_, Background);
  DrawSpeedFigure(surface_, &client_, 888);
  DrawSpeedFigure(surface_, &client_, 1);
  int green = 0;
  for (int y = 180; y < Height; ++y) {
    for (int x = 1; x < 40; ++x) green += GetPixel(surface_, x, y) == Green;
  }
  EXPECT_EQ(0, green) << "the hundreds and tens of 888 are gone";
  EXPECT_EQ(1, trackState.shownSpeed);
}

TEST_F(InfoPanelDrawTest, PanelWithMissingLettersDrawsEveryLine) {
  trackState.current.latHemisphere = '\0';
  trackState.current.lonHemisphere = '\xB0';
  platform::testing::StartGdiRecording();
  DrawInfoPanel(surface_, &client_);
  std::vector<GdiRecord> texts = Only(platform::testing::StopGdiRecording(), "DrawTextW");
  ASSERT_EQ(1u, texts.size());
  const std::wstring& text = texts[0].text;
  EXPECT_NE(std::wstring::npos, text.find(L" 0.0000  \n 0.0000 ?\n")) << "got: " << text;
  EXPECT_NE(std::wstring::npos, text.find(L" S =     0.0 km\n"));
}

}  // namespace
