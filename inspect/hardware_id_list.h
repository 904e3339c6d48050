// A device's hardware-ID list as the platform returns it: zero-terminated texts one after the
// other, ended by an empty text.
#pragma once

#include <cstdint>
#include <cstring>
#include <span>
#include <string_view>

namespace talvex {

enum class HardwareIdScope {
  kEveryEntry,  // any entry of a device's hardware-ID list may match
  kFirstEntry,  // only the first entry is compared
};

// Calls visit with each entry of the list held in `list` (exactly the bytes the platform
// reported), where it lies, until visit answers true; true when it did. With kEveryEntry the walk
// stops at the first empty entry; with kFirstEntry only the first text is visited, also when it is
// empty. An entry ends at its zero byte or at the end of the reported bytes, whichever comes
// first: nothing past them is read, so bytes a buffer still holds from an earlier, longer list
// never become part of an entry.
template <typename Visit>
bool AnyHardwareId(std::span<const uint8_t> list, HardwareIdScope scope, Visit visit) {
  const char* data = reinterpret_cast<const char*>(list.data());
  size_t end = list.size();
  auto entryAt = [&](size_t offset) {
    const void* zero = std::memchr(data + offset, 0, end - offset);
    size_t length = zero != nullptr
                        ? static_cast<size_t>(static_cast<const char*>(zero) - (data + offset))
                        : end - offset;
    return std::string_view(data + offset, length);
  };
  if (scope == HardwareIdScope::kFirstEntry)
    return visit(end == 0 ? std::string_view() : entryAt(0));
  for (size_t offset = 0; offset < end && data[offset] != '\0';) {
    std::string_view entry = entryAt(offset);
    offset += entry.size() + 1;
    if (visit(entry))
      return true;
  }
  return false;
}

}  // namespace talvex
