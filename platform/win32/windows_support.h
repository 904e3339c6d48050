// The one way into the Windows headers for the Win32 backends: trims them to what is used and keeps
// their min/max macros away from the standard library.
#pragma once

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#ifndef NOMINMAX
#define NOMINMAX
#endif

// windows.h comes first, in a block of its own, because the headers below build on it.
#include <windows.h>

#include <setupapi.h>
#include <shellapi.h>
#include <shlobj.h>

// The framework's TApplication::MessageBox shares its name with the A/W-switching macro; the
// backends call MessageBoxA by name, so the macro is not needed.
#undef MessageBox
