// The raw mode of a serial line.
#pragma once

#include <termios.h>

namespace platform::detail {

// Raw input and output: no echo, no canonical lines, no signals, no CR/NL translation.
// XON/XOFF are cleared too; whoever wants them sets them afterwards.
void MakeRaw(termios* settings);

}  // namespace platform::detail
