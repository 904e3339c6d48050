// Files of the simulated machine's drives.
#pragma once

#include "platform/files.h"
#include "platform/sim/drive_paths.h"
#include "platform/sim/failure_plan.h"
#include "platform/sim/journal.h"
#include "platform/sim/sim_errors.h"

namespace talvex::sim {

class SimFiles : public Files {
 public:
  SimFiles(DrivePaths& paths, SimThreadErrors& errors, FailurePlan& failures, Journal& journal)
      : paths_(paths), errors_(errors), failures_(failures), journal_(journal) {}

  bool WriteNewFile(const std::string& path, const std::string& bytes) override;
  bool CanOpenForReading(const std::string& path) override;
  bool CreateDirectoryA(const std::string& path) override;
  uint32_t GetFileAttributesA(const std::string& path) override;
  bool SetupInstallFileA(const std::string& sourceFile, const std::string& sourcePathRoot,
                         const std::string& destinationName, uint32_t copyStyle) override;

 private:
  // The calls themselves; the public ones add their journal line.
  bool WriteFile(const std::string& path, const std::string& bytes);
  bool OpenForReading(const std::string& path);
  bool CreateDirectory(const std::string& path);
  uint32_t FileAttributes(const std::string& path);
  bool InstallFile(const std::string& sourceFile, const std::string& sourcePathRoot,
                   const std::string& destinationName);
  bool Fail(uint32_t error);

  DrivePaths& paths_;
  SimThreadErrors& errors_;
  FailurePlan& failures_;
  Journal& journal_;
};

}  // namespace talvex::sim
