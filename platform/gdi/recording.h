// The recording of drawing calls that tests read back.
#pragma once

#include <string>
#include <vector>

#include "gdi/dc.h"

namespace platform::detail {

// True while recording is on; the recorder's table of drawing operations.
bool IsRecording();
const DcFuncs& RecordingFuncs();
// The table a public call goes through: the recorder while recording, else the DC's own.
inline const DcFuncs& FuncsOf(const Dc& dc) { return IsRecording() ? RecordingFuncs() : *dc.funcs; }
// Appends a record of a call on the DC (null for calls on no DC).
void RecordCall(const Dc* dc, const char* op, std::vector<long long> args, HGDIOBJ object = nullptr,
                HGDIOBJ result = nullptr, std::wstring text = {});

}  // namespace platform::detail
