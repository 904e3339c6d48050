// Decoding of in-memory JPEG pictures. The pictures are made by libjpeg's own compressor at test
// time, so the expected pixels are known.
#include "framework/jpeg_image.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <functional>

#include <jpeglib.h>

namespace talvex {
namespace {

// Compresses a picture whose pixels come from colour(x, y) (RGB, or one grey byte).
std::string EncodeJpeg(int width, int height, bool grey,
                       const std::function<void(int, int, uint8_t*)>& colour) {
  jpeg_compress_struct info{};
  jpeg_error_mgr errors{};
  info.err = jpeg_std_error(&errors);
  jpeg_create_compress(&info);
  unsigned char* out = nullptr;
  unsigned long outSize = 0;
  jpeg_mem_dest(&info, &out, &outSize);
  info.image_width = static_cast<JDIMENSION>(width);
  info.image_height = static_cast<JDIMENSION>(height);
  info.input_components = grey ? 1 : 3;
  info.in_color_space = grey ? JCS_GRAYSCALE : JCS_RGB;
  jpeg_set_defaults(&info);
  jpeg_set_quality(&info, 95, TRUE);
  jpeg_start_compress(&info, TRUE);
  std::vector<uint8_t> row(static_cast<size_t>(width) * (grey ? 1 : 3));
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x)
      colour(x, y, row.data() + x * (grey ? 1 : 3));
    JSAMPROW rows[1] = {row.data()};
    jpeg_write_scanlines(&info, rows, 1);
  }
  jpeg_finish_compress(&info);
  std::string bytes(reinterpret_cast<const char*>(out), outSize);
  jpeg_destroy_compress(&info);
  std::free(out);
  return bytes;
}

// Left half red, right half blue.
std::string RedBlue(int width, int height) {
  return EncodeJpeg(width, height, false, [width](int x, int, uint8_t* p) {
    p[0] = x < width / 2 ? 255 : 0;
    p[1] = 0;
    p[2] = x < width / 2 ? 0 : 255;
  });
}

void ExpectNear(const uint8_t* pixel, int r, int g, int b) {
  EXPECT_NEAR(pixel[0], r, 40);
  EXPECT_NEAR(pixel[1], g, 40);
  EXPECT_NEAR(pixel[2], b, 40);
}

TEST(JpegImageTest, DecodesColourPictureIntoRgbRows) {
  TJpegImage image = DecodeJpeg(RedBlue(32, 16));
  ASSERT_EQ(image.Width(), 32);
  ASSERT_EQ(image.Height(), 16);
  EXPECT_EQ(image.RowBytes(), 96u);
  EXPECT_EQ(image.Pixels().size(), 96u * 16u);
  ExpectNear(image.Row(3) + 2 * 3, 255, 0, 0);
  ExpectNear(image.Row(12) + 29 * 3, 0, 0, 255);
}

TEST(JpegImageTest, GreyPictureComesOutAsEqualRgbTriplets) {
  TJpegImage image =
      DecodeJpeg(EncodeJpeg(8, 8, true, [](int x, int, uint8_t* p) { *p = x < 4 ? 40 : 200; }));
  ASSERT_EQ(image.Width(), 8);
  const uint8_t* dark = image.Row(5) + 1 * 3;
  const uint8_t* light = image.Row(5) + 6 * 3;
  EXPECT_EQ(dark[0], dark[1]);
  EXPECT_EQ(dark[1], dark[2]);
  EXPECT_NEAR(dark[0], 40, 20);
  EXPECT_NEAR(light[0], 200, 20);
}

TEST(JpegImageTest, SizesThatAreNoMultipleOfTheBlockSize) {
  TJpegImage image = DecodeJpeg(RedBlue(3, 5));
  EXPECT_EQ(image.Width(), 3);
  EXPECT_EQ(image.Height(), 5);
  EXPECT_EQ(image.Pixels().size(), 3u * 3u * 5u);
  EXPECT_NO_THROW(image.Row(4));
  EXPECT_THROW(image.Row(5), std::out_of_range);
  EXPECT_THROW(image.Row(-1), std::out_of_range);
}

TEST(JpegImageTest, DataThatIsNoJpegIsAnErrorWithLibjpegsText) {
  EXPECT_THROW(DecodeJpeg(std::string()), EJpegError);
  try {
    DecodeJpeg(std::string("GIF89a, not a JPEG picture at all"));
    FAIL() << "no error";
  } catch (const EJpegError& error) {
    EXPECT_NE(std::string(error.what()), "");
  }
  // The same decoder state is used again after an error: nothing may be left over.
  EXPECT_EQ(DecodeJpeg(RedBlue(4, 4)).Width(), 4);
}

TEST(JpegImageTest, PictureCutShort) {
  // Red on top, busy noise below, so that the picture data outweighs the header's tables.
  std::string whole = EncodeJpeg(64, 64, false, [](int x, int y, uint8_t* p) {
    p[0] = y < 16 ? 255 : static_cast<uint8_t>(x * x * 31 + y * 17);
    p[1] = y < 16 ? 0 : static_cast<uint8_t>(x * 101 + y * y * 7);
    p[2] = y < 16 ? 0 : static_cast<uint8_t>(x * y * 13);
  });
  // Cut inside the header: nothing to decode.
  EXPECT_THROW(DecodeJpeg(whole.substr(0, 20)), EJpegError);
  // Cut inside the picture data: libjpeg fills the rest and warns; the size is still right.
  TJpegImage image = DecodeJpeg(whole.substr(0, whole.size() * 3 / 4));
  EXPECT_EQ(image.Width(), 64);
  EXPECT_EQ(image.Height(), 64);
  ExpectNear(image.Row(0), 255, 0, 0);
}

TEST(JpegImageTest, HeaderAskingForAHugePictureIsRefused) {
  std::string bytes = RedBlue(16, 16);
  // The baseline frame header: FF C0, length (2), precision (1), height (2), width (2).
  size_t sof = bytes.find("\xFF\xC0");
  ASSERT_NE(sof, std::string::npos);
  // 20000 x 20000: within libjpeg's own limits, far above the decoder's.
  for (size_t i : {sof + 5, sof + 7})
    bytes[i] = 0x4E;
  for (size_t i : {sof + 6, sof + 8})
    bytes[i] = 0x20;
  try {
    DecodeJpeg(bytes);
    FAIL() << "a 20000 x 20000 picture was accepted";
  } catch (const EJpegError& error) {
    // Refused for its size before anything is allocated, not for the data missing later.
    EXPECT_NE(std::string(error.what()).find("too large"), std::string::npos) << error.what();
  }
}

}  // namespace
}  // namespace talvex
