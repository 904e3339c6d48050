#include "framework/jpeg_image.h"

#include <csetjmp>
#include <cstdio>  // jpeglib.h needs FILE

#include <jpeglib.h>

namespace talvex {

namespace {

// libjpeg reports a fatal error by calling error_exit, which must not return. A C++ exception
// cannot travel through libjpeg's C frames, so error_exit jumps back to the setjmp in Decode;
// only libjpeg's frames lie between, and they own no C++ objects.
struct ErrorManager {
  jpeg_error_mgr pub;
  std::jmp_buf jump;
  char message[JMSG_LENGTH_MAX];
};

extern "C" void JpegErrorExit(j_common_ptr cinfo) {
  auto* errors = reinterpret_cast<ErrorManager*>(cinfo->err);
  (*cinfo->err->format_message)(cinfo, errors->message);
  std::longjmp(errors->jump, 1);
}

// Warnings (for example a picture cut short, whose rest libjpeg fills with grey) are not fatal,
// and a GUI program has nowhere to print them.
extern "C" void JpegOutputMessage(j_common_ptr) {}

// The decompressor and its error manager; jpeg_destroy_decompress also releases everything after
// an error jumped out of libjpeg.
class Decompressor {
 public:
  Decompressor() {
    info_.err = jpeg_std_error(&errors_.pub);
    errors_.pub.error_exit = JpegErrorExit;
    errors_.pub.output_message = JpegOutputMessage;
    errors_.message[0] = '\0';
  }
  ~Decompressor() {
    if (created_)
      jpeg_destroy_decompress(&info_);
  }
  Decompressor(const Decompressor&) = delete;
  Decompressor& operator=(const Decompressor&) = delete;

  jpeg_decompress_struct& info() { return info_; }
  ErrorManager& errors() { return errors_; }
  void MarkCreated() { created_ = true; }
  // A failure found by this file's own checks rather than by libjpeg.
  bool Fail(const char* text) {
    std::snprintf(errors_.message, sizeof errors_.message, "%s", text);
    return false;
  }

 private:
  ErrorManager errors_{};
  jpeg_decompress_struct info_{};
  bool created_ = false;
};

// Runs every libjpeg call of a decode. Returns false after a libjpeg error; the text is in the
// error manager. Everything that outlives a jump (decompressor, output) belongs to the caller, and
// nothing that needs destroying is created here after the setjmp, so the jump skips no destructor.
bool DecodeInto(Decompressor& d, const uint8_t* data, std::size_t size, int& width, int& height,
                std::vector<uint8_t>& pixels) {
  jpeg_decompress_struct& info = d.info();
  if (setjmp(d.errors().jump) != 0)
    return false;

  jpeg_create_decompress(&info);
  d.MarkCreated();
  jpeg_mem_src(&info, data, static_cast<unsigned long>(size));
  jpeg_read_header(&info, TRUE);
  info.out_color_space = JCS_RGB;
  // The size is checked before libjpeg allocates anything for the picture.
  jpeg_calc_output_dimensions(&info);
  const std::size_t w = info.output_width;
  const std::size_t h = info.output_height;
  if (w == 0 || h == 0 || w > kMaxJpegPixels / h)
    return d.Fail("JPEG picture too large to decode");
  jpeg_start_decompress(&info);
  if (info.output_components != 3 || info.output_width != w || info.output_height != h)
    return d.Fail("JPEG picture cannot be converted to RGB");
  const std::size_t rowBytes = w * 3;
  pixels.resize(rowBytes * h);

  while (info.output_scanline < info.output_height) {
    JSAMPROW row = pixels.data() + rowBytes * info.output_scanline;
    // Reading from memory never suspends, so no row read means the data is unusable.
    if (jpeg_read_scanlines(&info, &row, 1) != 1)
      return d.Fail("JPEG picture data ends early");
  }
  jpeg_finish_decompress(&info);
  width = static_cast<int>(w);
  height = static_cast<int>(h);
  return true;
}

}  // namespace

TJpegImage::TJpegImage(int width, int height, std::vector<uint8_t> pixels)
    : width_(width), height_(height), pixels_(std::move(pixels)) {}

const uint8_t* TJpegImage::Row(int y) const {
  if (y < 0 || y >= height_)
    throw std::out_of_range("row outside the picture");
  return pixels_.data() + RowBytes() * static_cast<std::size_t>(y);
}

TJpegImage DecodeJpeg(const uint8_t* data, std::size_t size) {
  if (data == nullptr || size == 0)
    throw EJpegError("empty JPEG data");
  if constexpr (sizeof(std::size_t) > sizeof(unsigned long)) {
    if (size > static_cast<std::size_t>(static_cast<unsigned long>(-1)))
      throw EJpegError("JPEG data too large");
  }
  Decompressor decompressor;
  std::vector<uint8_t> pixels;
  int width = 0;
  int height = 0;
  if (!DecodeInto(decompressor, data, size, width, height, pixels))
    throw EJpegError(decompressor.errors().message);
  return TJpegImage(width, height, std::move(pixels));
}

}  // namespace talvex
