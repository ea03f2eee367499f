// The timer tick: read the receiver, show the fix, record the track, keep top speed and distance.
#pragma once

#include <cstdint>

#include "core/records.h"
#include "platform/types.h"

// The tick's busy flag: idle, inside a tick (a message box shown by the tick runs a nested
// message loop whose timer messages must not start another tick), or stopped for good after a
// failed port read.
constexpr std::uint8_t TickIdle = 0;
constexpr std::uint8_t TickRunning = 1;
constexpr std::uint8_t TickStopped = 2;
extern std::uint8_t tickBusy;

// Speeds in knots, compared as doubles with the single-precision speed the reader stores.
constexpr double MovingThreshold = 0.01;   // a fix becomes a track point only above this
constexpr double CompassThreshold = 0.1;   // the compass is drawn only above this

// One timer tick. Returns 0.
int HandleTick(HWND window);

// Distance from one fix to the next in minutes of arc (nautical miles; x 1.852 gives km):
// across degree boundaries, the equator and the 180th meridian, with east-west steps shortened
// by the cosine of the mean latitude.
double MeasureStep(const FixRecord* from, const FixRecord* to);

// Adds a step to the distance and raises the top speed to the current fix's speed.
void AddStep(TrackState* state, double step);

// Stores the current fix as the newest track point: in the next free slot, or, once the store
// is full, in place of the last point, so the track's end always follows the receiver.
void StoreCurrentFix(TrackState* state);
