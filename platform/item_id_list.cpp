#include "platform/item_id_list.h"

#include <cstring>
#include <stdexcept>

namespace talvex {

uint16_t ILItemSize(PCIDL item) {
  if (item == nullptr)
    return 0;
  return static_cast<uint16_t>(item[0] | (item[1] << 8));
}

bool ILIsEmpty(PCIDL pidl) {
  return ILItemSize(pidl) == 0;
}

PCIDL ILNext(PCIDL pidl) {
  uint16_t size = ILItemSize(pidl);
  if (size == 0)
    return nullptr;
  return pidl + size;
}

size_t ILGetSize(PCIDL pidl) {
  if (pidl == nullptr)
    return 0;
  size_t total = 0;
  for (PCIDL item = pidl; ILItemSize(item) != 0; item += ILItemSize(item))
    total += ILItemSize(item);
  return total + kIdListTerminatorSize;
}

size_t ILItemCount(PCIDL pidl) {
  size_t count = 0;
  for (PCIDL item = pidl; ILItemSize(item) != 0; item += ILItemSize(item))
    ++count;
  return count;
}

PCIDL ILFindLastID(PCIDL pidl) {
  if (pidl == nullptr)
    return nullptr;
  PCIDL last = pidl;
  for (PCIDL item = pidl; ILItemSize(item) != 0; item += ILItemSize(item))
    last = item;
  return last;
}

std::optional<size_t> ILCheckedSize(const uint8_t* data, size_t capacity) {
  if (data == nullptr)
    return std::nullopt;
  size_t offset = 0;
  for (;;) {
    if (capacity - offset < kIdListTerminatorSize)
      return std::nullopt;
    size_t size = static_cast<size_t>(data[offset] | (data[offset + 1] << 8));
    if (size == 0)
      return offset + kIdListTerminatorSize;
    // An item holds at least its own size field, and must end inside the block.
    if (size < kIdListTerminatorSize || size > capacity - offset)
      return std::nullopt;
    offset += size;
  }
}

namespace {

void AppendItems(std::vector<uint8_t>& out, PCIDL pidl) {
  if (pidl == nullptr)
    return;
  size_t bytes = ILGetSize(pidl) - kIdListTerminatorSize;
  out.insert(out.end(), pidl, pidl + bytes);
}

void Terminate(std::vector<uint8_t>& out) {
  out.insert(out.end(), kIdListTerminatorSize, 0);
}

}  // namespace

std::vector<uint8_t> ILCombine(PCIDL parent, PCIDL child) {
  std::vector<uint8_t> out;
  AppendItems(out, parent);
  AppendItems(out, child);
  Terminate(out);
  return out;
}

std::vector<uint8_t> ILAppendFirstItem(PCIDL parent, PCIDL child) {
  std::vector<uint8_t> out;
  AppendItems(out, parent);
  uint16_t size = ILItemSize(child);
  if (size != 0)
    out.insert(out.end(), child, child + size);
  Terminate(out);
  return out;
}

std::vector<uint8_t> ILWithoutLastItem(PCIDL pidl) {
  std::vector<uint8_t> out;
  if (!ILIsEmpty(pidl)) {
    PCIDL last = ILFindLastID(pidl);
    out.insert(out.end(), pidl, last);
  }
  Terminate(out);
  return out;
}

std::vector<uint8_t> ILFromItemBytes(std::string_view bytes) {
  size_t size = bytes.size() + kIdListTerminatorSize;
  if (size > 0xFFFF)
    throw std::length_error("item ID too long");
  std::vector<uint8_t> out;
  out.reserve(size + kIdListTerminatorSize);
  out.push_back(static_cast<uint8_t>(size & 0xFF));
  out.push_back(static_cast<uint8_t>(size >> 8));
  out.insert(out.end(), bytes.begin(), bytes.end());
  Terminate(out);
  return out;
}

std::string_view ILItemBytes(PCIDL item) {
  uint16_t size = ILItemSize(item);
  if (size < kIdListTerminatorSize)
    return {};
  return {reinterpret_cast<const char*>(item) + kIdListTerminatorSize,
          size - kIdListTerminatorSize};
}

}  // namespace talvex
