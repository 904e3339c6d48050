// What installing a driver from an INF does on a Windows, worked out from the file alone: the
// files copied (from where to where), the registry changes of AddReg and DelReg, the services
// of the .Services section, and the values Windows records for the driver. Carrying the plan out
// is the machine's business; the plan itself touches nothing, so that a package can be checked
// without installing it.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "inf/driver_search.h"
#include "inf/inf_file.h"

namespace talvex::inf {

// Codes of SetupAPI and newdev the plan fails with (besides the file codes of inf_file.h).
inline constexpr uint32_t ERROR_NO_MORE_ITEMS = 259;
inline constexpr uint32_t ERROR_INVALID_PARAMETER = 87;
inline constexpr uint32_t ERROR_INVALID_CLASS = 0xE0000209;
inline constexpr uint32_t ERROR_BAD_SERVICE_INSTALLSECT = 0xE0000217;
inline constexpr uint32_t ERROR_NO_ASSOCIATED_SERVICE = 0xE0000219;

// The folders DIRIDs stand for on one Windows, with the INF's own folder for DIRID 1.
struct Folders {
  std::string windows;    // C:\WINDOWS
  std::string system;     // C:\WINDOWS\system32, or C:\WINDOWS\SYSTEM on Windows 9x
  std::string infFolder;  // the folder the INF lies in
  bool nt = true;
  // The folder of a DIRID: 1 (the INF's), 10 to 25, 30, and on NT 50 to 55; 16422 and 16427
  // (Program Files and its Common Files). Nothing for any other.
  std::optional<std::string> Folder(int dirid) const;
};

// A part of an INF the plan read, for reports: where it is.
struct InfPlace {
  std::string section;
  int line = 0;
};

struct PlannedCopy {
  InfPlace place;
  std::string sourceName;    // the file in the package
  std::string sourceFolder;  // where it is looked for
  std::string targetFolder;
  std::string targetName;
  uint32_t flags = 0;               // COPYFLG_*
  bool listedInSourceDisks = true;  // false: not in [SourceDisksFiles], looked for beside the INF
  bool destinationListed = true;    // false: [DestinationDirs] gives no folder, not even a default
};

// The key HKR stands for in a registry line.
enum class RegistryRoot {
  kDriverKey,
  kHardwareKey,
  kServiceKey,
  kLocalMachine,
  kClassesRoot,
  kCurrentUser,
  kUsers
};

struct PlannedRegistry {
  InfPlace place;
  bool deletion = false;  // DelReg, or an AddReg line that deletes
  RegistryRoot root = RegistryRoot::kDriverKey;
  std::string subkey;
  std::optional<std::string> valueName;  // nothing: the key only
  uint32_t flags = 0;                    // FLG_ADDREG_* / FLG_DELREG_*
  std::vector<std::string> data;         // the fields after the flags, substituted
};

struct PlannedService {
  InfPlace place;
  std::string name;    // empty: the null service
  uint32_t flags = 0;  // SPSVCINST_*
  uint32_t type = 0, start = 0, errorControl = 0;
  std::string binary;  // ServiceBinary, its DIRID resolved
  std::string displayName, group;
  std::vector<PlannedRegistry> registry;  // the service section's AddReg, HKR = the service key
};

inline constexpr uint32_t SPSVCINST_ASSOCSERVICE = 0x2;

struct InstallPlan {
  DriverMatch driver;
  std::string section;    // the install section read, with its extension
  std::string extension;  // ".NTx86", ".NT" or ""
  std::string provider, driverDate, driverVersion, className, classGuid;
  std::vector<PlannedCopy> copies;
  std::vector<PlannedRegistry> registry;  // the install section's, then its .HW section's
  std::vector<PlannedService> services;   // NT only
  // Directives of the install section that the plan does not carry out (DelFiles, Include, ...),
  // as "<directive> (line <n>)".
  std::vector<std::string> notCarriedOut;
};

struct PlanResult {
  uint32_t error = 0;  // 0 when the plan can be carried out
  InfPlace at;         // where the file is at fault
  std::string what;    // what is wrong, in a few words
  InstallPlan plan;
};

// The plan for a device with these hardware and compatible IDs (in order). Fails as Windows
// would: ERROR_WRONG_INF_STYLE for no INF of that Windows, ERROR_NO_MORE_ITEMS for no driver for
// the device, ERROR_SECTION_NOT_FOUND for a section the file names and lacks,
// ERROR_INVALID_PARAMETER for a DIRID no Windows knows, ERROR_BAD_SERVICE_INSTALLSECT for a service
// section without its four required entries, ERROR_NO_ASSOCIATED_SERVICE on NT for an install
// without a function service (the null service counts).
PlanResult PlanInstall(const InfFile& file, const TargetOs& os, const Folders& folders,
                       const std::vector<std::string>& deviceIds);

}  // namespace talvex::inf
