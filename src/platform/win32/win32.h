// The one entry point to the Windows headers. Every Windows-only file includes this instead of
// <windows.h> so that the header's configuration is the same everywhere.
#pragma once

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#ifndef NOMINMAX
#define NOMINMAX
#endif

#include <windows.h>

#include <commctrl.h>
#include <objbase.h>
#include <oleauto.h>
#include <olectl.h>
#include <winspool.h>
