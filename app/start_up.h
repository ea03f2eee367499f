// Process entry: single-instance check, window class, main window and the message loop.
#pragma once

#include "platform/windows.h"

// The program's instance handle, stored when start-up begins.
extern HINSTANCE programInstance;

// The program as an executable runs it: sets the locale's character type (so program folders
// with non-ASCII names convert), registers the program's resources and hands over to WinMain,
// whose result it returns.
int RunProgram();

int WinMain(HINSTANCE instance, HINSTANCE previousInstance, LPWSTR commandLine, int showCommand);
bool StartInstance(HINSTANCE instance, int showCommand);
ATOM RegisterMainClass(HINSTANCE instance, LPCWSTR className);
