// The machine's drives: every drive folder (c/, d/, ...) is a local disk unless machine.ini's
// [drives] says otherwise (a removable, floppy or CD drive, its volume label, no medium).
#pragma once

#include <filesystem>
#include <string>
#include <vector>

#include "platform/sim/ini_file.h"

namespace talvex::sim {

enum class DriveKind { kFixed, kRemovable, kFloppy, kCdrom };

struct SimDrive {
  char letter = 'C';  // upper case
  DriveKind kind = DriveKind::kFixed;
  std::string label;
  bool hasMedium = true;
};

// The drives in letter order; throws IniError for a [drives] line it cannot read.
std::vector<SimDrive> ReadMachineDrives(const IniFile& ini,
                                        const std::filesystem::path& machineFolder);

// The letters (upper case) of the drives nothing can be written to: the CD drives.
std::string ReadOnlyDriveLetters(const std::vector<SimDrive>& drives);

// The text between separators, blanks trimmed; one part for a text without a separator.
std::vector<std::string> SplitOn(const std::string& text, char separator);
// The blank-separated words of a text.
std::vector<std::string> Words(const std::string& text);

}  // namespace talvex::sim
