// The artwork the designs name, and the decoding of pictures and icon files: the program's own
// files decode to the sizes and colours the windows need, and damaged files are refused.
#include <gtest/gtest.h>

#include <set>
#include <string>
#include <tuple>

#include "framework/controls.h"
#include "framework/picture.h"
#include "framework/resources.h"

namespace talvex {
namespace {

std::string Embedded(const std::string& name) {
  std::optional<std::string> bytes = FindEmbeddedResource(name);
  EXPECT_TRUE(bytes.has_value()) << name;
  return bytes.value_or("");
}

std::set<std::tuple<int, int, int>> ColoursOf(const TJpegImage& image) {
  std::set<std::tuple<int, int, int>> colours;
  for (std::size_t i = 0; i + 2 < image.Pixels().size(); i += 3)
    colours.emplace(image.Pixels()[i], image.Pixels()[i + 1], image.Pixels()[i + 2]);
  return colours;
}

TEST(ArtworkTest, BackdropIsAColourJpegOfItsSizeAndNotOneFlatColour) {
  TImage image("Image1", nullptr);
  image.ApplyProperty({"Picture", std::string("Form1.jpg")});
  const TJpegImage* picture = image.Picture();
  ASSERT_NE(picture, nullptr);
  EXPECT_EQ(picture->Width(), 1576);
  EXPECT_EQ(picture->Height(), 1172);
  EXPECT_GT(ColoursOf(*picture).size(), 1000u);
  // Decoded once, then kept.
  EXPECT_EQ(image.Picture(), picture);
}

TEST(ArtworkTest, SidePictureHasSixteenColoursAtMost) {
  TJpegImage side = DecodePicture("side.bmp", Embedded("side.bmp"));
  EXPECT_EQ(side.Width(), 120);
  EXPECT_EQ(side.Height(), 258);
  EXPECT_LE(ColoursOf(side).size(), 16u);
  EXPECT_GT(ColoursOf(side).size(), 3u);
}

TEST(ArtworkTest, WindowIconsHold32And16PixelImagesOf16Colours) {
  for (const char* name : {"talvex.ico", "warning.ico"}) {
    std::string bytes = Embedded(name);
    std::vector<IconEntry> entries = ParseIconDirectory(bytes);
    ASSERT_EQ(entries.size(), 2u) << name;
    EXPECT_EQ(entries[0].width, 32);
    EXPECT_EQ(entries[0].height, 32);
    EXPECT_EQ(entries[1].width, 16);
    EXPECT_EQ(entries[1].height, 16);
    for (const IconEntry& entry : entries) {
      EXPECT_EQ(entry.colors, 16);
      // The image's own header says 4 bits per pixel.
      EXPECT_EQ(bytes[entry.offset + 14], 4);
    }
  }
  EXPECT_NE(Embedded("talvex.ico"), Embedded("warning.ico"));
}

TEST(ArtworkTest, DesignNamingAMissingPictureIsRefused) {
  TImage image("Image1", nullptr);
  EXPECT_THROW(image.ApplyProperty({"Picture", std::string("nothing.jpg")}), EDesignError);
  EXPECT_EQ(image.Picture(), nullptr);
  EXPECT_THROW(DecodePicture("Form1.gif", Embedded("Form1.jpg")), EPictureError);
}

// A bitmap file of the given depth and height sign, with a two-colour palette for depths up to 8.
std::string Bitmap(int width, int height, int bits, const std::string& pixels,
                   uint32_t compression = 0) {
  auto put32 = [](std::string& s, uint32_t v) {
    for (int i = 0; i < 4; ++i)
      s.push_back(static_cast<char>(v >> (8 * i)));
  };
  auto put16 = [](std::string& s, uint32_t v) {
    s.push_back(static_cast<char>(v));
    s.push_back(static_cast<char>(v >> 8));
  };
  std::string palette = bits <= 8 ? std::string("\x00\x00\xff\x00\xff\x00\x00\x00", 8) : "";
  std::string info;
  put32(info, 40);
  put32(info, static_cast<uint32_t>(width));
  put32(info, static_cast<uint32_t>(height));
  put16(info, 1);
  put16(info, static_cast<uint32_t>(bits));
  put32(info, compression);
  put32(info, static_cast<uint32_t>(pixels.size()));
  put32(info, 0);
  put32(info, 0);
  put32(info, bits <= 8 ? 2 : 0);
  put32(info, 0);
  std::string file = "BM";
  const auto offset = static_cast<uint32_t>(14 + info.size() + palette.size());
  put32(file, offset + static_cast<uint32_t>(pixels.size()));
  put32(file, 0);
  put32(file, offset);
  return file + info + palette + pixels;
}

TEST(BitmapDecodeTest, RowsComeOutTopFirstWhicheverWayTheFileStoresThem) {
  // Two rows of two 1-bit pixels: palette 0 red, 1 blue. Bottom-up file: the last row first.
  std::string rows("\x40\0\0\0\x80\0\0\0", 8);  // bottom row: 0 1; top row: 1 0
  TJpegImage bottomUp = DecodeBmp(Bitmap(2, 2, 1, rows));
  const uint8_t expected[] = {0, 0, 255, 255, 0, 0, 255, 0, 0, 0, 0, 255};
  ASSERT_EQ(bottomUp.Pixels().size(), sizeof expected);
  EXPECT_TRUE(std::equal(bottomUp.Pixels().begin(), bottomUp.Pixels().end(), expected));

  TJpegImage topDown = DecodeBmp(Bitmap(2, -2, 1, std::string("\x80\0\0\0\x40\0\0\0", 8)));
  EXPECT_EQ(topDown.Pixels(), bottomUp.Pixels());

  // 24 bits: blue, green, red in the file.
  TJpegImage direct = DecodeBmp(Bitmap(1, 1, 24, std::string("\x01\x02\x03\0", 4)));
  EXPECT_EQ(direct.Pixels(), (std::vector<uint8_t>{3, 2, 1}));
}

TEST(BitmapDecodeTest, DamagedOrUnsupportedFilesAreRefused) {
  const std::string good = Bitmap(2, 2, 1, std::string(8, '\0'));
  EXPECT_NO_THROW(DecodeBmp(good));
  for (std::size_t cut : {std::size_t{0}, std::size_t{10}, std::size_t{30}, good.size() - 1})
    EXPECT_THROW(DecodeBmp(good.substr(0, cut)), EPictureError) << cut;
  EXPECT_THROW(DecodeBmp(Bitmap(2, 2, 4, std::string(8, '\0'), /*compression=*/2)), EPictureError);
  EXPECT_THROW(DecodeBmp(Bitmap(2, 2, 16, std::string(8, '\0'))), EPictureError);
  EXPECT_THROW(DecodeBmp(Bitmap(0, 2, 24, std::string(8, '\0'))), EPictureError);
  // A height so large that the pixel count would overflow a careless check.
  EXPECT_THROW(DecodeBmp(Bitmap(0x10000, 0x10000, 24, std::string(8, '\0'))), EPictureError);
  // A 4-bit pixel naming colour 15 of a two-colour palette.
  EXPECT_THROW(DecodeBmp(Bitmap(1, 1, 4, std::string("\xf0\0\0\0", 4))), EPictureError);
}

TEST(IconDirectoryTest, DamagedIconFilesAreRefused) {
  const std::string icon = Embedded("talvex.ico");
  EXPECT_THROW(ParseIconDirectory(""), EPictureError);
  EXPECT_THROW(ParseIconDirectory(icon.substr(0, 20)), EPictureError);   // directory cut
  EXPECT_THROW(ParseIconDirectory(icon.substr(0, 100)), EPictureError);  // images cut
  std::string cursor = icon;
  cursor[2] = 2;  // a cursor file, not an icon
  EXPECT_THROW(ParseIconDirectory(cursor), EPictureError);
  std::string empty = icon;
  empty[4] = 0;
  EXPECT_THROW(ParseIconDirectory(empty), EPictureError);
}

}  // namespace
}  // namespace talvex
