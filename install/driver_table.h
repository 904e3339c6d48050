// The chip's functions and drivers: their hardware IDs in the order installed and their INF file
// names.
#pragma once

#include <array>

namespace talvex {

enum class ChipFunction { kMemoryStick, kSdCard, kSmartCard };

struct ChipDriver {
  ChipFunction function;
  std::array<const char*, 2> hardwareIds;
  const char* infWinMe;      // under auto\winme\ .
  const char* infWin2000XP;  // under auto\win2k\ or auto\winxp\ .
  bool storage;              // a removable-drive driver: its icon entries are reset after it
};

inline constexpr ChipDriver kMemoryStickDriver{
    ChipFunction::kMemoryStick, {"*KVE0515", "*KVE0516"}, "kvms.inf", "KVMS.INF", true};
inline constexpr ChipDriver kSdCardDriver{
    ChipFunction::kSdCard, {"*KVE0517", "*KVE0518"}, "kvsd.inf", "kvsd.inf", true};
inline constexpr ChipDriver kSmartCardDriver{
    ChipFunction::kSmartCard, {"*KVE0513", "*KVE0519"}, "kvscr.inf", "kvscr.inf", false};

// The order of the start-up presence search: smart card, Memory Stick, SD.
inline constexpr std::array<const ChipDriver*, 3> kPresenceSearchOrder{
    &kSmartCardDriver, &kMemoryStickDriver, &kSdCardDriver};

}  // namespace talvex
