// Which Windows reads an INF, and what it finds in it for a device: the [Version] signature it
// accepts, the models section it reads ([Manufacturer] and the TargetOSVersion decorations of
// Windows XP), the models line for the device's IDs, and the install section with the platform
// extension it takes.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "inf/inf_file.h"

namespace talvex::inf {

// The Windows that installs: the 9x family (Windows Me) or NT (Windows 2000 5.0, XP 5.1), on x86.
struct TargetOs {
  bool nt = true;
  int major = 5;
  int minor = 1;
  // Windows XP and later read TargetOSVersion decorations; Windows 2000 and Me do not.
  bool ReadsDecorations() const { return nt && (major > 5 || (major == 5 && minor >= 1)); }
};

// ERROR_WRONG_INF_STYLE when the file is no INF for that Windows: the NT family takes
// "$Windows NT$", "$Chicago$" and "$Windows 95$", the 9x family only the last two. 0 otherwise.
uint32_t CheckSignature(const InfFile& file, const TargetOs& os);
// The signature as written, for reports; empty without one.
std::string SignatureOf(const InfFile& file);

// Whether a TargetOSVersion decoration ("NTx86.5.1", "NT") applies to the Windows, and how well:
// a higher number is a closer match. Nothing when it does not apply.
std::optional<int> DecorationScore(const std::string& decoration, const TargetOs& os);

struct DriverMatch {
  std::string manufacturer;    // the [Manufacturer] line's name, substituted
  int manufacturerLine = 0;    // its line in the file
  std::string modelsSection;   // the section read, with its decoration
  std::string description;     // the device description of the models line
  int modelsLine = 0;          // the models line
  std::string installSection;  // as the models line names it
  std::string matchingId;      // the INF's ID that matched, as written there
  int deviceIdIndex = 0;       // which of the device's IDs it matched (0: the first)
};

// The models section the Windows reads for one [Manufacturer] line: its decorated section when a
// decoration applies (Windows XP), else the undecorated one. Nothing when the file lacks it.
struct ModelsChoice {
  std::string section;        // the name read, decoration included
  bool sectionFound = false;  // whether the file has that section
};
ModelsChoice ChooseModelsSection(const InfFile& file, const InfLine& manufacturer,
                                 const TargetOs& os);

// The best driver of the file for a device whose hardware and compatible IDs are ids, in their
// order: the models line whose hardware or compatible IDs hold the earliest of the device's IDs
// (letter case ignored), its hardware ID before its compatible ones, the file's order last.
std::optional<DriverMatch> FindDriver(const InfFile& file, const TargetOs& os,
                                      const std::vector<std::string>& ids);

// The section Windows installs from for a models line's install section: on NT the first of
// ".NTx86", ".NT" and the plain name that the file has, on 9x the plain name. The extension goes
// to *extension. Nothing when the file has none of them.
std::optional<std::string> ActualInstallSection(const InfFile& file, const TargetOs& os,
                                                const std::string& installSection,
                                                std::string* extension);

}  // namespace talvex::inf
