// The cells of a rehearsal: one run of the setup program each, on a fresh simulated machine built
// through the machine folder's contract (machine.ini, registry.reg, drive folders).
#pragma once

#include <filesystem>
#include <string>
#include <vector>

#include "rehearse/package.h"

namespace talvex::rehearse {

enum class Components { kNotAsked, kPresent, kMissing };  // the smart card components on 98/Me
enum class Medium { kDisk, kCd };

struct Cell {
  WindowsVersion version = WindowsVersion::kXp;
  int idIndex = 0;  // each present function with its first (0) or second (1) hardware ID
  Components components = Components::kNotAsked;
  Medium medium = Medium::kDisk;
  bool unattended = true;
  std::vector<ChipFunction> functions;  // present on the machine

  // "me-id1-missing-cd-wizard"
  std::string Name() const;
  // "Windows Me, second IDs, components missing, CD, wizard"
  std::string Description() const;
  // The program's folder on the machine, as Windows names it ("E:\SETUP\").
  std::string ProgramFolder() const;
  std::vector<std::string> HardwareIds() const;
};

// Every cell for these functions: Windows 98 SE, Me, 2000 and XP; first and second IDs; on 98 and
// Me the components present and missing; a hard disk and a CD; unattended and a wizard session.
std::vector<Cell> AllCells(const std::vector<ChipFunction>& functions);

// Writes the cell's machine into folder (which must not exist yet), with the package beside the
// program. Throws std::runtime_error when the folder cannot be written.
void BuildMachine(const Cell& cell, const Package& package, const std::filesystem::path& folder);

}  // namespace talvex::rehearse
