// The whole Win32 subset in one include, as a Windows CE program expects it.
#pragma once

#include "platform/comm.h"
#include "platform/gdi.h"
#include "platform/kernel.h"
#include "platform/shell.h"
#include "platform/types.h"
#include "platform/user.h"
