#include "platform/sim/sim_files.h"

#include <fstream>
#include <system_error>

#include "platform/winconst.h"

namespace talvex::sim {

bool SimFiles::WriteNewFile(const std::string& path, const std::string& bytes) {
  if (auto failure = failures_.Check("CreateFileA", path, win::ERROR_ACCESS_DENIED))
    return Fail(*failure);
  std::optional<std::filesystem::path> target = paths_.ForCreate(path);
  if (!target)
    return Fail(win::ERROR_PATH_NOT_FOUND);
  std::error_code error;
  if (std::filesystem::is_directory(*target, error))
    return Fail(win::ERROR_ACCESS_DENIED);
  std::ofstream out(*target, std::ios::binary | std::ios::trunc);
  if (!out)
    return Fail(win::ERROR_ACCESS_DENIED);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  if (!out.flush())
    return Fail(win::ERROR_WRITE_PROTECT);
  errors_.SetLastError(0);
  return true;
}

bool SimFiles::Fail(uint32_t error) {
  errors_.SetLastError(error);
  return false;
}

bool SimFiles::CanOpenForReading(const std::string& path) {
  if (auto failure = failures_.Check("CreateFileA", path, win::ERROR_ACCESS_DENIED))
    return Fail(*failure);
  std::optional<std::filesystem::path> file = paths_.FindExisting(path);
  std::error_code error;
  if (!file)
    return Fail(win::ERROR_FILE_NOT_FOUND);
  if (!std::filesystem::is_regular_file(*file, error))
    return Fail(win::ERROR_ACCESS_DENIED);
  std::ifstream in(*file, std::ios::binary);
  if (!in)
    return Fail(win::ERROR_ACCESS_DENIED);
  errors_.SetLastError(0);
  return true;
}

bool SimFiles::CreateDirectoryA(const std::string& path) {
  if (auto failure = failures_.Check("CreateDirectoryA", path, win::ERROR_ACCESS_DENIED))
    return Fail(*failure);
  std::optional<std::filesystem::path> target = paths_.ForCreate(path);
  if (!target)
    return Fail(win::ERROR_PATH_NOT_FOUND);
  std::error_code error;
  if (std::filesystem::exists(*target, error))
    return Fail(win::ERROR_ALREADY_EXISTS);
  if (!std::filesystem::create_directory(*target, error))
    return Fail(win::ERROR_ACCESS_DENIED);
  errors_.SetLastError(0);
  return true;
}

uint32_t SimFiles::GetFileAttributesA(const std::string& path) {
  if (auto failure = failures_.Check("GetFileAttributesA", path, win::ERROR_ACCESS_DENIED)) {
    Fail(*failure);
    return win::INVALID_FILE_ATTRIBUTES;
  }
  std::optional<std::filesystem::path> found = paths_.FindExisting(path);
  if (!found) {
    Fail(paths_.ForCreate(path) ? win::ERROR_FILE_NOT_FOUND : win::ERROR_PATH_NOT_FOUND);
    return win::INVALID_FILE_ATTRIBUTES;
  }
  std::error_code error;
  errors_.SetLastError(0);
  return std::filesystem::is_directory(*found, error) ? win::FILE_ATTRIBUTE_DIRECTORY
                                                      : win::FILE_ATTRIBUTE_ARCHIVE;
}

bool SimFiles::SetupInstallFileA(const std::string& sourceFile, const std::string& sourcePathRoot,
                                 const std::string& destinationName, uint32_t) {
  if (auto failure =
          failures_.Check("SetupInstallFileA", destinationName, win::ERROR_ACCESS_DENIED))
    return Fail(*failure);
  std::optional<std::filesystem::path> source =
      paths_.FindExisting(sourcePathRoot + "\\" + sourceFile);
  std::error_code error;
  if (!source || !std::filesystem::is_regular_file(*source, error))
    return Fail(win::ERROR_FILE_NOT_FOUND);
  std::optional<std::filesystem::path> target = paths_.ForCreate(destinationName);
  if (!target)
    return Fail(win::ERROR_PATH_NOT_FOUND);
  if (std::filesystem::is_directory(*target, error))
    return Fail(win::ERROR_ACCESS_DENIED);
  std::filesystem::copy_file(*source, *target, std::filesystem::copy_options::overwrite_existing,
                             error);
  if (error)
    return Fail(win::ERROR_ACCESS_DENIED);
  errors_.SetLastError(0);
  return true;
}

}  // namespace talvex::sim
