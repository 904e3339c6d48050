// What the Windows 98 installation copies, per driver: each file of the package's auto\win98
// folder and its place below the Windows folder.
#pragma once

#include <array>

namespace talvex {

struct CopiedFile {
  const char* source;  // in auto\win98
  const char* target;  // below the Windows folder
};

inline constexpr std::array<CopiedFile, 3> kMemoryStickFiles{
    {{"kvms.inf", "\\inf\\kvms.inf"},
     {"kvms.pdr", "\\system\\IOSUBSYS\\kvms.pdr"},
     {"kvmsicon.ico", "\\kvmsicon.ico"}}};
inline constexpr std::array<CopiedFile, 3> kSdCardFiles{
    {{"kvsd.inf", "\\inf\\kvsd.inf"},
     {"kvsd.pdr", "\\system\\IOSUBSYS\\kvsd.pdr"},
     {"kvsdicon.ico", "\\kvsdicon.ico"}}};
inline constexpr std::array<CopiedFile, 2> kSmartCardFiles{
    {{"kvscr.inf", "\\inf\\other\\Korvane Electronics CorpKVSCR.inf"},
     {"kvscr.sys", "\\system32\\drivers\\KVSCR.sys"}}};

}  // namespace talvex
