#include "tests/win32/win32_test_support.h"

#include <fstream>
#include <iterator>
#include <stdexcept>
#include <vector>

namespace talvex::win32::testing {

namespace {

void DeleteTree(HKEY parent, const std::string& name) {
  HKEY key = nullptr;
  if (::RegOpenKeyExA(parent, name.c_str(), 0, KEY_ALL_ACCESS, &key) != ERROR_SUCCESS)
    return;
  char child[256];
  DWORD length = sizeof child;
  while (::RegEnumKeyExA(key, 0, child, &length, nullptr, nullptr, nullptr, nullptr) ==
         ERROR_SUCCESS) {
    DeleteTree(key, child);
    length = sizeof child;
  }
  ::RegCloseKey(key);
  ::RegDeleteKeyA(parent, name.c_str());
}

// Removes a folder with its files and sub-folders.
void DeleteFolderTree(const std::string& path) {
  WIN32_FIND_DATAA found{};
  HANDLE search = ::FindFirstFileA((path + "\\*").c_str(), &found);
  if (search != INVALID_HANDLE_VALUE) {
    do {
      std::string name = found.cFileName;
      if (name == "." || name == "..")
        continue;
      std::string child = path + "\\" + name;
      if ((found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0)
        DeleteFolderTree(child);
      else
        ::DeleteFileA(child.c_str());
    } while (::FindNextFileA(search, &found));
    ::FindClose(search);
  }
  ::RemoveDirectoryA(path.c_str());
}

}  // namespace

TemporaryRegistryKey::TemporaryRegistryKey(const std::string& name)
    : path_("Software\\TalvexSetupTests\\" + name + "-" + std::to_string(::GetCurrentProcessId())) {
  DeleteTree(HKEY_CURRENT_USER, path_);
  CreateSubKey("");
}

TemporaryRegistryKey::~TemporaryRegistryKey() {
  DeleteTree(HKEY_CURRENT_USER, path_);
  DeleteTree(HKEY_CURRENT_USER, "Software\\TalvexSetupTests");
}

void TemporaryRegistryKey::CreateSubKey(const std::string& name) const {
  std::string path = name.empty() ? path_ : path_ + "\\" + name;
  HKEY key = nullptr;
  if (::RegCreateKeyExA(HKEY_CURRENT_USER, path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                        &key, nullptr) != ERROR_SUCCESS)
    throw std::runtime_error("cannot create " + path);
  ::RegCloseKey(key);
}

TemporaryFolder::TemporaryFolder() {
  char temp[MAX_PATH + 1] = {};
  DWORD length = ::GetTempPathA(sizeof temp, temp);
  if (length == 0 || length > MAX_PATH)
    throw std::runtime_error("no temporary folder");
  path_ = std::string(temp, length) + "talvex-test-" + std::to_string(::GetCurrentProcessId());
  ::CreateDirectoryA(path_.c_str(), nullptr);
}

TemporaryFolder::~TemporaryFolder() {
  DeleteFolderTree(path_);
}

std::string ReadWholeFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

}  // namespace talvex::win32::testing
