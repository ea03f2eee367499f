// Every part of the screen as drawn: the calls each drawing routine makes, with the colours,
// pens and fonts in effect at each, for a known state. Objects left behind fail the recording.
// And the compass needle's ends for other courses.
#include <cmath>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "gps/nmea_reader.h"
#include "view/compass.h"
#include "view/info_panel.h"
#include "view/track_plot.h"
#include "view/zoom_buttons.h"
#include "view_test_support.h"

namespace {

std::string Colour(COLORREF c) {
  return std::to_string(GetRValue(c)) + "," + std::to_string(GetGValue(c)) + "," + std::to_string(GetBValue(c));
}

// One line per call that puts pixels on the surface; creating, selecting and deleting objects
// show only through the state of the DC at each.
std::vector<std::string> Drawn(const kavro_test::Recording& record) {
  std::vector<std::string> lines;
  std::map<HGDIOBJ, COLORREF> brushes;  // made during the recording, for FillRect
  for (const auto& r : record) {
    if (r.op == "CreateSolidBrush") brushes[r.object] = static_cast<COLORREF>(r.args.at(0));
    const bool text = r.op == "DrawTextW", line = r.op == "LineTo", ellipse = r.op == "Ellipse", fill = r.op == "FillRect";
    if (!text && !line && !ellipse && !fill && r.op != "DrawFrameControl") continue;
    std::ostringstream out;
    out << r.op;
    if (text) out << " \"";
    for (wchar_t c : text ? r.text : std::wstring()) out << (c == L'\n' ? '|' : static_cast<char>(c));
    if (text) out << "\"";
    if (line) out << " from " << r.penPosition.x << "," << r.penPosition.y;
    for (long long v : r.args) out << ' ' << v;
    if (text) out << " " << Colour(r.textColour) << " on " << Colour(r.bkColour) << " font " << r.fontHeight;
    if (line || ellipse) out << " pen " << r.penWidth << ' ' << Colour(r.penColour);
    if (ellipse) out << " brush " << Colour(r.brushColour);
    if (fill) out << " brush " << (brushes.count(r.object) != 0 ? Colour(brushes[r.object]) : "?");
    lines.push_back(out.str());
  }
  return lines;
}

class ScreenTest : public view_test::DrawingTest {};

TEST_F(ScreenTest, PanelAndSpeedFigure) {
  ParseNmeaText("$GPRMC,123519.00,A,4807.038,N,01131.000,E,022.4,084.4,230394,003.1,W*6A\r\n"
                "$GPGGA,123519.00,4807.038,N,01131.000,E,1,08,0.9,545.4,M,46.9,M,,*47\r\n",
                &trackState.current);
  RECT client{0, 0, 480, 536};
  const auto drawn = Drawn(Record([&](HDC surface) {
    DrawInfoPanel(surface, &client);
    DrawSpeedFigure(surface, &client, SpeedFigureOf(trackState.current.speed));
  }));
  const std::vector<std::string> expected = {
      "DrawTextW \"|| 23.03.2094| 12:35:19|| 4807.0381 N| 1131.0000 E|| T =      84 gr| "
      "A =     545 m| V =     0 km/h| S =     0.0 km|\" -1 0 0 480 536 0 255,255,255 on 0,50,0 "
      "font -11",
      "FillRect 1 180 99 536 brush 0,50,0",
      "DrawTextW \" 41\" -1 1 160 99 536 5 0,255,0 on 0,50,0 font -56",
  };
  EXPECT_EQ(drawn, expected);
  EXPECT_EQ(trackState.shownSpeed, 41);
}

TEST_F(ScreenTest, CompassPointsAlongTheCourse) {
  trackState.current.course = 45.0;
  const std::vector<std::string> expected = {
      "Ellipse 416 10 470 64 pen 1 0,0,0 brush 0,0,0",
      "LineTo from 443,37 460 54 pen 5 255,0,0",
      "LineTo from 443,37 425 19 pen 5 0,0,255",
      "Ellipse 438 32 448 42 pen 1 0,0,0 brush 255,255,255",
  };
  EXPECT_EQ(Drawn(Record([&](HDC surface) { DrawCompass(window, surface); })), expected);
}

// The one-pixel asymmetries come from the program's approximate pi and from truncation. A
// course that is no number leaves the needle at the centre.
TEST(NeedleEndsTest, Table) {
  const struct {
    double course;
    PixelPoint red, blue;
  } cases[] = {
      {0.0, {203, 62}, {202, 12}},
      {90.0, {228, 36}, {178, 37}},
      {std::nan(""), {203, 37}, {203, 37}},
  };
  for (const auto& c : cases) {
    const NeedleEndPoints e = NeedleEnds(203, 37, c.course);
    EXPECT_EQ((std::vector<int>{e.red.x, e.red.y, e.blue.x, e.blue.y}),
              (std::vector<int>{c.red.x, c.red.y, c.blue.x, c.blue.y}))
        << "course " << c.course << ": red x, y, blue x, y";
  }
}

TEST_F(ScreenTest, ZoomButtons) {
  const std::vector<std::string> expected = {
      "DrawFrameControl 3 5 25 25 4 16",
      "DrawTextW \"Z+\" -1 3 7 25 25 1 0,0,0 on 200,200,200 font -11",
      "DrawFrameControl 73 5 95 25 4 16",
      "DrawTextW \"Z-\" -1 73 7 95 25 1 0,0,0 on 200,200,200 font -11",
  };
  EXPECT_EQ(Drawn(Record([&](HDC surface) { DrawZoomButtons(window, surface); })), expected);
}

// Points 0 and 1 in the same pixel are not joined; the newest point gets the green dot.
TEST_F(ScreenTest, TrackPlotJoinsMovedPointsAndMarksTheNewest) {
  trackState.points[0] = trackState.points[1] = view_test::FixAt(3712.5, 5545.25);
  trackState.points[2] = view_test::FixAt(3713.5, 5545.25);  // one minute east: 100 pixels
  trackState.pointCount = 3;
  const std::vector<std::string> expected = {
      "FillRect 100 0 480 536 brush 0,0,0",
      "LineTo from 290,126 390 126 pen 1 255,255,255",
      "Ellipse 387 123 393 129 pen 1 0,255,0 brush 0,255,0",
  };
  EXPECT_EQ(Drawn(Record([&](HDC surface) { DrawTrack(&trackState, window, surface); })),
            expected);
}

}  // namespace
