// FolderTree.exe: the folder tree control in a window of its own on the real shell. Applies its
// arguments in order, then runs until the window is closed. With --screenshot-and-exit it writes
// "<program>.ready" beside itself once the tree is drawn, and ends when the test bed has deleted
// that file again (after taking its picture), or after a minute.
#include <cstdio>
#include <exception>
#include <sstream>
#include <string>
#include <vector>

#include "foldertree/folder_tree_host.h"
#include "framework/application.h"
#include "framework/win32/win32_ui_backend.h"
#include "platform/win32/win32_platform.h"
#include "platform/win32/windows_support.h"

namespace {

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

}  // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
  std::vector<std::string> arguments;
  for (int i = 1; i < __argc; ++i)
    arguments.emplace_back(__argv[i]);
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
