// The track recorder: each point and the closing tags in one write where the closing tags
// stood, so the file on disk is a whole document whenever the program dies.
#include "record/track_recorder.h"

#include <cstdio>
#include <cstring>

#include "core/program_path.h"

TrackRecorder trackRecorder;

namespace {

// The one line on standard error that ends recording for the run.
void ReportFailure(const wchar_t* path, const char* cause) {
  char bytes[TrackPathSize * 4];
  if (path[0] == L'\0' || !ConvertPathToBytes(bytes, sizeof bytes, path)) std::strcpy(bytes, "(no path)");
  std::fprintf(stderr, "kavro: track recording stopped: %s: %s\n", bytes, cause);
  std::fflush(stderr);
}

void Stop(TrackRecorder* recorder) {
  if (recorder->file != nullptr && recorder->file != INVALID_HANDLE_VALUE) CloseHandle(recorder->file);
  recorder->file = nullptr;
  recorder->state = RecorderStopped;
}

// A write failed part way: the file goes back to its last whole point and the closing tags,
// which stood there before and take no new room. With no whole point, the file goes.
void CutBackAndStop(TrackRecorder* recorder, DWORD error) {
  ReportFailure(recorder->path, DescribeTrackError(error));
  if (recorder->closingOffset == 0) {
    Stop(recorder);
    DeleteFileW(recorder->path);
    return;
  }
  if (WriteTrackBytes(recorder->file, recorder->closingOffset, GpxClosingTags, GpxClosingSize) == ERROR_SUCCESS) {
    CutTrackFile(recorder->file, recorder->closingOffset + GpxClosingSize);
  }
  FlushFileBuffers(recorder->file);
  Stop(recorder);
}

// The first point: the folder, then a file of a name not yet taken.
bool OpenTrackFile(TrackRecorder* recorder, const TrackState* state, std::int64_t timeMs) {
  wchar_t folder[TrackPathSize];
  recorder->path[0] = L'\0';
  if (state->tracksMode == TracksFolderTooLong) {
    wchar_t settings[TrackPathSize];
    if (!BuildProgramFilePath(settings, TrackPathSize, L"Tolm.ini")) settings[0] = L'\0';
    ReportFailure(settings, "its TRACKS line is too long");
    return false;
  }
  if (!ResolveTracksFolder(state, folder, TrackPathSize)) {
    ReportFailure(state->tracksFolder, DescribeTrackError(ERROR_FILENAME_EXCED_RANGE));
    return false;
  }
  DWORD error = MakeFolders(folder);
  if (error != ERROR_SUCCESS) {
    ReportFailure(folder, DescribeTrackError(error));
    return false;
  }
  recorder->file = CreateTrackFile(folder, timeMs, recorder->path, &error);
  if (recorder->file == INVALID_HANDLE_VALUE) {
    recorder->file = nullptr;
    ReportFailure(recorder->path[0] != L'\0' ? recorder->path : folder, DescribeTrackError(error));
    return false;
  }
  recorder->closingOffset = 0;
  return true;
}

void Sync(TrackRecorder* recorder) {
  if (recorder->state != RecorderWriting || !recorder->unsynced) return;
  recorder->unsynced = 0;
  if (!FlushFileBuffers(recorder->file)) {
    ReportFailure(recorder->path, DescribeTrackError(GetLastError()));
    Stop(recorder);
  }
}

}  // namespace

void RecordTrackFix(const TrackState* state) {
  TrackRecorder* recorder = &trackRecorder;
  if (recorder->state == RecorderStopped) return;
  if (recorder->sink == nullptr && state->tracksMode == TracksOff) {
    recorder->state = RecorderStopped;
    return;
  }
  // The point's text, with room after it for the closing tags.
  char text[GpxTextSize + GpxClosingSize];
  GpxWriter next = recorder->writer;
  const std::size_t length = AppendTrackPoint(&next, &state->current, &state->currentExtras, text);
  if (length == 0) return;

  if (recorder->sink != nullptr) {
    recorder->sink(text, length);
    recorder->writer = next;
    recorder->state = RecorderWriting;
    return;
  }
  if (recorder->state == RecorderWaiting) {
    if (!OpenTrackFile(recorder, state, next.lastTimeMs)) {
      Stop(recorder);
      return;
    }
    recorder->state = RecorderWriting;
  }
  std::memcpy(text + length, GpxClosingTags, GpxClosingSize);
  const DWORD error = WriteTrackBytes(recorder->file, recorder->closingOffset, text, length + GpxClosingSize);
  if (error != ERROR_SUCCESS) {
    CutBackAndStop(recorder, error);
    return;
  }
  recorder->writer = next;
  recorder->closingOffset += length;
  if (!recorder->unsynced) {
    recorder->unsynced = 1;
    recorder->unsyncedSince = GetTickCount();
  }
}

void KeepTrackOnDisk() {
  TrackRecorder* recorder = &trackRecorder;
  if (recorder->unsynced && GetTickCount() - recorder->unsyncedSince >= TrackSyncPeriodMs) Sync(recorder);
}

void FinishTrack() {
  TrackRecorder* recorder = &trackRecorder;
  if (recorder->sink != nullptr && recorder->writer.started) recorder->sink(GpxClosingTags, GpxClosingSize);
  Sync(recorder);
  if (recorder->state == RecorderWriting) Stop(recorder);
  std::memset(static_cast<void*>(recorder), 0, sizeof *recorder);
}
