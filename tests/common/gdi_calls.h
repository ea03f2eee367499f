// Test helper: picking calls out of a recording of drawing operations.
#pragma once

#include <algorithm>
#include <string>
#include <vector>

#include "platform/testing.h"

namespace kavro_test {

using platform::testing::GdiRecord;
using Recording = std::vector<GdiRecord>;

inline Recording CallsNamed(const Recording& record, const std::string& op) {
  Recording calls;
  for (const GdiRecord& call : record) {
    if (call.op == op) calls.push_back(call);
  }
  return calls;
}

// The index of the first call with this name and these leading arguments, or -1.
inline int FindCall(const Recording& record, const std::string& op,
                    const std::vector<long long>& args) {
  for (std::size_t i = 0; i < record.size(); ++i) {
    const GdiRecord& call = record[i];
    if (call.op == op && call.args.size() >= args.size() &&
        std::equal(args.begin(), args.end(), call.args.begin())) {
      return static_cast<int>(i);
    }
  }
  return -1;
}

}  // namespace kavro_test
