// The NMEA reader: one read from the GPS port per tick, turned into the current fix.
#pragma once

#include "core/records.h"
#include "platform/types.h"

// Bytes taken from the port in one read.
constexpr DWORD NmeaReadSize = 1000;

// How many bytes the latest PollNmea took from the port: 0 after a read that returned nothing
// or failed. The program does not need it; the decoder tool uses it to tell where each read
// ended in a log and when a log file has run out.
extern DWORD lastReadSize;

// Reads once from the port (at most NmeaReadSize bytes) and parses that text alone into
// trackState.current. Returns 1 when the read succeeded, whether or not a sentence was found;
// on a failed read it shows "Error Reading comms port.", leaves the fix as it was and returns 0.
int PollNmea();

// Zeroes the fix, then fills it from the first RMC, the first GGA and the first GSV sentence in
// the NUL-terminated text. Nothing past the terminating NUL is ever looked at.
void ParseNmeaText(const char* text, FixRecord* fix);

// The same parse, also telling what the fix record does not keep.
void ParseNmeaTextWithExtras(const char* text, FixRecord* fix, FixExtras* extras);
