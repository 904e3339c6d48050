#include "platform/sim/sim_system.h"

#include <cstring>

#include "platform/winconst.h"

namespace talvex::sim {

uint32_t SimSystemFolders::Copy(const char* operation, const std::string& folder, char* buffer,
                                uint32_t size) {
  if (auto failure = failures_.Check(operation, "", win::ERROR_PATH_NOT_FOUND)) {
    errors_.SetLastError(*failure);
    return 0;
  }
  if (folder.empty()) {
    errors_.SetLastError(win::ERROR_PATH_NOT_FOUND);
    return 0;
  }
  uint32_t length = static_cast<uint32_t>(folder.size());
  if (buffer == nullptr || size <= length)
    return length + 1;  // the size needed
  std::memcpy(buffer, folder.c_str(), length + 1);
  return length;
}

uint32_t SimSystemFolders::GetWindowsDirectoryA(char* buffer, uint32_t size) {
  return Copy("GetWindowsDirectoryA", windows_, buffer, size);
}

uint32_t SimSystemFolders::GetSystemDirectoryA(char* buffer, uint32_t size) {
  return Copy("GetSystemDirectoryA", system_, buffer, size);
}

void SimProcess::ExitProcess(int code) {
  out_.flush();
  throw ProcessExit{code};
}

}  // namespace talvex::sim
