// Process entry: single-instance check, window class, main window and the message loop.
#pragma once

#include "platform/windows.h"

// The program's instance handle, stored when start-up begins.
extern HINSTANCE programInstance;

// Resource identifiers of the window's strings and icon.
constexpr UINT TitleStringId = 1;
constexpr UINT ClassStringId = 2;
constexpr int IconResourceId = 101;

int WinMain(HINSTANCE instance, HINSTANCE previousInstance, LPWSTR commandLine, int showCommand);
bool StartInstance(HINSTANCE instance, int showCommand);
ATOM RegisterMainClass(HINSTANCE instance, LPCWSTR className);
