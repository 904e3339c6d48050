#include "framework/picture.h"

#include <algorithm>
#include <cctype>

namespace talvex {

namespace {

uint32_t Read16(const std::string& bytes, std::size_t at) {
  if (at + 2 > bytes.size())
    throw EPictureError("picture file cut short");
  return static_cast<uint32_t>(static_cast<uint8_t>(bytes[at]) | static_cast<uint8_t>(bytes[at + 1])
                                                                     << 8);
}

uint32_t Read32(const std::string& bytes, std::size_t at) {
  return Read16(bytes, at) | Read16(bytes, at + 2) << 16;
}

std::string LowerExtension(const std::string& name) {
  std::size_t dot = name.find_last_of('.');
  std::string extension = dot == std::string::npos ? "" : name.substr(dot + 1);
  std::transform(extension.begin(), extension.end(), extension.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return extension;
}

}  // namespace

TJpegImage DecodeBmp(const std::string& bytes) {
  constexpr std::size_t kFileHeader = 14;
  if (bytes.size() < kFileHeader || bytes[0] != 'B' || bytes[1] != 'M')
    throw EPictureError("not a bitmap file");
  const std::size_t pixelOffset = Read32(bytes, 10);
  const std::size_t infoSize = Read32(bytes, kFileHeader);
  if (infoSize < 40)
    throw EPictureError("bitmap header of an unsupported kind");
  const auto width = static_cast<int32_t>(Read32(bytes, kFileHeader + 4));
  const auto rawHeight = static_cast<int32_t>(Read32(bytes, kFileHeader + 8));
  const uint32_t bits = Read16(bytes, kFileHeader + 14);
  const uint32_t compression = Read32(bytes, kFileHeader + 16);
  uint32_t paletteSize = Read32(bytes, kFileHeader + 32);
  if (compression != 0)
    throw EPictureError("compressed bitmaps are not supported");
  if (bits != 1 && bits != 4 && bits != 8 && bits != 24 && bits != 32)
    throw EPictureError("bitmap of an unsupported colour depth");
  // Rows are stored bottom-up unless the height is negative.
  const bool topDown = rawHeight < 0;
  const int64_t height = topDown ? -static_cast<int64_t>(rawHeight) : rawHeight;
  if (width <= 0 || height <= 0 ||
      static_cast<uint64_t>(width) > kMaxJpegPixels / static_cast<uint64_t>(height))
    throw EPictureError("bitmap of an unusable size");

  std::vector<uint8_t> palette;  // RGB triples
  if (bits <= 8) {
    const uint32_t most = 1u << bits;
    if (paletteSize == 0 || paletteSize > most)
      paletteSize = most;
    const std::size_t paletteAt = kFileHeader + infoSize;
    if (paletteAt + std::size_t{paletteSize} * 4 > bytes.size())
      throw EPictureError("bitmap palette cut short");
    for (uint32_t i = 0; i < paletteSize; ++i) {
      const std::size_t at = paletteAt + std::size_t{i} * 4;
      palette.push_back(static_cast<uint8_t>(bytes[at + 2]));
      palette.push_back(static_cast<uint8_t>(bytes[at + 1]));
      palette.push_back(static_cast<uint8_t>(bytes[at]));
    }
  }

  const auto w = static_cast<std::size_t>(width);
  const auto h = static_cast<std::size_t>(height);
  const std::size_t stride = (w * bits + 31) / 32 * 4;
  if (pixelOffset > bytes.size() || (bytes.size() - pixelOffset) / stride < h)
    throw EPictureError("bitmap pixels cut short");

  std::vector<uint8_t> pixels(w * h * 3);
  for (std::size_t y = 0; y < h; ++y) {
    const std::size_t fileRow = topDown ? y : h - 1 - y;
    const auto* row =
        reinterpret_cast<const uint8_t*>(bytes.data()) + pixelOffset + fileRow * stride;
    uint8_t* out = pixels.data() + y * w * 3;
    for (std::size_t x = 0; x < w; ++x, out += 3) {
      if (bits >= 24) {
        const uint8_t* p = row + x * (bits / 8);
        out[0] = p[2];
        out[1] = p[1];
        out[2] = p[0];
        continue;
      }
      const std::size_t bit = x * bits;
      const unsigned shift = static_cast<unsigned>(8 - bits - bit % 8);
      const unsigned index = (row[bit / 8] >> shift) & ((1u << bits) - 1);
      if (index * 3 >= palette.size())
        throw EPictureError("bitmap pixel outside its palette");
      std::copy_n(palette.begin() + index * 3, 3, out);
    }
  }
  return TJpegImage(width, static_cast<int>(height), std::move(pixels));
}

TJpegImage DecodePicture(const std::string& name, const std::string& bytes) {
  const std::string extension = LowerExtension(name);
  if (extension == "jpg" || extension == "jpeg")
    return DecodeJpeg(bytes);
  if (extension == "bmp")
    return DecodeBmp(bytes);
  throw EPictureError("picture " + name + " is neither JPEG nor bitmap");
}

std::vector<IconEntry> ParseIconDirectory(const std::string& bytes) {
  if (bytes.size() < 6 || Read16(bytes, 0) != 0 || Read16(bytes, 2) != 1)
    throw EPictureError("not an icon file");
  const uint32_t count = Read16(bytes, 4);
  if (count == 0)
    throw EPictureError("icon file without images");
  std::vector<IconEntry> entries;
  for (uint32_t i = 0; i < count; ++i) {
    const std::size_t at = 6 + std::size_t{i} * 16;
    if (at + 16 > bytes.size())
      throw EPictureError("icon directory cut short");
    IconEntry entry;
    // A stored 0 means 256 pixels.
    entry.width = static_cast<uint8_t>(bytes[at]) == 0 ? 256 : static_cast<uint8_t>(bytes[at]);
    entry.height =
        static_cast<uint8_t>(bytes[at + 1]) == 0 ? 256 : static_cast<uint8_t>(bytes[at + 1]);
    entry.colors = static_cast<uint8_t>(bytes[at + 2]);
    entry.size = Read32(bytes, at + 8);
    entry.offset = Read32(bytes, at + 12);
    if (entry.size == 0 || entry.offset > bytes.size() || entry.size > bytes.size() - entry.offset)
      throw EPictureError("icon image outside the file");
    entries.push_back(entry);
  }
  return entries;
}

}  // namespace talvex
