// The settings file "Tolm.ini" beside the program: the receiver's port (a COM port number or a
// source) and baud rate.
#pragma once

#include "core/records.h"

// Reads PORT and RATE from Tolm.ini into state->portNumber (or state->portSource) and
// state->baudRate. A file that opens starts from port 7 at 57600 baud; a missing file is
// reported in a message box and leaves the values as they were. The last PORT line wins,
// whatever its form. TRACKS (state->tracksMode, state->tracksFolder) says where tracks are
// recorded: off, a folder, or tracks/ beside the program when no line names one.
void ReadSettings(TrackState* state);
