// The log file "Tolm.txt" beside the program, recreated with a header at every start.
#pragma once

#include "core/records.h"

// Sets state->logPath, creates the file anew (emptying an earlier one) and writes the header.
// A file that cannot be created is reported in a message box; the program goes on without a log.
void CreateLogFile(TrackState* state);

// Appends the header (banner and build numbers) to the file named by state->logPath.
void WriteLogHeader(TrackState* state);
