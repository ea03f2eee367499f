// Reading recorded drawing calls in the view tests.
#pragma once

#include <string>
#include <vector>

#include "platform/testing.h"

namespace view_test {

using platform::testing::GdiRecord;

inline std::vector<std::string> OpsOf(const std::vector<GdiRecord>& records) {
  std::vector<std::string> ops;
  for (const GdiRecord& r : records) ops.push_back(r.op);
  return ops;
}

inline std::vector<GdiRecord> Only(const std::vector<GdiRecord>& records, const std::string& op) {
  std::vector<GdiRecord> found;
  for (const GdiRecord& r : records) {
    if (r.op == op) found.push_back(r);
  }
  return found;
}

// A line as drawn: from the pen position to the LineTo's end point.
struct Segment {
  long long fromX, fromY, toX, toY;
  bool operator==(const Segment& o) const {
    return fromX == o.fromX && fromY == o.fromY && toX == o.toX && toY == o.toY;
  }
};

inline std::ostream& operator<<(std::ostream& out, const Segment& s) {
  return out << "(" << s.fromX << ", " << s.fromY << ")-(" << s.toX << ", " << s.toY << ")";
}

inline std::vector<Segment> SegmentsOf(const std::vector<GdiRecord>& records) {
  std::vector<Segment> segments;
  for (const GdiRecord& r : Only(records, "LineTo")) {
    segments.push_back(Segment{r.penPosition.x, r.penPosition.y, r.args.at(0), r.args.at(1)});
  }
  return segments;
}

inline std::vector<long long> Args(std::initializer_list<long long> values) { return values; }

}  // namespace view_test
