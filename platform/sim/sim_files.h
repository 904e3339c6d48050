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

 private:
  DrivePaths& paths_;
  SimThreadErrors& errors_;
  FailurePlan& failures_;
};

}  // namespace talvex::sim
