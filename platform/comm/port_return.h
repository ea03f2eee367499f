// Taking a lost source up again: a device path that hung up or disappeared, a gpsd or TCP
// connection that was closed, reset or broken. The port is closed at once and opened again
// 1, 2, 4 and 8 s after the loss, then every 10 s, never blocking; meanwhile it reads as a
// silent source. Standard error gets one line when the source is lost and one when its
// bytes flow again, not one per attempt.
#pragma once

#include <cstdint>

#include "comm/port.h"

namespace platform::detail {

// When attempt n (0 for the first) is due after a loss at lostAt.
std::int64_t AttemptDue(std::int64_t lostAt, int attempt);

// The port met a loss: closes it and plans the attempts; logs the cause unless the loss
// came before any byte of the last attempt (then the attempts go on where they were).
void LosePort(Port& port, const char* cause, std::int64_t now);

// Makes the attempt that is due, or the next step of the one under way; true when the port
// is open (again).
bool TryPortAgain(Port& port, std::int64_t now);

// Bytes came: the first after a loss logs that the source is back.
void PortDelivers(Port& port);

}  // namespace platform::detail
