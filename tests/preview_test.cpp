// The README's pictures and the web page draw a frame alike: farrowgate-preview's
// PNG of a frame is, pixel for pixel, what the page's cells-to-pixels makes of it.
#include <gtest/gtest.h>
#include <png.h>

#include <cstring>
#include <fstream>
#include <random>
#include <vector>

#include "console/cell_glyphs.h"
#include "console/cell_pixels.h"
#include "tests/test_support.h"

namespace fg {
namespace {

TEST(Preview, DrawsAFrameAsTheWebPageDoes) {
    // Every glyph the game writes, and a few it does not, in every colour pair.
    const uint16_t glyphs[] = {0,          ' ',        LIGHT_SHADE, MEDIUM_SHADE,
                               DARK_SHADE, FULL_BLOCK, 'A',         0x0100 | DARK_SHADE};
    std::mt19937 random(19);
    std::vector<CHAR_INFO> cells(SCREEN_WIDTH * SCREEN_HEIGHT);
    for (size_t i = 0; i < cells.size(); ++i)
        cells[i] = {glyphs[random() % std::size(glyphs)],
                    static_cast<uint16_t>(i < 256 ? i : random() % 256)};

    test::TempFolder dir;
    {
        std::ofstream frames(dir / "one.frames", std::ios::binary);
        for (const CHAR_INFO& cell : cells) {
            const char bytes[4] = {
                static_cast<char>(cell.character & 0xFF), static_cast<char>(cell.character >> 8),
                static_cast<char>(cell.attributes & 0xFF), static_cast<char>(cell.attributes >> 8)};
            frames.write(bytes, 4);
        }
    }
    const std::string command = test::ShellWord(FARROWGATE_PREVIEW) + " frame " +
                                test::ShellWord(dir / "one.frames") + " 0 " +
                                test::ShellWord(dir / "one.png");
    ASSERT_EQ(test::RunCommand(command), 0) << command;

    png_image image;
    std::memset(&image, 0, sizeof image);
    image.version = PNG_IMAGE_VERSION;
    ASSERT_TRUE(png_image_begin_read_from_file(&image, (dir / "one.png").string().c_str())) << image.message;
    image.format = PNG_FORMAT_RGBA;
    ASSERT_EQ(image.width, static_cast<png_uint_32>(PICTURE_WIDTH));
    ASSERT_EQ(image.height, static_cast<png_uint_32>(PICTURE_HEIGHT));
    std::vector<uint8_t> drawn(PNG_IMAGE_SIZE(image));
    ASSERT_TRUE(png_image_finish_read(&image, nullptr, drawn.data(), 0, nullptr)) << image.message;

    std::vector<uint8_t> page(PICTURE_BYTES);
    DrawCellPixels(cells.data(), page.data());
    ASSERT_EQ(drawn.size(), page.size());
    for (size_t i = 0; i < page.size(); ++i) {
        const size_t pixel = i / 4;
        ASSERT_EQ(drawn[i], page[i]) << "pixel (" << pixel % PICTURE_WIDTH << ", " << pixel / PICTURE_WIDTH
                                     << ")";
    }
}

}  // namespace
}  // namespace fg
