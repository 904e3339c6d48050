// Windows' numeric constants that the program logic and the simulated machine use, under their
// Windows names. The real Win32 backend takes them from <windows.h> instead and never includes
// this header, so the names cannot collide with the system's macros.
#pragma once

#include <cstdint>

namespace talvex::win {

// Error codes (winerror.h, setupapi.h).
inline constexpr uint32_t ERROR_SUCCESS = 0;
inline constexpr uint32_t ERROR_INVALID_FUNCTION = 1;
inline constexpr uint32_t ERROR_FILE_NOT_FOUND = 2;
inline constexpr uint32_t ERROR_PATH_NOT_FOUND = 3;
inline constexpr uint32_t ERROR_ACCESS_DENIED = 5;
inline constexpr uint32_t ERROR_INVALID_HANDLE = 6;
inline constexpr uint32_t ERROR_NOT_ENOUGH_MEMORY = 8;
inline constexpr uint32_t ERROR_INVALID_DATA = 13;
inline constexpr uint32_t ERROR_WRITE_PROTECT = 19;
inline constexpr uint32_t ERROR_GEN_FAILURE = 31;
inline constexpr uint32_t ERROR_SHARING_VIOLATION = 32;
inline constexpr uint32_t ERROR_NOT_SUPPORTED = 50;
inline constexpr uint32_t ERROR_FILE_EXISTS = 80;
inline constexpr uint32_t ERROR_INVALID_PARAMETER = 87;
inline constexpr uint32_t ERROR_INSUFFICIENT_BUFFER = 122;
inline constexpr uint32_t ERROR_MOD_NOT_FOUND = 126;
inline constexpr uint32_t ERROR_PROC_NOT_FOUND = 127;
inline constexpr uint32_t ERROR_BAD_PATHNAME = 161;
inline constexpr uint32_t ERROR_ALREADY_EXISTS = 183;
inline constexpr uint32_t ERROR_FILENAME_EXCED_RANGE = 206;
inline constexpr uint32_t ERROR_MORE_DATA = 234;
inline constexpr uint32_t ERROR_NO_MORE_ITEMS = 259;
inline constexpr uint32_t ERROR_KEY_DELETED = 1018;
inline constexpr uint32_t ERROR_CANCELLED = 1223;
inline constexpr uint32_t ERROR_NO_SUCH_DEVINST = 0xE000020B;

// Registry.
inline constexpr uintptr_t HKEY_LOCAL_MACHINE = 0x80000002u;
inline constexpr uint32_t KEY_READ = 0x20019;
inline constexpr uint32_t KEY_ALL_ACCESS = 0xF003F;
inline constexpr uint32_t REG_NONE = 0;
inline constexpr uint32_t REG_SZ = 1;
inline constexpr uint32_t REG_EXPAND_SZ = 2;
inline constexpr uint32_t REG_BINARY = 3;
inline constexpr uint32_t REG_DWORD = 4;
inline constexpr uint32_t REG_MULTI_SZ = 7;

// SetupAPI and newdev.
inline constexpr uint32_t DIGCF_PRESENT = 0x2;
inline constexpr uint32_t DIGCF_ALLCLASSES = 0x4;
inline constexpr uint32_t SPDRP_HARDWAREID = 0x1;
inline constexpr uintptr_t INVALID_HANDLE_VALUE = ~uintptr_t{0};
inline constexpr uint32_t INSTALLFLAG_FORCE = 0x1;

// Error texts.
inline constexpr uint32_t FORMAT_MESSAGE_ALLOCATE_BUFFER = 0x100;
inline constexpr uint32_t FORMAT_MESSAGE_FROM_SYSTEM = 0x1000;
inline constexpr uint32_t LANG_USER_DEFAULT = 0x400;

// Processes, files and other programs' windows.
inline constexpr uint32_t STILL_ACTIVE = 259;
inline constexpr uint32_t HIGH_PRIORITY_CLASS = 0x80;
inline constexpr uint32_t SP_COPY_SOURCEPATH_ABSOLUTE = 0x80;
inline constexpr uint32_t WM_SETFOCUS = 0x0007;
inline constexpr uint32_t WM_CLOSE = 0x0010;
inline constexpr uint32_t WM_NEXTDLGCTL = 0x0028;
inline constexpr uint32_t WM_KEYDOWN = 0x0100;
inline constexpr uint32_t VK_RETURN = 0x0D;

// Message boxes.
inline constexpr uint32_t MB_OK = 0x0;
inline constexpr uint32_t MB_OKCANCEL = 0x1;
inline constexpr uint32_t MB_YESNO = 0x4;
inline constexpr uint32_t MB_ICONERROR = 0x10;
inline constexpr int IDOK = 1;
inline constexpr int IDCANCEL = 2;
inline constexpr int IDYES = 6;
inline constexpr int IDNO = 7;

}  // namespace talvex::win
