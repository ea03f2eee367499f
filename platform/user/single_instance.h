// Finding a program's window from another process: each top-level window announces itself on
// an abstract Unix socket named from the user id, its class and its title.
#pragma once

#include <poll.h>

#include <string>
#include <vector>

#include "user/window.h"

namespace platform::detail {

// The abstract socket name (without its leading NUL) for a class and title of this user;
// hashed when it would not fit in a socket address.
std::string SingleInstanceName(LPCWSTR className, LPCWSTR title);

// Starts listening for the window. False when another process of this user holds the name:
// its window is the one FindWindowW finds. A name taken in this process, or by another user,
// leaves the window unannounced.
bool AnnounceWindow(Window& window);

// The descriptors a wait must watch, and serving whatever arrived on them (never waits).
void CollectSingleInstanceFds(std::vector<pollfd>& fds);
void ServeSingleInstance();

// A handle for the window of that class and title in another process of this user, or null.
HWND ConnectToRemoteWindow(LPCWSTR className, LPCWSTR title);

// False once the other process has gone (its window with it).
bool RemoteIsAlive(const Window& remote);

// Asks the remote window's process to raise it and waits (briefly) for the answer.
BOOL RaiseRemoteWindow(Window& remote);

// How many raise requests this process has answered (for tests).
int RaiseRequestsServed();

}  // namespace platform::detail
