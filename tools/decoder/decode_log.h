// Following an NMEA log through the viewer's own reader and timer tick.
#pragma once

#include <cstdio>
#include <string>

#include "platform/types.h"

// What to print: a line per read, the summary line, or both.
constexpr int PrintReads = 1;
constexpr int PrintSummary = 2;
// Instead of JSON: the GPX track the viewer would record, from the viewer's own recorder.
constexpr int PrintGpx = 4;

// Exit statuses of the decoder.
constexpr int DecodeDone = 0;        // the log was read to its end
constexpr int DecodeFailed = 1;      // a read failed part way, or no window could be made
constexpr int DecodeBadRequest = 2;  // bad arguments, or a log that cannot be opened

// Opens the log as the viewer opens its port and makes it the program's port (portHandle).
// "-" stands for standard input. Returns 1, or 0 with a message for the user in *error.
int OpenLogAsPort(const char* path, std::string* error);

// A window of the program's class that is never shown, for the tick to draw on. Its window
// procedure is the decoder's own and does nothing: the viewer's set-up (menu bar, log file,
// settings, port, timer) must not run. Returns 0 with a message in *error when none is made.
HWND CreateDecoderWindow(std::string* error);

// Runs the tick on the window until a read returns nothing or fails, printing to out what
// `print` asks for. Without PrintGpx nothing is recorded; with it, the points the viewer would
// record go to out as one GPX document (one without a track when none moved). Returns DecodeDone, or DecodeFailed when a read failed (the reader has said
// so; the summary then covers the reads before it).
int DecodeLog(HWND window, int print, std::FILE* out);
