#include "platform/sim/machine_drives.h"

#include <algorithm>
#include <system_error>

#include "platform/ascii_text.h"

namespace talvex::sim {

namespace fs = std::filesystem;

std::vector<std::string> SplitOn(const std::string& text, char separator) {
  std::vector<std::string> parts;
  size_t start = 0;
  for (;;) {
    size_t end = text.find(separator, start);
    parts.push_back(TrimBlanks(text.substr(start, end - start)));
    if (end == std::string::npos)
      return parts;
    start = end + 1;
  }
}

std::vector<std::string> Words(const std::string& text) {
  std::vector<std::string> words;
  for (const std::string& part : SplitOn(text, ' '))
    if (!part.empty())
      words.push_back(part);
  return words;
}

std::vector<SimDrive> ReadMachineDrives(const IniFile& ini, const fs::path& machineFolder) {
  std::vector<SimDrive> drives;
  auto find = [&drives](char letter) -> SimDrive* {
    for (SimDrive& drive : drives)
      if (drive.letter == letter)
        return &drive;
    return nullptr;
  };
  std::error_code error;
  for (fs::directory_iterator it(machineFolder, error), end; !error && it != end;
       it.increment(error)) {
    std::string name = it->path().filename().string();
    if (name.size() == 1 && IsAsciiLetter(name[0]) && it->is_directory(error) &&
        find(UpperAscii(name[0])) == nullptr)
      drives.push_back(SimDrive{UpperAscii(name[0]), DriveKind::kFixed, "", true});
  }
  if (const IniSection* section = ini.Section("drives")) {
    for (const IniEntry& entry : section->entries) {
      const std::string& key = entry.key;
      if (!(key.size() == 2 && IsAsciiLetter(key[0]) && key[1] == ':'))
        throw IniError("machine.ini line " + std::to_string(entry.line) +
                       ": a drive is named as its letter and a colon (C:)");
      std::vector<std::string> fields = SplitOn(entry.value, '|');
      std::vector<std::string> words = Words(fields[0]);
      SimDrive drive{UpperAscii(key[0]), DriveKind::kFixed, "", true};
      if (fields.size() > 1)
        drive.label = fields[1];
      for (size_t i = 0; i < words.size(); ++i) {
        const std::string& word = words[i];
        if (i == 0 && EqualsIgnoreCase(word, "fixed"))
          drive.kind = DriveKind::kFixed;
        else if (i == 0 && EqualsIgnoreCase(word, "removable"))
          drive.kind = DriveKind::kRemovable;
        else if (i == 0 && EqualsIgnoreCase(word, "floppy"))
          drive.kind = DriveKind::kFloppy;
        else if (i == 0 && EqualsIgnoreCase(word, "cdrom"))
          drive.kind = DriveKind::kCdrom;
        else if (i > 0 && EqualsIgnoreCase(word, "empty") && drive.kind != DriveKind::kFixed)
          drive.hasMedium = false;
        else
          throw IniError("machine.ini line " + std::to_string(entry.line) +
                         ": a drive is fixed, removable, floppy or cdrom, a removable one "
                         "possibly empty");
      }
      if (words.empty())
        throw IniError("machine.ini line " + std::to_string(entry.line) + ": drive kind missing");
      if (SimDrive* existing = find(drive.letter))
        *existing = drive;
      else
        drives.push_back(drive);
    }
  }
  std::sort(drives.begin(), drives.end(),
            [](const SimDrive& a, const SimDrive& b) { return a.letter < b.letter; });
  return drives;
}

std::string ReadOnlyDriveLetters(const std::vector<SimDrive>& drives) {
  std::string letters;
  for (const SimDrive& drive : drives)
    if (drive.kind == DriveKind::kCdrom)
      letters += drive.letter;
  return letters;
}

}  // namespace talvex::sim
