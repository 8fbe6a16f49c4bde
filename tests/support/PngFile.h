// A PNG file written for a test and removed with the object.
#pragma once

#include <array>
#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include <gtest/gtest.h>
#include <png.h>

namespace Obrisk::Testing {

// A PNG file of `width` x `height` pixels of one RGBA colour (by default
// red, half transparent), named after the test run so that runs do not meet.
class PngFile {
 public:
  PngFile(int width, int height, std::array<std::uint8_t, 4> rgba = {255, 0, 0, 128})
      : path_(std::filesystem::temp_directory_path() /
              ("quenvara-test-" +
               std::to_string(::testing::UnitTest::GetInstance()->random_seed()) + "-" +
               std::to_string(width) + "x" + std::to_string(height) + ".png")) {
    png_image png{};
    png.version = PNG_IMAGE_VERSION;
    png.width = static_cast<png_uint_32>(width);
    png.height = static_cast<png_uint_32>(height);
    png.format = PNG_FORMAT_RGBA;
    std::vector<std::uint8_t> pixels;
    for (int i = 0; i < width * height; ++i) pixels.insert(pixels.end(), rgba.begin(), rgba.end());
    EXPECT_NE(png_image_write_to_file(&png, path_.string().c_str(), 0, pixels.data(), 0, nullptr),
              0);
  }
  ~PngFile() { std::filesystem::remove(path_); }
  PngFile(const PngFile&) = delete;
  PngFile& operator=(const PngFile&) = delete;
  std::string Path() const { return path_.string(); }

 private:
  std::filesystem::path path_;
};

}  // namespace Obrisk::Testing
