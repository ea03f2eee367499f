// The settings file "Tolm.ini" beside the program: serial port number and baud rate.
#pragma once

#include "app/records.h"

// Reads PORT and RATE from Tolm.ini into state->portNumber and state->baudRate. A file that
// opens starts from port 7 at 57600 baud; a missing file is reported in a message box and
// leaves both values as they were.
void ReadSettings(TrackState* state);
