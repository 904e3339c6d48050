// Decoding of JPEG pictures held in memory (the backdrop artwork) into 24-bit RGB pixels.
#pragma once

#include <cstddef>
#include <cstdint>
#include <stdexcept>
#include <string>
#include <vector>

namespace talvex {

class EJpegError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// A decoded picture: rows from top to bottom, each Width() * 3 bytes of red, green and blue.
class TJpegImage {
 public:
  TJpegImage() = default;
  TJpegImage(int width, int height, std::vector<uint8_t> pixels);

  int Width() const { return width_; }
  int Height() const { return height_; }
  std::size_t RowBytes() const { return static_cast<std::size_t>(width_) * 3; }
  const std::vector<uint8_t>& Pixels() const { return pixels_; }
  // The first byte of row y; throws std::out_of_range for a row outside the picture.
  const uint8_t* Row(int y) const;

 private:
  int width_ = 0;
  int height_ = 0;
  std::vector<uint8_t> pixels_;
};

// Decodes a whole JPEG file image. Grey pictures come out as RGB too. Throws EJpegError with
// libjpeg's own text when the data is not a JPEG picture that can be decoded, or when the picture
// is larger than kMaxJpegPixels.
TJpegImage DecodeJpeg(const uint8_t* data, std::size_t size);
inline TJpegImage DecodeJpeg(const std::string& bytes) {
  return DecodeJpeg(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size());
}

// A limit far above any backdrop, so that a damaged header cannot ask for gigabytes.
inline constexpr std::size_t kMaxJpegPixels = 16u * 1024u * 1024u;

}  // namespace talvex
