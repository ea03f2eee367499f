// Identifiers of the program's resources, and the call that hands them to the platform.
#pragma once

#include "platform/resources.h"
#include "platform/types.h"

// Strings.
constexpr UINT IDS_TITLE = 1;       // "Kavro": the window title
constexpr UINT IDS_CLASS = 2;       // "KAVRO": the window class name
constexpr UINT IDS_OK = 104;        // "Ok": the menu bar's button
// The program icon and the menu bar.
constexpr UINT IDI_KAVRO = 101;
constexpr UINT IDR_MENUBAR = 102;
// The command of the menu bar's "Ok" button.
constexpr UINT IDM_OK = 40001;

// Registers the program's resource table with the platform, so that LoadStringW, LoadIconW
// and SHCreateMenuBar find the resources above. Called once at start, before any window exists.
void RegisterProgramResources();

// The table itself, as the platform receives it.
const ResourceTable* ProgramResourceTable();
