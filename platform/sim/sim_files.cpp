#include "platform/sim/sim_files.h"

#include <fstream>
#include <system_error>

#include "platform/winconst.h"

namespace talvex::sim {

namespace {
constexpr JournalName kAttributes[] = {
    {win::FILE_ATTRIBUTE_READONLY, "FILE_ATTRIBUTE_READONLY"},
    {win::FILE_ATTRIBUTE_HIDDEN, "FILE_ATTRIBUTE_HIDDEN"},
    {win::FILE_ATTRIBUTE_SYSTEM, "FILE_ATTRIBUTE_SYSTEM"},
    {win::FILE_ATTRIBUTE_DIRECTORY, "FILE_ATTRIBUTE_DIRECTORY"},
    {win::FILE_ATTRIBUTE_ARCHIVE, "FILE_ATTRIBUTE_ARCHIVE"},
};
constexpr JournalName kCopyStyles[] = {
    {0x1, "SP_COPY_DELETESOURCE"},
    {0x2, "SP_COPY_REPLACEONLY"},
    {0x4, "SP_COPY_NEWER"},
    {0x8, "SP_COPY_NOOVERWRITE"},
    {0x10, "SP_COPY_NODECOMP"},
    {0x20, "SP_COPY_LANGUAGEAWARE"},
    {0x40, "SP_COPY_SOURCE_ABSOLUTE"},
    {win::SP_COPY_SOURCEPATH_ABSOLUTE, "SP_COPY_SOURCEPATH_ABSOLUTE"},
};
}  // namespace

// Creating or truncating a file and writing it is CreateFileA, WriteFile and CloseHandle on
// Windows; the journal shows it as one line with the bytes written.
bool SimFiles::WriteNewFile(const std::string& path, const std::string& bytes) {
  bool ok = WriteFile(path, bytes);
  if (journal_.on())
    journal_.Write(JournalLine("CreateFileA")
                       .Text("path", path)
                       .Raw("access", "GENERIC_WRITE")
                       .Raw("disposition", "CREATE_ALWAYS")
                       .Text("data", bytes)
                       .Result(ok));
  return ok;
}

bool SimFiles::CanOpenForReading(const std::string& path) {
  bool ok = OpenForReading(path);
  if (journal_.on())
    journal_.Write(JournalLine("CreateFileA")
                       .Text("path", path)
                       .Raw("access", "GENERIC_READ")
                       .Raw("disposition", "OPEN_EXISTING")
                       .Result(ok));
  return ok;
}

bool SimFiles::CreateDirectoryA(const std::string& path) {
  bool ok = CreateDirectory(path);
  if (journal_.on())
    journal_.Write(JournalLine("CreateDirectoryA").Text("path", path).Result(ok));
  return ok;
}

uint32_t SimFiles::GetFileAttributesA(const std::string& path) {
  uint32_t attributes = FileAttributes(path);
  if (journal_.on()) {
    JournalLine line("GetFileAttributesA");
    line.Text("path", path);
    if (attributes == win::INVALID_FILE_ATTRIBUTES)
      line.Result("INVALID_FILE_ATTRIBUTES");
    else
      line.Result("ok").Flags("attributes", attributes, kAttributes);
    journal_.Write(line);
  }
  return attributes;
}

bool SimFiles::SetupInstallFileA(const std::string& sourceFile, const std::string& sourcePathRoot,
                                 const std::string& destinationName, uint32_t copyStyle) {
  bool ok = InstallFile(sourceFile, sourcePathRoot, destinationName);
  if (journal_.on())
    journal_.Write(JournalLine("SetupInstallFileA")
                       .Text("source", sourceFile)
                       .Text("root", sourcePathRoot)
                       .Text("target", destinationName)
                       .Flags("style", copyStyle, kCopyStyles)
                       .Result(ok));
  return ok;
}

bool SimFiles::WriteFile(const std::string& path, const std::string& bytes) {
  if (auto failure = failures_.Check("CreateFileA", path, win::ERROR_ACCESS_DENIED))
    return Fail(*failure);
  if (paths_.OnReadOnlyDrive(path))
    return Fail(win::ERROR_ACCESS_DENIED);
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
  errors_.Set(0);
  return true;
}

bool SimFiles::Fail(uint32_t error) {
  errors_.Set(error);
  return false;
}

bool SimFiles::OpenForReading(const std::string& path) {
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
  errors_.Set(0);
  return true;
}

bool SimFiles::CreateDirectory(const std::string& path) {
  if (auto failure = failures_.Check("CreateDirectoryA", path, win::ERROR_ACCESS_DENIED))
    return Fail(*failure);
  if (paths_.OnReadOnlyDrive(path))
    return Fail(win::ERROR_ACCESS_DENIED);
  std::optional<std::filesystem::path> target = paths_.ForCreate(path);
  if (!target)
    return Fail(win::ERROR_PATH_NOT_FOUND);
  std::error_code error;
  if (std::filesystem::exists(*target, error))
    return Fail(win::ERROR_ALREADY_EXISTS);
  if (!std::filesystem::create_directory(*target, error))
    return Fail(win::ERROR_ACCESS_DENIED);
  errors_.Set(0);
  return true;
}

uint32_t SimFiles::FileAttributes(const std::string& path) {
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
  errors_.Set(0);
  return std::filesystem::is_directory(*found, error) ? win::FILE_ATTRIBUTE_DIRECTORY
                                                      : win::FILE_ATTRIBUTE_ARCHIVE;
}

bool SimFiles::InstallFile(const std::string& sourceFile, const std::string& sourcePathRoot,
                           const std::string& destinationName) {
  if (auto failure =
          failures_.Check("SetupInstallFileA", destinationName, win::ERROR_ACCESS_DENIED))
    return Fail(*failure);
  std::optional<std::filesystem::path> source =
      paths_.FindExisting(sourcePathRoot + "\\" + sourceFile);
  std::error_code error;
  if (!source || !std::filesystem::is_regular_file(*source, error))
    return Fail(win::ERROR_FILE_NOT_FOUND);
  if (paths_.OnReadOnlyDrive(destinationName))
    return Fail(win::ERROR_ACCESS_DENIED);
  std::optional<std::filesystem::path> target = paths_.ForCreate(destinationName);
  if (!target)
    return Fail(win::ERROR_PATH_NOT_FOUND);
  if (std::filesystem::is_directory(*target, error))
    return Fail(win::ERROR_ACCESS_DENIED);
  std::filesystem::copy_file(*source, *target, std::filesystem::copy_options::overwrite_existing,
                             error);
  if (error)
    return Fail(win::ERROR_ACCESS_DENIED);
  errors_.Set(0);
  return true;
}

}  // namespace talvex::sim
