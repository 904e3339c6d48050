#include "platform/sim/sim_files.h"

#include <fstream>

#include "platform/winconst.h"

namespace talvex::sim {

bool SimFiles::WriteNewFile(const std::string& path, const std::string& bytes) {
  if (auto failure = failures_.Check("CreateFileA", path, win::ERROR_ACCESS_DENIED)) {
    errors_.SetLastError(*failure);
    return false;
  }
  std::optional<std::filesystem::path> target = paths_.ForCreate(path);
  if (!target) {
    errors_.SetLastError(win::ERROR_PATH_NOT_FOUND);
    return false;
  }
  std::error_code error;
  if (std::filesystem::is_directory(*target, error)) {
    errors_.SetLastError(win::ERROR_ACCESS_DENIED);
    return false;
  }
  std::ofstream out(*target, std::ios::binary | std::ios::trunc);
  if (!out) {
    errors_.SetLastError(win::ERROR_ACCESS_DENIED);
    return false;
  }
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  if (!out.flush()) {
    errors_.SetLastError(win::ERROR_WRITE_PROTECT);
    return false;
  }
  errors_.SetLastError(0);
  return true;
}

}  // namespace talvex::sim
