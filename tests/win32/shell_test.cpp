// The shell seam against Wine's shell32 and ole32: the desktop, the drives under My Computer,
// display names, item ID lists from the task allocator, and change notification bound by ordinal.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "platform/item_id_list.h"
#include "platform/win32/scoped_handle.h"
#include "platform/win32/win32_shell.h"
#include "platform/win32/win32_system_folders.h"
#include "tests/win32/win32_test_support.h"

namespace talvex::win32 {
namespace {

// The shell, with COM set up for the thread as a program's user-interface thread has it.
class ShellTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ::CoInitialize(nullptr);
    ASSERT_EQ(S_OK, shell_.SHGetMalloc(&malloc_));
    ASSERT_EQ(S_OK, shell_.SHGetDesktopFolder(&desktop_));
  }
  void TearDown() override {
    desktop_.Reset();
    malloc_.Reset();
    ::CoUninitialize();
  }

  std::string Name(talvex::IShellFolder& folder, PCIDL pidl, uint32_t flags) {
    talvex::STRRET name;
    if (folder.GetDisplayNameOf(pidl, flags, &name) != S_OK)
      return "<failed>";
    switch (name.uType) {
      case STRRET_CSTR:
        return name.cStr;
      case STRRET_OFFSET:
        return reinterpret_cast<const char*>(pidl) + name.uOffset;
      case STRRET_WSTR: {
        EXPECT_EQ(1, malloc_->DidAlloc(name.pOleStr));
        char buffer[MAX_PATH] = {};
        shell_.WideCharToMultiByte(CP_ACP, 0, name.pOleStr, -1, buffer, sizeof buffer);
        malloc_->Free(name.pOleStr);
        return buffer;
      }
    }
    return "<form " + std::to_string(name.uType) + ">";
  }

  // A special folder's list, checked to be a well-formed task allocator block.
  PIDL Special(int32_t csidl) {
    PIDL pidl = nullptr;
    EXPECT_GE(shell_.SHGetSpecialFolderLocation(0, csidl, &pidl), 0) << csidl;
    if (pidl != nullptr) {
      EXPECT_EQ(1, malloc_->DidAlloc(pidl));
      EXPECT_TRUE(ILCheckedSize(pidl, 4096)) << csidl;
    }
    return pidl;
  }

  Win32SystemFolders folders_;
  Win32Shell shell_{folders_};
  ComPtr<talvex::IMalloc> malloc_;
  ComPtr<talvex::IShellFolder> desktop_;
};

TEST_F(ShellTest, TheDesktopIsTheEmptyListWithTheDesktopFolderAsItsPath) {
  PIDL desktop = Special(0);  // CSIDL_DESKTOP
  ASSERT_NE(nullptr, desktop);
  EXPECT_EQ(2u, ILGetSize(desktop));
  PIDL directory = Special(CSIDL_DESKTOPDIRECTORY);
  ASSERT_NE(nullptr, directory);
  char path[MAX_PATH] = {};
  ASSERT_TRUE(shell_.SHGetPathFromIDListA(directory, path));
  EXPECT_GT(ILItemCount(directory), 0u);
  char desktopPath[MAX_PATH] = {};
  EXPECT_TRUE(shell_.SHGetPathFromIDListA(desktop, desktopPath));
  EXPECT_STREQ(path, desktopPath);
  EXPECT_EQ(path, Name(*desktop_, desktop, SHGDN_FORPARSING));
  malloc_->Free(directory);
  malloc_->Free(desktop);
}

TEST_F(ShellTest, MyComputerListsTheDrivesAsFileSystemFolders) {
  PIDL drives = Special(CSIDL_DRIVES);
  ASSERT_NE(nullptr, drives);
  EXPECT_EQ(1u, ILItemCount(drives));
  char path[MAX_PATH] = "junk";
  EXPECT_FALSE(shell_.SHGetPathFromIDListA(drives, path));
  ComPtr<talvex::IShellFolder> myComputer;
  ASSERT_EQ(S_OK, desktop_->BindToObject(drives, &myComputer));
  ComPtr<talvex::IEnumIDList> items;
  ASSERT_EQ(S_OK, myComputer->EnumObjects(0, SHCONTF_FOLDERS | SHCONTF_INCLUDEHIDDEN, &items));
  items->Reset();
  std::vector<std::string> roots;
  PIDL item = nullptr;
  while (items->Next(1, &item, nullptr) == S_OK) {
    EXPECT_EQ(1u, ILItemCount(item));
    EXPECT_EQ(1, malloc_->DidAlloc(item));
    PCIDL child = item;
    uint32_t attributes = SFGAO_HASSUBFOLDER | SFGAO_FILESYSTEM | SFGAO_SHARE | SFGAO_LINK;
    EXPECT_EQ(S_OK, myComputer->GetAttributesOf(1, &child, &attributes));
    std::string parsing = Name(*myComputer, item, SHGDN_FORPARSING);
    if (attributes & SFGAO_FILESYSTEM) {
      roots.push_back(parsing);
      // The absolute list of a drive: My Computer's item, then the drive's.
      std::vector<uint8_t> absolute = ILAppendFirstItem(drives, item);
      EXPECT_EQ(2u, ILItemCount(absolute.data()));
      char root[MAX_PATH] = {};
      EXPECT_TRUE(shell_.SHGetPathFromIDListA(absolute.data(), root));
      EXPECT_EQ(parsing, root);
      EXPECT_NE("", Name(*myComputer, item, SHGDN_NORMAL));
    }
    malloc_->Free(item);
  }
  ASSERT_FALSE(roots.empty());
  EXPECT_NE(roots.end(), std::find(roots.begin(), roots.end(), "C:\\"));

  // The drive root parsed on My Computer, as the folder tree refreshes a drive.
  PIDL c = nullptr;
  myComputer->ParseDisplayName(0, u"C:\\", nullptr, &c, nullptr);
  ASSERT_NE(nullptr, c);
  EXPECT_EQ("C:\\", Name(*myComputer, c, SHGDN_FORPARSING));
  malloc_->Free(c);
  malloc_->Free(drives);
}

TEST_F(ShellTest, FoldersBindEnumerateAndNameThemselves) {
  testing::TemporaryFolder folder;
  ASSERT_TRUE(::CreateDirectoryA(folder.File("Sub").c_str(), nullptr));
  std::wstring wide(folder.Path().begin(), folder.Path().end());
  PIDL pidl = nullptr;
  ASSERT_EQ(S_OK, desktop_->ParseDisplayName(0, reinterpret_cast<const char16_t*>(wide.c_str()),
                                             nullptr, &pidl, nullptr));
  ComPtr<talvex::IShellFolder> bound;
  ASSERT_EQ(S_OK, desktop_->BindToObject(pidl, &bound));
  ComPtr<talvex::IEnumIDList> items;
  ASSERT_EQ(S_OK, bound->EnumObjects(0, SHCONTF_FOLDERS | SHCONTF_INCLUDEHIDDEN, &items));
  PIDL item = nullptr;
  uint32_t fetched = 0;
  ASSERT_EQ(S_OK, items->Next(1, &item, &fetched));
  EXPECT_EQ(1u, fetched);
  EXPECT_EQ("Sub", Name(*bound, item, SHGDN_INFOLDER));
  EXPECT_EQ(folder.File("Sub"), Name(*bound, item, SHGDN_FORPARSING));
  malloc_->Free(item);
  EXPECT_NE(S_OK, items->Next(1, &item, &fetched));
  // The system's small-icon list, and the item's place in it.
  talvex::SHFILEINFOA info;
  EXPECT_NE(0u, shell_.SHGetFileInfoA(pidl, 0, &info, sizeof info, 0x4009));
  EXPECT_GE(info.iIcon, 0);
  malloc_->Free(pidl);
}

// Collects what the shell posts to a window of its own.
struct Received {
  int count = 0;
  std::string path;
  LPARAM event = 0;
};

LRESULT CALLBACK ReceiverProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_USER + 2) {
    auto* received = reinterpret_cast<Received*>(::GetWindowLongPtrA(window, GWLP_USERDATA));
    auto** lists = reinterpret_cast<LPITEMIDLIST*>(wParam);
    char path[MAX_PATH] = {};
    if (lists != nullptr && lists[0] != nullptr)
      ::SHGetPathFromIDListA(lists[0], path);
    received->count++;
    received->path = path;
    received->event = lParam;
    return 0;
  }
  return ::DefWindowProcA(window, message, wParam, lParam);
}

TEST_F(ShellTest, ChangeNotificationIsBoundByOrdinalAndDeliversTheFolder) {
  std::unique_ptr<Shell32Module> module = shell_.LoadShell32();
  ASSERT_TRUE(module);
  EXPECT_EQ(0u, module->SHChangeNotifyRegister(0, 3, 0x20078, WM_USER + 2, 0, nullptr))
      << "called before it was bound";
  ASSERT_TRUE(module->GetProcAddress(2));
  ASSERT_TRUE(module->GetProcAddress(4));

  WNDCLASSA windowClass = {};
  windowClass.lpfnWndProc = ReceiverProc;
  windowClass.hInstance = ::GetModuleHandleA(nullptr);
  windowClass.lpszClassName = "TalvexShellTestReceiver";
  ::RegisterClassA(&windowClass);
  ScopedWindow window(::CreateWindowExA(0, windowClass.lpszClassName, "", 0, 0, 0, 0, 0, nullptr,
                                        nullptr, windowClass.hInstance, nullptr));
  ASSERT_TRUE(window);
  Received received;
  ::SetWindowLongPtrA(window.get(), GWLP_USERDATA, reinterpret_cast<LONG_PTR>(&received));

  talvex::SHChangeNotifyEntry entry{nullptr, TRUE};
  uint32_t handle = module->SHChangeNotifyRegister(reinterpret_cast<WindowHandle>(window.get()), 3,
                                                   0x20078, WM_USER + 2, 1, &entry);
  ASSERT_NE(0u, handle);
  testing::TemporaryFolder folder;
  std::string made = folder.File("Made");
  ASSERT_TRUE(::CreateDirectoryA(made.c_str(), nullptr));
  ::SHChangeNotify(SHCNE_MKDIR, SHCNF_PATHA | SHCNF_FLUSH, made.c_str(), nullptr);
  for (int i = 0; i < 50 && received.count == 0; ++i) {
    MSG message;
    while (::PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE))
      ::DispatchMessageA(&message);
    if (received.count == 0)
      ::Sleep(20);
  }
  EXPECT_EQ(1, received.count);
  EXPECT_EQ(made, received.path);
  EXPECT_EQ(SHCNE_MKDIR, received.event & ~static_cast<LPARAM>(SHCNE_INTERRUPT));
  EXPECT_TRUE(module->SHChangeNotifyDeregister(handle));

  WindowHandle windowHandle = reinterpret_cast<WindowHandle>(window.get());
  EXPECT_TRUE(shell_.LockWindowUpdate(windowHandle));
  EXPECT_TRUE(shell_.LockWindowUpdate(0));
}

TEST_F(ShellTest, LocaleComparisonIgnoresCase) {
  EXPECT_EQ(CSTR_EQUAL,
            shell_.CompareStringA(LOCALE_USER_DEFAULT, NORM_IGNORECASE, "c:", -1, "C:", -1));
  EXPECT_NE(CSTR_EQUAL,
            shell_.CompareStringA(LOCALE_USER_DEFAULT, NORM_IGNORECASE, "c:", -1, "d:", -1));
}

}  // namespace
}  // namespace talvex::win32
