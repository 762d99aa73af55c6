// Screenshots as PNG files, read back with libpng.
#include "host/screen/png_writer.h"

#include <SDL.h>
#include <gtest/gtest.h>
#include <png.h>
#include <unistd.h>

#include <filesystem>
#include <vector>

#include "host/screen/screen_renderer.h"
#include "tests/host/screen/panel_fixture.h"
#include "tests/support/temp_folder.h"

namespace host::screen {
namespace {

namespace fs = std::filesystem;

struct Image {
  int width = 0;
  int height = 0;
  std::vector<png_byte> rgb;
  Rgb At(int x, int y) const {
    const png_byte* p = &rgb[(static_cast<std::size_t>(y) * width + x) * 3];
    return {p[0], p[1], p[2]};
  }
};

std::optional<Image> ReadPng(const std::string& path) {
  png_image image{};
  image.version = PNG_IMAGE_VERSION;
  if (png_image_begin_read_from_file(&image, path.c_str()) == 0) return std::nullopt;
  image.format = PNG_FORMAT_RGB;
  Image out{static_cast<int>(image.width), static_cast<int>(image.height), {}};
  out.rgb.resize(PNG_IMAGE_SIZE(image));
  if (png_image_finish_read(&image, nullptr, out.rgb.data(), 0, nullptr) == 0) return std::nullopt;
  return out;
}

class PngTest : public ::testing::Test {
 protected:
  test_support::TempFolder m_temp{"qv-png"};
  std::string m_dir = m_temp.string();
};

TEST_F(PngTest, WritesThePixelsAsTheyAre) {
  SDL_Surface* surface = SDL_CreateRGBSurfaceWithFormat(0, 3, 2, 32, SDL_PIXELFORMAT_XRGB8888);
  ASSERT_NE(nullptr, surface);
  SDL_FillRect(surface, nullptr, SDL_MapRGB(surface->format, 10, 20, 30));
  SDL_Rect corner{2, 1, 1, 1};
  SDL_FillRect(surface, &corner, SDL_MapRGB(surface->format, 250, 128, 0));
  std::string path = m_dir + "/pixels.png";
  EXPECT_TRUE(WritePng(surface, path));
  SDL_FreeSurface(surface);

  std::optional<Image> image = ReadPng(path);
  ASSERT_TRUE(image.has_value());
  EXPECT_EQ(3, image->width);
  EXPECT_EQ(2, image->height);
  EXPECT_EQ((Rgb{10, 20, 30}), image->At(0, 0));
  EXPECT_EQ((Rgb{250, 128, 0}), image->At(2, 1));
}

TEST_F(PngTest, ScreenshotOfThePanelHasTheWorkAreasSize) {
  VirtualClock clock;
  Handset handset(clock);
  screen_test::Panel panel;
  std::string path = m_dir + "/panel.png";
  ASSERT_TRUE(SaveScreenshot(CaptureScreen(handset), path));
  std::optional<Image> image = ReadPng(path);
  ASSERT_TRUE(image.has_value());
  EXPECT_EQ(480, image->width);
  EXPECT_EQ(720, image->height);
}

TEST_F(PngTest, ReportsWhatWentWrong) {
  SDL_Surface* surface = SDL_CreateRGBSurfaceWithFormat(0, 1, 1, 32, SDL_PIXELFORMAT_XRGB8888);
  Status written = WritePng(surface, m_dir + "/no/such/folder/x.png");
  SDL_FreeSurface(surface);
  ASSERT_FALSE(written);
  EXPECT_NE(std::string::npos, written.error().message().find("no/such/folder"))
      << written.error().message();
  EXPECT_FALSE(WritePng(nullptr, m_dir + "/x.png"));

  ScreenRendererOptions options;
  options.fontPath = m_dir + "/missing.ttf";
  EXPECT_FALSE(SaveScreenshot(ScreenView{{0, 0, 10, 10}, {}, {}}, m_dir + "/y.png", options));
  EXPECT_FALSE(fs::exists(m_dir + "/y.png"));
}

}  // namespace
}  // namespace host::screen
