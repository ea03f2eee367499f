// Line rates: the standard termios speeds and the rate a line runs at.
#pragma once

#include <termios.h>

#include "platform/types.h"

namespace platform::detail {

// The termios speed constant of a rate in the standard table, and back.
bool StandardSpeed(DWORD rate, speed_t* speed);
bool StandardRate(speed_t speed, DWORD* rate);
// The line's current output rate, standard or arbitrary; 0 when it has none (B0).
DWORD LineRate(int fd, const termios& settings);

}  // namespace platform::detail
