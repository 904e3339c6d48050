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
inline constexpr uint32_t ERROR_INVALID_DATA = 13;
inline constexpr uint32_t ERROR_WRITE_PROTECT = 19;
inline constexpr uint32_t ERROR_GEN_FAILURE = 31;
inline constexpr uint32_t ERROR_INVALID_PARAMETER = 87;
inline constexpr uint32_t ERROR_CALL_NOT_IMPLEMENTED = 120;
inline constexpr uint32_t ERROR_INSUFFICIENT_BUFFER = 122;
inline constexpr uint32_t ERROR_MOD_NOT_FOUND = 126;
inline constexpr uint32_t ERROR_PROC_NOT_FOUND = 127;
inline constexpr uint32_t ERROR_BAD_PATHNAME = 161;
inline constexpr uint32_t ERROR_ALREADY_EXISTS = 183;
inline constexpr uint32_t ERROR_MORE_DATA = 234;
inline constexpr uint32_t ERROR_NO_MORE_ITEMS = 259;
inline constexpr uint32_t ERROR_KEY_DELETED = 1018;
inline constexpr uint32_t ERROR_NOT_ALL_ASSIGNED = 1300;
inline constexpr uint32_t ERROR_NO_SUCH_PRIVILEGE = 1313;
inline constexpr uint32_t ERROR_PRIVILEGE_NOT_HELD = 1314;
inline constexpr uint32_t ERROR_NO_SUCH_DEVINST = 0xE000020B;

// Registry.
inline constexpr uintptr_t HKEY_LOCAL_MACHINE = 0x80000002u;
inline constexpr uint32_t KEY_READ = 0x20019;
inline constexpr uint32_t KEY_ALL_ACCESS = 0xF003F;
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
inline constexpr uint32_t STARTF_USESHOWWINDOW = 0x1;
inline constexpr uint16_t SW_SHOWNORMAL = 1;
inline constexpr uint32_t SP_COPY_SOURCEPATH_ABSOLUTE = 0x80;
inline constexpr uint32_t WM_SETFOCUS = 0x0007;
inline constexpr uint32_t WM_CLOSE = 0x0010;
inline constexpr uint32_t WM_NEXTDLGCTL = 0x0028;
inline constexpr uint32_t WM_KEYDOWN = 0x0100;
inline constexpr uint32_t VK_RETURN = 0x0D;

// Privileges, the end of the session and window styles.
inline constexpr uint32_t TOKEN_ADJUST_PRIVILEGES = 0x20;
inline constexpr uint32_t TOKEN_QUERY = 0x8;
inline constexpr uint32_t SE_PRIVILEGE_ENABLED = 0x2;
inline constexpr uint32_t EWX_REBOOT = 0x2;
inline constexpr int GWL_EXSTYLE = -20;
inline constexpr int32_t WS_EX_WINDOWEDGE = 0x100;
inline constexpr int32_t WS_EX_APPWINDOW = 0x40000;

// Message boxes.
inline constexpr uint32_t MB_OK = 0x0;
inline constexpr uint32_t MB_OKCANCEL = 0x1;
inline constexpr uint32_t MB_ICONERROR = 0x10;
inline constexpr uint32_t MB_ICONQUESTION = 0x20;
inline constexpr uint32_t MB_ICONWARNING = 0x30;
inline constexpr uint32_t MB_ICONINFORMATION = 0x40;
inline constexpr uint32_t MB_TASKMODAL = 0x2000;
inline constexpr uint32_t MB_TOPMOST = 0x40000;
inline constexpr int IDOK = 1;

// COM results (HRESULT; negative means failure).
inline constexpr int32_t S_OK = 0;
inline constexpr int32_t S_FALSE = 1;
inline constexpr int32_t E_NOTIMPL = static_cast<int32_t>(0x80004001u);
inline constexpr int32_t E_NOINTERFACE = static_cast<int32_t>(0x80004002u);
inline constexpr int32_t E_FAIL = static_cast<int32_t>(0x80004005u);
inline constexpr int32_t E_OUTOFMEMORY = static_cast<int32_t>(0x8007000Eu);
inline constexpr int32_t E_INVALIDARG = static_cast<int32_t>(0x80070057u);
// HRESULT_FROM_WIN32 of a Windows error code.
inline constexpr int32_t HResultFromWin32(uint32_t error) {
  return error == 0 ? 0 : static_cast<int32_t>((error & 0xFFFF) | 0x80070000u);
}
inline constexpr uint32_t ERROR_NOT_READY = 21;
inline constexpr uint32_t ERROR_BAD_NETPATH = 53;
inline constexpr uint32_t ERROR_BAD_NET_NAME = 67;

// Shell namespace: task allocator, special folders, display names, attributes, enumeration.
inline constexpr uint32_t MAX_PATH = 260;
inline constexpr uint32_t MEMCTX_TASK = 1;
inline constexpr int32_t CSIDL_DESKTOP = 0x00;
inline constexpr int32_t CSIDL_CONTROLS = 0x03;
inline constexpr int32_t CSIDL_PRINTERS = 0x04;
inline constexpr int32_t CSIDL_BITBUCKET = 0x0A;
inline constexpr int32_t CSIDL_DESKTOPDIRECTORY = 0x10;
inline constexpr int32_t CSIDL_DRIVES = 0x11;
inline constexpr int32_t CSIDL_NETWORK = 0x12;
inline constexpr uint32_t SHGDN_NORMAL = 0x0000;
inline constexpr uint32_t SHGDN_INFOLDER = 0x0001;
inline constexpr uint32_t SHGDN_FOREDITING = 0x1000;
inline constexpr uint32_t SHGDN_FORADDRESSBAR = 0x4000;
inline constexpr uint32_t SHGDN_FORPARSING = 0x8000;
inline constexpr uint32_t STRRET_WSTR = 0;
inline constexpr uint32_t STRRET_OFFSET = 1;
inline constexpr uint32_t STRRET_CSTR = 2;
inline constexpr uint32_t SFGAO_CANCOPY = 0x00000001;
inline constexpr uint32_t SFGAO_CANMOVE = 0x00000002;
inline constexpr uint32_t SFGAO_CANLINK = 0x00000004;
inline constexpr uint32_t SFGAO_CANRENAME = 0x00000010;
inline constexpr uint32_t SFGAO_CANDELETE = 0x00000020;
inline constexpr uint32_t SFGAO_HASPROPSHEET = 0x00000040;
inline constexpr uint32_t SFGAO_DROPTARGET = 0x00000100;
inline constexpr uint32_t SFGAO_LINK = 0x00010000;
inline constexpr uint32_t SFGAO_SHARE = 0x00020000;
inline constexpr uint32_t SFGAO_READONLY = 0x00040000;
inline constexpr uint32_t SFGAO_HIDDEN = 0x00080000;
inline constexpr uint32_t SFGAO_REMOVABLE = 0x02000000;
inline constexpr uint32_t SFGAO_BROWSABLE = 0x08000000;
inline constexpr uint32_t SFGAO_FILESYSANCESTOR = 0x10000000;
inline constexpr uint32_t SFGAO_FOLDER = 0x20000000;
inline constexpr uint32_t SFGAO_FILESYSTEM = 0x40000000;
inline constexpr uint32_t SFGAO_HASSUBFOLDER = 0x80000000;
inline constexpr uint32_t SHCONTF_FOLDERS = 0x0020;
inline constexpr uint32_t SHCONTF_NONFOLDERS = 0x0040;
inline constexpr uint32_t SHCONTF_INCLUDEHIDDEN = 0x0080;
inline constexpr uint32_t SHGFI_ICON = 0x000000100;
inline constexpr uint32_t SHGFI_DISPLAYNAME = 0x000000200;
inline constexpr uint32_t SHGFI_TYPENAME = 0x000000400;
inline constexpr uint32_t SHGFI_ATTRIBUTES = 0x000000800;
inline constexpr uint32_t SHGFI_SYSICONINDEX = 0x000004000;
inline constexpr uint32_t SHGFI_LARGEICON = 0x000000000;
inline constexpr uint32_t SHGFI_SMALLICON = 0x000000001;
inline constexpr uint32_t SHGFI_OPENICON = 0x000000002;
inline constexpr uint32_t SHGFI_PIDL = 0x000000008;

// Change notification.
inline constexpr int32_t SHCNE_RENAMEITEM = 0x00000001;
inline constexpr int32_t SHCNE_CREATE = 0x00000002;
inline constexpr int32_t SHCNE_DELETE = 0x00000004;
inline constexpr int32_t SHCNE_MKDIR = 0x00000008;
inline constexpr int32_t SHCNE_RMDIR = 0x00000010;
inline constexpr int32_t SHCNE_MEDIAINSERTED = 0x00000020;
inline constexpr int32_t SHCNE_MEDIAREMOVED = 0x00000040;
inline constexpr int32_t SHCNE_DRIVEREMOVED = 0x00000080;
inline constexpr int32_t SHCNE_DRIVEADD = 0x00000100;
inline constexpr int32_t SHCNE_UPDATEDIR = 0x00001000;
inline constexpr int32_t SHCNE_RENAMEFOLDER = 0x00020000;
inline constexpr int32_t SHCNE_ALLEVENTS = 0x7FFFFFFF;
inline constexpr uint32_t SHCNE_INTERRUPT = 0x80000000u;
inline constexpr int32_t SHCNRF_InterruptLevel = 0x0001;
inline constexpr int32_t SHCNRF_ShellLevel = 0x0002;
inline constexpr int32_t SHCNRF_RecursiveInterrupt = 0x1000;
inline constexpr int32_t SHCNRF_NewDelivery = 0x8000;
inline constexpr uint16_t kShChangeNotifyRegisterOrdinal = 2;
inline constexpr uint16_t kShChangeNotifyDeregisterOrdinal = 4;

// Windows messages, drawing, locale comparison, code pages, file attributes, drives.
inline constexpr uint32_t WM_QUERYENDSESSION = 0x0011;
inline constexpr uint32_t WM_LBUTTONDBLCLK = 0x0203;
inline constexpr uint32_t WM_USER = 0x0400;
inline constexpr uint32_t LOCALE_USER_DEFAULT = 0x0400;
inline constexpr uint32_t NORM_IGNORECASE = 0x00000001;
inline constexpr int CSTR_LESS_THAN = 1;
inline constexpr int CSTR_EQUAL = 2;
inline constexpr int CSTR_GREATER_THAN = 3;
inline constexpr uint32_t CP_ACP = 0;
inline constexpr uint32_t SEM_NOOPENFILEERRORBOX = 0x8000;
inline constexpr uint32_t INVALID_FILE_ATTRIBUTES = 0xFFFFFFFFu;
inline constexpr uint32_t FILE_ATTRIBUTE_READONLY = 0x01;
inline constexpr uint32_t FILE_ATTRIBUTE_HIDDEN = 0x02;
inline constexpr uint32_t FILE_ATTRIBUTE_SYSTEM = 0x04;
inline constexpr uint32_t FILE_ATTRIBUTE_DIRECTORY = 0x10;
inline constexpr uint32_t FILE_ATTRIBUTE_ARCHIVE = 0x20;
inline constexpr uint32_t DRIVE_REMOVABLE = 2;
inline constexpr uint32_t DRIVE_FIXED = 3;
inline constexpr uint32_t DRIVE_REMOTE = 4;
inline constexpr uint32_t DRIVE_CDROM = 5;
inline constexpr uint32_t DRIVE_RAMDISK = 6;

}  // namespace talvex::win
