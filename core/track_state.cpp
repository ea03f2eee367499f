// The program-wide track state. It lives in zero-initialised static storage; its one
// non-zero start value, the zoom, is set before the entry function runs.
#include "core/records.h"

#include <cstring>

TrackState trackState;

void ResetTrackState(TrackState* state) {
  std::memset(static_cast<void*>(state), 0, sizeof *state);
  state->zoom = 1.0;
  state->pointCount = 0;
}

namespace {
// Only the zoom needs setting: static storage starts zeroed, so the store costs no start-up work.
const bool initialised = (trackState.zoom = 1.0, true);
}  // namespace
