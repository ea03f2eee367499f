// Test helper: finding calls in a recording of drawing operations.
#pragma once

#include <algorithm>
#include <string>
#include <vector>

#include "platform/testing.h"

namespace kavro_test {

using platform::testing::GdiRecord;
using Recording = std::vector<GdiRecord>;

// The index of the first call with this name and these leading arguments, or -1.
inline int FindCall(const Recording& record, const std::string& op, const std::vector<long long>& args) {
  const auto found = std::find_if(record.begin(), record.end(), [&](const GdiRecord& call) {
    return call.op == op && call.args.size() >= args.size() &&
           std::equal(args.begin(), args.end(), call.args.begin());
  });
  return found == record.end() ? -1 : static_cast<int>(found - record.begin());
}

}  // namespace kavro_test
