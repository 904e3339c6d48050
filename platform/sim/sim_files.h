// Files of the simulated machine's drives.
#pragma once

#include "platform/files.h"
#include "platform/sim/drive_paths.h"
#include "platform/sim/failure_plan.h"
#include "platform/sim/sim_errors.h"

namespace talvex::sim {

class SimFiles : public Files {
 public:
  SimFiles(DrivePaths& paths, SimThreadErrors& errors, FailurePlan& failures)
      : paths_(paths), errors_(errors), failures_(failures) {}

  bool WriteNewFile(const std::string& path, const std::string& bytes) override;
  bool CanOpenForReading(const std::string& path) override;
  bool CreateDirectoryA(const std::string& path) override;
  uint32_t GetFileAttributesA(const std::string& path) override;
  bool SetupInstallFileA(const std::string& sourceFile, const std::string& sourcePathRoot,
                         const std::string& destinationName, uint32_t copyStyle) override;

 private:
  bool Fail(uint32_t error);

  DrivePaths& paths_;
  SimThreadErrors& errors_;
  FailurePlan& failures_;
};

}  // namespace talvex::sim
