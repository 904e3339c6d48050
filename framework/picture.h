// Pictures of the window designs: the embedded files that images and window icons show, decoded
// into plain pixels (JPEG through libjpeg, uncompressed BMP here) or, for icons, into the list of
// images an icon file holds.
#pragma once

#include <cstddef>
#include <cstdint>
#include <stdexcept>
#include <string>
#include <vector>

#include "framework/jpeg_image.h"

namespace talvex {

class EPictureError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// Decodes an uncompressed Windows bitmap file (1, 4 or 8 bits per pixel with a palette, or 24 or
// 32 bits) into RGB pixels, top row first. Throws EPictureError for anything else, for a file that
// is cut short, and for pictures larger than kMaxJpegPixels.
TJpegImage DecodeBmp(const std::string& bytes);

// Decodes an embedded picture by its file name: ".jpg"/".jpeg" as JPEG, ".bmp" as bitmap (any
// letter case). Throws EPictureError for another kind of name, EJpegError or EPictureError for
// data that does not decode.
TJpegImage DecodePicture(const std::string& name, const std::string& bytes);

// One image of an icon file: its size in pixels, colours (0: more than 255) and where its bitmap
// lies in the file.
struct IconEntry {
  int width = 0;
  int height = 0;
  int colors = 0;
  std::size_t offset = 0;
  std::size_t size = 0;
};

// The directory of a Windows icon file. Throws EPictureError when the file is no icon file, holds
// no image, or names an image outside the file.
std::vector<IconEntry> ParseIconDirectory(const std::string& bytes);

}  // namespace talvex
