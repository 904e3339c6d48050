// Item ID lists: the shell's names for items, as byte blocks. Each item starts with its own size
// (16 bits, little-endian, the size field included) followed by the shell's bytes for it; the list
// ends with two zero bytes. An absolute list names an item from the desktop down, a relative one
// from some folder; the desktop itself is the empty list (the terminator alone).
//
// The helpers that take only a pointer trust the list to be well formed, as every list the shell
// hands out is. Lists from elsewhere (a file, a message) are checked with ILCheckedSize first.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string_view>
#include <vector>

namespace talvex {

using PIDL = uint8_t*;         // an item ID list, by its first byte
using PCIDL = const uint8_t*;  // the same, read only

inline constexpr size_t kIdListTerminatorSize = 2;

// The size field of the item that starts at item: 0 at the terminator, and for a null list.
uint16_t ILItemSize(PCIDL item);
// True for a null list and for the empty list (the desktop).
bool ILIsEmpty(PCIDL pidl);
// The item after the first one; null when the list is empty or null.
PCIDL ILNext(PCIDL pidl);
// Bytes of the whole list with its terminator, as Windows' ILGetSize counts: 2 for the empty
// list, 0 for null.
size_t ILGetSize(PCIDL pidl);
// Number of items before the terminator.
size_t ILItemCount(PCIDL pidl);
// The last item of the list (the terminator itself for an empty list); null for null.
PCIDL ILFindLastID(PCIDL pidl);

// The bounds-checked walk: the size of the list with its terminator when a whole well-formed list
// lies within the capacity bytes at data, nothing otherwise (an item shorter than its size field,
// an item or the terminator running past the end).
std::optional<size_t> ILCheckedSize(const uint8_t* data, size_t capacity);

// New blocks, terminator included.
// The whole of parent followed by the whole of child (either may be null or empty).
std::vector<uint8_t> ILCombine(PCIDL parent, PCIDL child);
// The whole of parent followed by the first item of child only.
std::vector<uint8_t> ILAppendFirstItem(PCIDL parent, PCIDL child);
// A copy of the list without its last item (the empty list stays empty).
std::vector<uint8_t> ILWithoutLastItem(PCIDL pidl);
// A list of one item holding the given bytes after its size field. Throws std::length_error when
// the bytes do not fit a 16-bit size.
std::vector<uint8_t> ILFromItemBytes(std::string_view bytes);
// The bytes of one item after its size field.
std::string_view ILItemBytes(PCIDL item);

}  // namespace talvex
