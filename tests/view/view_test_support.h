// Helpers for the view tests: fixes as the NMEA reader stores them, a fresh window to draw on,
// and recorded drawing calls written out one line each, so that tests compare whole calls.
#pragma once

#include <gtest/gtest.h>

#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "app/records.h"
#include "platform/testing.h"
#include "platform/user.h"

namespace view_test {

using platform::testing::GdiRecord;

// A number as the reader stores it: read in single precision, kept as a double.
inline double Nmea(double value) { return static_cast<double>(static_cast<float>(value)); }

inline FixRecord FixAt(double longitude, double latitude, char lonHemisphere = 'E', char latHemisphere = 'N') {
  FixRecord fix{};
  fix.longitude = Nmea(longitude);
  fix.latitude = Nmea(latitude);
  fix.lonHemisphere = lonHemisphere;
  fix.latHemisphere = latHemisphere;
  fix.status = 'A';
  return fix;
}

inline std::string Colour(long long c) {
  const COLORREF colour = static_cast<COLORREF>(c);
  return std::to_string(GetRValue(colour)) + ',' + std::to_string(GetGValue(colour)) + ',' +
         std::to_string(GetBValue(colour));
}

// Wide text as ASCII, line ends as '|' and other characters as '~'.
inline std::string Ascii(const std::wstring& text) {
  std::string ascii;
  for (wchar_t c : text) ascii += c == L'\n' ? '|' : c < 128 ? static_cast<char>(c) : '~';
  return ascii;
}

// One line per call. Objects created during the recording are #1, #2, ... in order of
// creation; objects from before it (the surface's own) are old1, old2, ...
inline std::vector<std::string> Describe(const std::vector<GdiRecord>& records) {
  std::map<HGDIOBJ, std::string> names;
  int created = 0;
  int old = 0;
  auto name = [&](HGDIOBJ object) {
    if (names.count(object) == 0) names[object] = "old" + std::to_string(++old);
    return names[object];
  };
  std::vector<std::string> lines;
  for (const GdiRecord& r : records) {
    const std::string& op = r.op;
    const std::vector<long long>& a = r.args;
    std::ostringstream out;
    out << op;
    if (op == "CreateSolidBrush" || op == "SetBkColor" || op == "SetTextColor") {
      out << ' ' << Colour(a.at(0));
    } else if (op == "CreatePen" || op == "CreatePenIndirect") {
      out << " style " << a.at(0) << " width " << a.at(1) << ' ' << Colour(a.at(2));
    } else if (op == "SelectObject") {
      out << ' ' << name(r.object) << " (was " << name(r.result) << ')';
    } else if (op == "DeleteObject") {
      out << ' ' << name(r.object);
    } else {
      if (op == "LineTo") out << ' ' << r.penPosition.x << ' ' << r.penPosition.y << " -";
      if (op == "DrawTextW") out << " \"" << Ascii(r.text) << "\" in";
      for (long long v : a) out << ' ' << v;
    }
    if (op == "FillRect") out << " with " << name(r.object);
    if (op == "LineTo" || op == "Ellipse") out << " pen " << r.penWidth << ' ' << Colour(r.penColour);
    if (op == "Ellipse") out << " brush " << Colour(r.brushColour);
    if (op == "DrawTextW") {
      out << " colour " << Colour(r.textColour) << " on " << Colour(r.bkColour) << " font "
          << r.fontHeight << " face \"" << Ascii(r.fontFace) << '"';
    }
    if (op.rfind("Create", 0) == 0) out << " -> " << (names[r.object] = "#" + std::to_string(++created));
    lines.push_back(out.str());
  }
  return lines;
}

// The lines that start with one of the given beginnings.
inline std::vector<std::string> Only(const std::vector<std::string>& lines, std::vector<std::string> ops) {
  std::vector<std::string> found;
  for (const std::string& line : lines) {
    for (const std::string& op : ops) {
      if (line.rfind(op, 0) == 0) found.push_back(line);
    }
  }
  return found;
}

// A 480 x 536 window, the viewer's size, and the program-wide state cleared.
class DrawingTest : public ::testing::Test {
 protected:
  static constexpr int Width = 480;
  static constexpr int Height = 536;

  void SetUp() override {
    ResetTrackState(&trackState);
    window_ = platform::testing::CreateSurfaceWindow(Width, Height);
    ASSERT_NE(nullptr, window_);
  }
  void TearDown() override { DestroyWindow(window_); }

  // Runs draw(surface) on a freshly obtained surface and describes the calls it made; checks
  // that every object it created was deleted.
  template <class Draw>
  std::vector<std::string> Record(Draw draw) {
    const std::size_t live = platform::testing::CountLiveHandles();
    HDC surface = GetDC(window_);
    platform::testing::StartGdiRecording();
    draw(surface);
    const std::vector<GdiRecord> records = platform::testing::StopGdiRecording();
    ReleaseDC(window_, surface);
    EXPECT_EQ(live, platform::testing::CountLiveHandles()) << "objects left behind";
    return Describe(records);
  }

  HWND window_ = nullptr;
};

}  // namespace view_test
