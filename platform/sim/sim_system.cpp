#include "platform/sim/sim_system.h"

#include <cstring>

#include "platform/winconst.h"

namespace talvex::sim {

uint32_t SimSystemFolders::Copy(const char* operation, const std::string& folder, char* buffer,
                                uint32_t size) {
  if (auto failure = failures_.Check(operation, "", win::ERROR_PATH_NOT_FOUND)) {
    errors_.Set(*failure);
    return 0;
  }
  if (folder.empty()) {
    errors_.Set(win::ERROR_PATH_NOT_FOUND);
    return 0;
  }
  uint32_t length = static_cast<uint32_t>(folder.size());
  if (buffer == nullptr || size <= length)
    return length + 1;  // the size needed
  std::memcpy(buffer, folder.c_str(), length + 1);
  return length;
}

uint32_t SimSystemFolders::GetWindowsDirectoryA(char* buffer, uint32_t size) {
  return Journaled("GetWindowsDirectoryA", windows_, buffer, size);
}

uint32_t SimSystemFolders::GetSystemDirectoryA(char* buffer, uint32_t size) {
  return Journaled("GetSystemDirectoryA", system_, buffer, size);
}

uint32_t SimSystemFolders::Journaled(const char* operation, const std::string& folder, char* buffer,
                                     uint32_t size) {
  uint32_t result = Copy(operation, folder, buffer, size);
  if (journal_.on()) {
    JournalLine line(operation);
    line.Number("size", size).ResultNumber(result);
    if (result != 0 && result < size && buffer != nullptr)
      line.Text("path", std::string_view(buffer, result));
    journal_.Write(line);
  }
  return result;
}

std::string SimProcess::GetModuleFileNameA() {
  if (journal_.on())
    journal_.Write(JournalLine("GetModuleFileNameA")
                       .Raw("module", "null")
                       .ResultNumber(static_cast<int64_t>(program_.size()))
                       .Text("path", program_));
  return program_;
}

void SimProcess::ExitProcess(int code) {
  if (journal_.on())
    journal_.Write(
        JournalLine("ExitProcess").Code("code", static_cast<uint32_t>(code)).Result("void"));
  out_.flush();
  throw ProcessExit{code};
}

void SimConsole::WriteStdout(const std::string& text) {
  out_.write(text.data(), static_cast<std::streamsize>(text.size()));
  if (journal_.on())
    journal_.Write(JournalLine("WriteFile")
                       .Raw("handle", "STD_OUTPUT_HANDLE")
                       .Text("data", text)
                       .ResultNumber(static_cast<int64_t>(text.size())));
}

}  // namespace talvex::sim
