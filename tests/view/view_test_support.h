// Helpers for the view tests: fixes as the NMEA reader stores them, a fresh window to draw on,
// and recorded drawing calls written out one line each, so that tests compare whole calls.
#pragma once

#include <gtest/gtest.h>

#include <cmath>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "app/records.h"
#include "platform/testing.h"
#include "platform/user.h"

namespace view_test {

using platform::testing::GdiRecord;

// A coordinate as the reader stores it: read in single precision, kept as a double.
inline double Nmea(double value) { return static_cast<double>(static_cast<float>(value)); }

// The ddmm.mmmm number of a count of minutes of arc (not negative).
inline double NmeaFromMinutes(double minutes) {
  double degrees = std::floor(minutes / 60.0);
  return degrees * 100.0 + (minutes - degrees * 60.0);
}

inline FixRecord FixAt(double longitude, double latitude, char lonHemisphere = 'E',
                       char latHemisphere = 'N') {
  FixRecord fix{};
  fix.longitude = Nmea(longitude);
  fix.latitude = Nmea(latitude);
  fix.lonHemisphere = lonHemisphere;
  fix.latHemisphere = latHemisphere;
  fix.status = 'A';
  return fix;
}

// A 480 x 536 window, the viewer's size, painted in the background colour; the program-wide
// state cleared.
class DrawingTest : public ::testing::Test {
 protected:
  static constexpr int Width = 480;
  static constexpr int Height = 536;

  void SetUp() override {
    ResetTrackState(&trackState);
    window_ = platform::testing::CreateSurfaceWindow(Width, Height);
    ASSERT_NE(nullptr, window_);
    HDC surface = GetDC(window_);
    RECT all{0, 0, Width, Height};
    HBRUSH background = CreateSolidBrush(RGB(0, 50, 0));
    FillRect(surface, &all, background);
    DeleteObject(background);
    ReleaseDC(window_, surface);
  }
  void TearDown() override { DestroyWindow(window_); }

  // Runs draw(surface) on a freshly obtained surface and returns the calls it made; checks
  // that every object it created was deleted.
  template <class Draw>
  std::vector<GdiRecord> Record(Draw draw) {
    std::size_t live = platform::testing::CountLiveHandles();
    HDC surface = GetDC(window_);
    platform::testing::StartGdiRecording();
    draw(surface);
    std::vector<GdiRecord> records = platform::testing::StopGdiRecording();
    ReleaseDC(window_, surface);
    EXPECT_EQ(live, platform::testing::CountLiveHandles()) << "objects left behind";
    return records;
  }

  HWND window_ = nullptr;
};

inline std::string Colour(COLORREF c) {
  std::ostringstream out;
  out << int{GetRValue(c)} << ',' << int{GetGValue(c)} << ',' << int{GetBValue(c)};
  return out.str();
}

// One line per call. Objects created during the recording are #1, #2, ... in order of
// creation; objects from before it (the surface's own) are old1, old2, ...
inline std::vector<std::string> Describe(const std::vector<GdiRecord>& records) {
  std::map<HGDIOBJ, std::string> names;
  int created = 0;
  int old = 0;
  auto name = [&](HGDIOBJ object) {
    auto it = names.find(object);
    if (it != names.end()) return it->second;
    return names[object] = "old" + std::to_string(++old);
  };
  std::vector<std::string> lines;
  for (const GdiRecord& r : records) {
    std::ostringstream out;
    out << r.op;
    const std::vector<long long>& a = r.args;
    if (r.op == "CreateSolidBrush") {
      out << ' ' << Colour(static_cast<COLORREF>(a.at(0)));
    } else if (r.op == "CreatePen" || r.op == "CreatePenIndirect") {
      out << " style " << a.at(0) << " width " << a.at(1) << ' '
          << Colour(static_cast<COLORREF>(a.at(2)));
    } else if (r.op == "CreateFontIndirectW") {
      for (long long v : a) out << ' ' << v;
    } else if (r.op == "SelectObject") {
      out << ' ' << name(r.object) << " (was " << name(r.result) << ')';
    } else if (r.op == "DeleteObject") {
      out << ' ' << name(r.object);
    } else if (r.op == "SetBkColor" || r.op == "SetTextColor") {
      out << ' ' << Colour(static_cast<COLORREF>(a.at(0)));
    } else if (r.op == "LineTo") {
      out << ' ' << r.penPosition.x << ' ' << r.penPosition.y << " - " << a.at(0) << ' '
          << a.at(1) << " pen " << r.penWidth << ' ' << Colour(r.penColour);
    } else if (r.op == "FillRect") {
      for (long long v : a) out << ' ' << v;
      out << " with " << name(r.object);
    } else if (r.op == "Ellipse") {
      for (long long v : a) out << ' ' << v;
      out << " pen " << r.penWidth << ' ' << Colour(r.penColour) << " brush "
          << Colour(r.brushColour);
    } else if (r.op == "DrawTextW") {
      out << " \"";
      for (wchar_t c : r.text) out << (c == L'\n' ? '|' : c < 128 ? static_cast<char>(c) : '~');
      out << "\" in";
      for (long long v : a) out << ' ' << v;
      out << " colour " << Colour(r.textColour) << " on " << Colour(r.bkColour) << " font "
          << r.fontHeight << " face \"";
      for (wchar_t c : r.fontFace) out << (c < 128 ? static_cast<char>(c) : '~');
      out << '"';
    } else {
      for (long long v : a) out << ' ' << v;
    }
    if (r.op.rfind("Create", 0) == 0) out << " -> " << (names[r.object] = "#" + std::to_string(++created));
    lines.push_back(out.str());
  }
  return lines;
}

inline std::vector<std::string> Only(const std::vector<std::string>& lines, const char* op) {
  std::vector<std::string> found;
  for (const std::string& line : lines) {
    if (line.rfind(op, 0) == 0) found.push_back(line);
  }
  return found;
}

}  // namespace view_test
