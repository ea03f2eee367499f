// The main window's procedure and the program-wide handles it owns.
#pragma once

#include "platform/windows.h"

// The timer that drives the program: identifier and period.
constexpr UINT_PTR TickTimerId = 1;
constexpr UINT TickPeriodMs = 300;

// The menu bar window, or 0 when it could not be created.
extern HWND menuBarWindow;

LRESULT MainWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
