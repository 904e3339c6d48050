// The chip's drivers: their hardware IDs in the order installed and their INF file names.
#pragma once

#include <array>

namespace talvex {

struct ChipDriver {
  std::array<const char*, 2> hardwareIds;
  const char* infWinMe;      // under auto\winme\ .
  const char* infWin2000XP;  // under auto\win2k\ or auto\winxp\ .
  bool storage;              // a removable-drive driver: its icon entries are reset after it
};

inline constexpr ChipDriver kMemoryStickDriver{
    {"*KVE0515", "*KVE0516"}, "kvms.inf", "KVMS.INF", true};
inline constexpr ChipDriver kSdCardDriver{{"*KVE0517", "*KVE0518"}, "kvsd.inf", "kvsd.inf", true};
inline constexpr ChipDriver kSmartCardDriver{
    {"*KVE0513", "*KVE0519"}, "kvscr.inf", "kvscr.inf", false};

}  // namespace talvex
