// The one way into the Windows headers for the Win32 backends: trims them to what is used and keeps
// their min/max macros away from the standard library.
#pragma once

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#ifndef NOMINMAX
#define NOMINMAX
#endif

// clang-format off: windows.h must come before the headers that build on it.
#include <windows.h>
#include <setupapi.h>
// clang-format on
