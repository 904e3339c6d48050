// FolderTree.exe: the folder tree control in a window of its own on the real shell. Applies its
// arguments in order, then runs until the window is closed. With --screenshot-and-exit it writes
// "<program>.ready" beside itself once the tree is drawn, and ends when the test bed has deleted
// that file again (after taking its picture), or after a minute.
//
// --announce-mkdir <path> (for the test bed, after the other arguments): creates the folder and
// announces it with SHChangeNotify from this process, as Wine delivers shell notifications only
// within the process that sends them; then prints "announced <path>: <node's path or nil>" (the
// node found without reading the parent folder again) and the tree, and selects the folder.
#include <cstdio>
#include <exception>
#include <sstream>
#include <string>
#include <vector>

#include "foldertree/folder_tree_host.h"
#include "framework/application.h"
#include "framework/win32/win32_ui_backend.h"
#include "platform/win32/library_search.h"
#include "platform/win32/win32_platform.h"
#include "platform/win32/windows_support.h"

// shell32's notification entry, declared here: <shlobj.h> clashes with the platform's own shell
// declarations.
extern "C" __declspec(dllimport) void WINAPI
    SHChangeNotify(LONG event, UINT flags, LPCVOID item1, LPCVOID item2);

namespace {

// SHChangeNotify's event "a folder was created" and its flag "the items are ANSI paths".
constexpr LONG kFolderCreated = 0x00000008;
constexpr UINT kItemsArePaths = 0x0001;

std::string ReadyMarker() {
  char path[MAX_PATH] = {};
  DWORD length = ::GetModuleFileNameA(nullptr, path, MAX_PATH);
  std::string marker(path, length);
  return marker + ".ready";
}

bool Exists(const std::string& path) {
  return ::GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

// Shows the window until the test bed has taken its picture.
void WaitForScreenshot(talvex::TApplication& application) {
  std::string marker = ReadyMarker();
  application.ProcessMessages();
  ::Sleep(500);
  application.ProcessMessages();
  if (FILE* file = std::fopen(marker.c_str(), "w"))
    std::fclose(file);
  for (int i = 0; i < 600 && Exists(marker) && !application.Terminated(); ++i) {
    application.ProcessMessages();
    ::Sleep(100);
  }
}

// Takes every "--announce-mkdir <path>" out of the arguments.
std::vector<std::string> TakeAnnouncements(std::vector<std::string>& arguments) {
  std::vector<std::string> paths;
  std::vector<std::string> rest;
  for (size_t i = 0; i < arguments.size(); ++i) {
    if (arguments[i] == "--announce-mkdir" && i + 1 < arguments.size()) {
      paths.push_back(arguments[++i]);
    } else {
      rest.push_back(arguments[i]);
    }
  }
  arguments = rest;
  return paths;
}

// Lets the notification reach the tree's utility window and the tree update itself.
void Settle(talvex::TApplication& application) {
  for (int i = 0; i < 5; ++i) {
    application.ProcessMessages();
    ::Sleep(100);
  }
}

void Announce(talvex::TApplication& application, talvex::TKvFolderTree& tree,
              const std::string& path) {
  ::CreateDirectoryA(path.c_str(), nullptr);
  ::SHChangeNotify(kFolderCreated, kItemsArePaths, path.c_str(), nullptr);
  Settle(application);
  talvex::TTreeNode* node = tree.FindPath(path, true);
  std::printf("announced %s: %s\n", path.c_str(),
              node == nullptr ? "nil" : tree.GetPath(node).c_str());
  tree.SetDirectory(path);
  Settle(application);
  std::fputs(talvex::TreeText(tree).c_str(), stdout);
  std::fflush(stdout);
}

}  // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
  // First of all, before the first window or message box: see library_search.h.
  talvex::win32::PrepareSystemLibraries();
  std::vector<std::string> arguments;
  for (int i = 1; i < __argc; ++i)
    arguments.emplace_back(__argv[i]);
  const std::vector<std::string> announcements = TakeAnnouncements(arguments);
  talvex::HostCommandLine commandLine;
  try {
    commandLine = talvex::ParseHostCommandLine(arguments);
  } catch (const talvex::EHostUsage& error) {
    std::string text = std::string(error.what()) + "\n" + talvex::kHostUsage;
    ::MessageBoxA(nullptr, text.c_str(), "FolderTree", MB_OK | MB_ICONERROR);
    return 2;
  }
  try {
    talvex::win32::Win32Platform platform;
    talvex::win32::Win32UiBackend ui;
    talvex::TApplication application(ui, "FolderTree");
    auto* form = application.CreateForm<talvex::TFolderTreeForm>(platform.Get());
    std::ostringstream found;
    talvex::ApplyHostArguments(
        *form->KvFolderTree, commandLine.arguments, found,
        [&](const std::exception& error) { application.ShowException(error); });
    // Lookups print where a console or a redirection takes them.
    std::fputs(found.str().c_str(), stdout);
    std::fflush(stdout);
    if (!announcements.empty()) {
      form->Show();
      Settle(application);
      for (const std::string& path : announcements)
        Announce(application, *form->KvFolderTree, path);
    }
    if (commandLine.screenshotAndExit) {
      form->Show();
      WaitForScreenshot(application);
      return 0;
    }
    application.Run();
    return 0;
  } catch (const std::exception& error) {
    ::MessageBoxA(nullptr, error.what(), "FolderTree", MB_OK | MB_ICONERROR);
    return 1;
  }
}
