// The track recorder: every point the tick stores (and, with the store full, every point it
// would store) goes into one GPX file per run, a complete document after every point.
#pragma once

#include <cstddef>
#include <cstdint>

#include "core/records.h"
#include "platform/types.h"
#include "record/gpx_writer.h"
#include "record/track_file.h"

constexpr std::uint8_t RecorderWaiting = 0;  // no point yet: no folder, no file
constexpr std::uint8_t RecorderWriting = 1;  // the file is open
constexpr std::uint8_t RecorderStopped = 2;  // off, or ended by an error for the rest of the run

// The data reaches the disk when it has waited this long; with the tick's 300 ms period no
// written point waits 10 s.
constexpr DWORD TrackSyncPeriodMs = 9000;

// Takes the text of a track in place of the file (the decoder's --gpx): the same points, the
// same text, the closing tags once at the end.
using TrackTextSink = void (*)(const char* text, std::size_t length);

struct TrackRecorder {
  std::uint8_t state;
  GpxWriter writer;
  HANDLE file;
  std::uint64_t closingOffset;  // where the closing tags begin: the next point goes there
  std::uint8_t unsynced;        // written since the last sync
  DWORD unsyncedSince;          // GetTickCount() of the first write after the last sync
  wchar_t path[TrackPathSize];
  TrackTextSink sink;
};

extern TrackRecorder trackRecorder;

// Records state->current (with state->currentExtras) as the track's next point, as the TRACKS
// setting says: the first point makes the folder and the file. A fix without a calendar time or
// a place on the globe is left out. A failure writes one line on standard error and stops
// recording for the run; the file keeps every whole point.
void RecordTrackFix(const TrackState* state);

// Once per tick: sends the written points to the disk when they have waited long enough.
void KeepTrackOnDisk();

// At the end of the run: the last points to the disk, the file closed. The recorder is then as
// at start (waiting, no sink).
void FinishTrack();
