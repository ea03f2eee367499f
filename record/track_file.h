// The track file on disk: its folder, its name, and writes at an offset through the platform's
// file calls.
#pragma once

#include <cstddef>
#include <cstdint>

#include "core/records.h"
#include "platform/kernel.h"

// Room for a track file's path, its terminator included.
constexpr std::size_t TrackPathSize = 260;

// The folder tracks go to: tracks/ beside the program, or the TRACKS folder (absolute, or
// relative to the program folder). Returns 1, or 0 (folder empty) when the path cannot be had
// or is too long.
int ResolveTracksFolder(const TrackState* state, wchar_t* folder, std::size_t size);

// Makes the folder and any missing folders above it. Returns ERROR_SUCCESS, or the error of the
// step that failed (ERROR_ALREADY_EXISTS when a file stands where a folder belongs).
DWORD MakeFolders(const wchar_t* folder);

// Creates a new file for a track starting at timeMs: "<folder>/<time>.gpx", or "_2", "_3" ...
// before ".gpx" when a name is taken; an existing file is never opened. Returns the handle with
// its path in path (TrackPathSize characters), or INVALID_HANDLE_VALUE with the error in *error.
HANDLE CreateTrackFile(const wchar_t* folder, std::int64_t timeMs, wchar_t* path, DWORD* error);

// Writes length bytes at offset. Returns ERROR_SUCCESS, or the error that stopped the write
// (some bytes may have reached the file).
DWORD WriteTrackBytes(HANDLE file, std::uint64_t offset, const char* bytes, std::size_t length);

// Cuts the file to end at offset. Returns ERROR_SUCCESS or the error.
DWORD CutTrackFile(HANDLE file, std::uint64_t offset);

// Words for an error of the track file's calls, for the one line on standard error.
const char* DescribeTrackError(DWORD error);
