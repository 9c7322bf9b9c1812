// farrowgate-preview: draws built-in textures, sprite sheets and headless
// frames to PNG exactly as the text console would show them, so art can be
// judged without running the game in a terminal.

#include <png.h>

#include <algorithm>
#include <cmath>
#include <csetjmp>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <string>
#include <vector>

#include "app/frame_loop.h"
#include "assets/asset_set.h"
#include "console/atomic_file.h"
#include "console/cell_glyphs.h"
#include "console/cell_pixels.h"
#include "console/number_text.h"
#include "console/platform.h"
#include "console/quoted_text.h"
#include "render/shade_table.h"

namespace {

constexpr const char* TOOL = "farrowgate-preview";

const char* const USAGE =
    "usage: farrowgate-preview COMMAND [options] OUT.png\n"
    "  texture T [--factor F] [--tile N]   texture T (0..63) of the built-in bank\n"
    "  sheet S [--factor F]                sprite sheet S (0..3): textures 32+8S..32+8S+7\n"
    "  textures [--factor F]               the eighteen surface textures, numbered\n"
    "  sheets [--factor F]                 the four sprite sheets, stacked\n"
    "  frame FRAMES_FILE INDEX             frame INDEX (from 0) of a farrowgate-headless frames file\n"
    "options:\n"
    "  --factor F   brightness factor applied to every texel, as walls use (default 1.0)\n"
    "  --tile N     repeat the texture N x N times, to check seams (1..8, default 1)\n"
    "  --cell WxH   pixels per console cell (1..32 each; default 8x8, the web\n"
    "               page's cell, so a frame is the page's picture)\n";

// Prints one line and yields the exit status for bad input of any kind.
int Fail(const std::string& message) {
    std::fprintf(stderr, "%s: %s\n", TOOL, message.c_str());
    return 2;
}

// Palette
// Indices 0..15 are the console colours in attribute-nibble order, so a cell's
// attribute nibble is its pixel value; the rest are the tool's own furniture.
constexpr uint8_t CHECKER_DARK = 16;
constexpr uint8_t CHECKER_LIGHT = 17;
constexpr uint8_t GAP = 18;
constexpr uint8_t LABEL = 19;
constexpr int PALETTE_SIZE = 20;
// The tool's own colours; the console's come first, from CONSOLE_PALETTE.
const uint8_t TOOL_PALETTE[PALETTE_SIZE - 16][3] = {
    // Transparency checks sit between black and dark grey so neither the black
    // level-0 cell nor any console colour can be mistaken for them.
    {0x1A, 0x1A, 0x1A},
    {0x2E, 0x2E, 0x2E},
    {0x3A, 0x3A, 0x48},
    {0xE0, 0xE0, 0xE0},
};

// An indexed picture; pixels hold palette indices.
struct Image {
    int width = 0;
    int height = 0;
    std::vector<uint8_t> pixels;

    void Fill(int x, int y, int w, int h, uint8_t colour) {
        for (int r = y; r < y + h; ++r)
            std::fill_n(pixels.begin() + static_cast<size_t>(r) * width + x, w, colour);
    }
};

// Caps allocations from silly --cell/--tile combinations.
constexpr uint64_t MAX_PIXELS = uint64_t{1} << 26;

bool MakeImage(int64_t width, int64_t height, Image& image, std::string& error) {
    if (width <= 0 || height <= 0 ||
        static_cast<uint64_t>(width) * static_cast<uint64_t>(height) > MAX_PIXELS) {
        error = "picture of " + std::to_string(width) + "x" + std::to_string(height) +
                " pixels is too large; use a smaller --cell or --tile";
        return false;
    }
    image.width = static_cast<int>(width);
    image.height = static_cast<int>(height);
    image.pixels.assign(static_cast<size_t>(width * height), GAP);
    return true;
}

// Draws cells of one size with the console's own dot patterns
// (console/cell_pixels.h), so a frame here is the web page's frame. The
// patterns are taken at the picture's pixel, not the cell's: at the console's
// 8 x 8 cell that is the same dot, and at any other size the shades keep
// their coverage.
class CellPainter {
public:
    CellPainter(int width, int height) : width_(width), height_(height) {}

    int width() const { return width_; }
    int height() const { return height_; }

    // Paints cell at pixel (x, y).
    void Paint(Image& image, int x, int y, fg::CHAR_INFO cell) const {
        const uint8_t fg = cell.attributes & 0x0F;
        // Bit 7 is the bright background on a real console; the game never
        // sets it, but a frames file may come from elsewhere.
        const uint8_t bg = (cell.attributes >> 4) & 0x0F;
        for (int r = 0; r < height_; ++r) {
            uint8_t* row = &image.pixels[static_cast<size_t>(y + r) * image.width + x];
            for (int c = 0; c < width_; ++c)
                row[c] = fg::DotIsForeground(cell.character, x + c, y + r) ? fg : bg;
        }
    }

private:
    int width_;
    int height_;
};

// Draws texture t's texels as console cells at brightness factor, with its top
// left at pixel (x, y). Transparent texels become a checkerboard of 4-texel
// squares keyed to texture coordinates, so it continues across tiled copies.
void PaintTexture(Image& image, const CellPainter& painter, int x, int y, int t, float factor) {
    const uint8_t* texels = fg::TextureBank + t * fg::TEXTURE_TEXELS;
    for (int v = 0; v < fg::TEXTURE_SIZE; ++v)
        for (int u = 0; u < fg::TEXTURE_SIZE; ++u) {
            const int px = x + u * painter.width();
            const int py = y + v * painter.height();
            const uint8_t texel = texels[v * fg::TEXTURE_SIZE + u];
            if (texel == fg::TRANSPARENT_TEXEL)
                image.Fill(px, py, painter.width(), painter.height(),
                           ((u / 4 + v / 4) & 1) ? CHECKER_LIGHT : CHECKER_DARK);
            else
                painter.Paint(image, px, py, fg::ShadeTexel(texel, factor));
        }
}

// Labels
// A 3x5 digit font, one row per entry, bit 2 the left column.
const uint8_t DIGITS[10][5] = {
    {7, 5, 5, 5, 7}, {2, 6, 2, 2, 7}, {7, 1, 7, 4, 7}, {7, 1, 7, 1, 7}, {5, 5, 7, 1, 1},
    {7, 4, 7, 1, 7}, {7, 4, 7, 5, 7}, {7, 1, 1, 1, 1}, {7, 5, 7, 5, 7}, {7, 5, 7, 1, 7},
};

// Spacing of the contact sheets, grown with the cell so labels stay legible.
struct Layout {
    int scale;   // label font pixel size
    int border;  // around the whole picture and between columns
    int band;    // label band above each picture: digits plus margins
    explicit Layout(const CellPainter& p)
        : scale(std::max(1, (std::min(p.width(), p.height()) + 1) / 2)),
          border(3 * scale),
          band(5 * scale + 4 * scale) {}
};

// Writes number at (x, y), top-left of its first digit.
void PaintNumber(Image& image, int x, int y, int scale, int number) {
    const std::string text = std::to_string(number);
    for (char ch : text) {
        const uint8_t* glyph = DIGITS[ch - '0'];
        for (int r = 0; r < 5; ++r)
            for (int c = 0; c < 3; ++c)
                if (glyph[r] & (4 >> c)) image.Fill(x + c * scale, y + r * scale, scale, scale, LABEL);
        x += 4 * scale;
    }
}

// Commands

bool RenderTexture(int t, float factor, int tile, const CellPainter& painter, Image& image,
                   std::string& error) {
    const int64_t w = int64_t{fg::TEXTURE_SIZE} * painter.width();
    const int64_t h = int64_t{fg::TEXTURE_SIZE} * painter.height();
    if (!MakeImage(w * tile, h * tile, image, error)) return false;
    for (int j = 0; j < tile; ++j)
        for (int i = 0; i < tile; ++i)
            PaintTexture(image, painter, static_cast<int>(i * w), static_cast<int>(j * h), t, factor);
    return true;
}

bool RenderSheet(int s, float factor, const CellPainter& painter, Image& image, std::string& error) {
    const int w = fg::TEXTURE_SIZE * painter.width();
    if (!MakeImage(int64_t{w} * fg::SPRITE_VIEWS, int64_t{fg::TEXTURE_SIZE} * painter.height(), image, error))
        return false;
    for (int view = 0; view < fg::SPRITE_VIEWS; ++view)
        PaintTexture(image, painter, view * w, 0, fg::FIRST_SPRITE_TEXTURE + 8 * s + view, factor);
    return true;
}

constexpr int FIRST_SURFACE = 1;
constexpr int SURFACE_COUNT = 18;
constexpr int SURFACES_PER_ROW = 6;

bool RenderSurfaceContact(float factor, const CellPainter& painter, Image& image, std::string& error) {
    const Layout layout(painter);
    const int w = fg::TEXTURE_SIZE * painter.width();
    const int h = fg::TEXTURE_SIZE * painter.height();
    const int rows = (SURFACE_COUNT + SURFACES_PER_ROW - 1) / SURFACES_PER_ROW;
    const int64_t width = int64_t{SURFACES_PER_ROW} * (w + layout.border) + layout.border;
    const int64_t height = int64_t{rows} * (layout.band + h) + layout.border;
    if (!MakeImage(width, height, image, error)) return false;
    for (int i = 0; i < SURFACE_COUNT; ++i) {
        const int x = layout.border + (i % SURFACES_PER_ROW) * (w + layout.border);
        const int y = (i / SURFACES_PER_ROW) * (layout.band + h);
        PaintNumber(image, x, y + 2 * layout.scale, layout.scale, FIRST_SURFACE + i);
        PaintTexture(image, painter, x, y + layout.band, FIRST_SURFACE + i, factor);
    }
    return true;
}

// Each sheet gets its number in a left margin and view numbers above each view.
bool RenderSheetContact(float factor, const CellPainter& painter, Image& image, std::string& error) {
    const Layout layout(painter);
    const int w = fg::TEXTURE_SIZE * painter.width();
    const int h = fg::TEXTURE_SIZE * painter.height();
    const int margin = 3 * layout.scale + 2 * layout.border;
    const int64_t width = int64_t{margin} + int64_t{w} * fg::SPRITE_VIEWS + layout.border;
    const int64_t height = int64_t{fg::SPRITE_SHEET_COUNT} * (layout.band + h) + layout.border;
    if (!MakeImage(width, height, image, error)) return false;
    for (int s = 0; s < fg::SPRITE_SHEET_COUNT; ++s) {
        const int y = s * (layout.band + h);
        PaintNumber(image, layout.border, y + layout.band, layout.scale, s);
        for (int view = 0; view < fg::SPRITE_VIEWS; ++view) {
            const int x = margin + view * w;
            PaintNumber(image, x, y + 2 * layout.scale, layout.scale, view);
            PaintTexture(image, painter, x, y + layout.band, fg::FIRST_SPRITE_TEXTURE + 8 * s + view, factor);
        }
    }
    return true;
}

constexpr int FRAME_CELLS = fg::SCREEN_WIDTH * fg::SCREEN_HEIGHT;
constexpr int FRAME_BYTES = FRAME_CELLS * 4;

bool RenderFrame(const std::string& path, long long index, const CellPainter& painter, Image& image,
                 std::string& error) {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        error = "cannot read frames file " + fg::QuoteForMessage(path);
        return false;
    }
    in.seekg(0, std::ios::end);
    const std::streamoff size = in.tellg();
    if (size < 0) {
        error = "cannot read frames file " + fg::QuoteForMessage(path);
        return false;
    }
    if (size % FRAME_BYTES != 0) {
        error = fg::QuoteForMessage(path) + " is not a frames file: " + std::to_string(size) +
                " bytes is not a whole number of " + std::to_string(FRAME_BYTES) + "-byte frames";
        return false;
    }
    const long long frames = size / FRAME_BYTES;
    if (index >= frames) {
        error = "frame index " + std::to_string(index) + " out of range: " + fg::QuoteForMessage(path) +
                " holds " + std::to_string(frames) + (frames == 1 ? " frame" : " frames");
        return false;
    }
    std::vector<uint8_t> bytes(FRAME_BYTES);
    in.seekg(static_cast<std::streamoff>(index) * FRAME_BYTES);
    in.read(reinterpret_cast<char*>(bytes.data()), FRAME_BYTES);
    if (in.gcount() != FRAME_BYTES) {
        error = "cannot read frame " + std::to_string(index) + " of " + fg::QuoteForMessage(path);
        return false;
    }
    if (!MakeImage(int64_t{fg::SCREEN_WIDTH} * painter.width(), int64_t{fg::SCREEN_HEIGHT} * painter.height(),
                   image, error))
        return false;
    for (int i = 0; i < FRAME_CELLS; ++i) {
        // Decoded byte by byte: the file is little-endian whatever the host.
        const uint8_t* b = &bytes[static_cast<size_t>(i) * 4];
        const fg::CHAR_INFO cell{static_cast<uint16_t>(b[0] | b[1] << 8),
                                 static_cast<uint16_t>(b[2] | b[3] << 8)};
        painter.Paint(image, (i % fg::SCREEN_WIDTH) * painter.width(),
                      (i / fg::SCREEN_WIDTH) * painter.height(), cell);
    }
    return true;
}

// PNG output
// libpng reports errors by longjmp, so the writer keeps only trivially
// destructible state between setjmp and the calls that may jump.
struct PngErrorState {
    std::jmp_buf jump;
    char message[256];
};

void OnPngError(png_structp png, png_const_charp message) {
    auto* state = static_cast<PngErrorState*>(png_get_error_ptr(png));
    std::snprintf(state->message, sizeof state->message, "%s", message);
    std::longjmp(state->jump, 1);
}

void OnPngWarning(png_structp, png_const_charp) {}

// Writes the picture as an 8-bit palette PNG at compression level 9; returns
// false with message filled on failure. The file may be partial on failure.
bool WritePng(std::FILE* file, const Image& image, PngErrorState& state) {
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, &state, OnPngError, OnPngWarning);
    if (!png) {
        std::snprintf(state.message, sizeof state.message, "out of memory");
        return false;
    }
    png_infop info = png_create_info_struct(png);
    if (!info) {
        png_destroy_write_struct(&png, nullptr);
        std::snprintf(state.message, sizeof state.message, "out of memory");
        return false;
    }
    if (setjmp(state.jump)) {
        png_destroy_write_struct(&png, &info);
        return false;
    }
    png_init_io(png, file);
    png_set_compression_level(png, 9);
    png_set_IHDR(png, info, static_cast<png_uint_32>(image.width), static_cast<png_uint_32>(image.height), 8,
                 PNG_COLOR_TYPE_PALETTE, PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
                 PNG_FILTER_TYPE_DEFAULT);
    png_color palette[PALETTE_SIZE];
    for (int i = 0; i < PALETTE_SIZE; ++i) {
        const uint8_t* rgb = i < 16 ? fg::CONSOLE_PALETTE[i] : TOOL_PALETTE[i - 16];
        palette[i] = {rgb[0], rgb[1], rgb[2]};
    }
    png_set_PLTE(png, info, palette, PALETTE_SIZE);
    png_write_info(png, info);
    for (int r = 0; r < image.height; ++r)
        png_write_row(png, &image.pixels[static_cast<size_t>(r) * image.width]);
    png_write_end(png, nullptr);
    png_destroy_write_struct(&png, &info);
    return true;
}

// Whole or not at all: a failed run never leaves a truncated picture.
bool SavePng(const std::string& path, const Image& image, std::string& error) {
    fg::AtomicFile out;
    if (!fg::OpenAtomicFile(out, path)) {
        error = "cannot write " + fg::QuoteForMessage(path) + ": " + std::strerror(out.error);
        return false;
    }
    PngErrorState state{};
    if (!WritePng(out.file, image, state)) {
        fg::AbandonAtomicFile(out);
        error = "cannot write " + fg::QuoteForMessage(path) + ": " + state.message;
        return false;
    }
    if (!fg::CommitAtomicFile(out)) {
        error = "cannot write " + fg::QuoteForMessage(path) + ": " + std::strerror(out.error);
        return false;
    }
    return true;
}

// Arguments
bool ParseInt(const char* text, int lo, int hi, int& out) {
    int value = 0;
    if (!fg::ParseDecimal(text, hi, value) || value < lo) return false;
    out = value;
    return true;
}

bool ParseFactor(const char* text, float& out) {
    if (!*text || std::isspace(static_cast<unsigned char>(*text))) return false;
    char* end = nullptr;
    errno = 0;
    const float value = std::strtof(text, &end);
    if (errno != 0 || *end != '\0' || !std::isfinite(value) || value < 0.0f) return false;
    out = value;
    return true;
}

struct Options {
    float factor = 1.0f;
    int tile = 1;
    int cellWidth = fg::CELL_PIXELS;
    int cellHeight = fg::CELL_PIXELS;
    bool factorGiven = false;
    bool tileGiven = false;
    std::vector<std::string> positional;
};

bool ParseOptions(int argc, char** argv, Options& options, std::string& error) {
    for (int i = 2; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg.size() < 2 || arg.compare(0, 2, "--") != 0) {
            options.positional.push_back(arg);
            continue;
        }
        if (arg != "--factor" && arg != "--tile" && arg != "--cell") {
            error = "unknown option " + fg::QuoteForMessage(arg);
            return false;
        }
        if (i + 1 >= argc) {
            error = arg + " needs a value";
            return false;
        }
        const char* value = argv[++i];
        if (arg == "--factor") {
            if (!ParseFactor(value, options.factor)) {
                error = "bad --factor " + fg::QuoteForMessage(value) + " (a finite number >= 0)";
                return false;
            }
            options.factorGiven = true;
        } else if (arg == "--tile") {
            if (!ParseInt(value, 1, 8, options.tile)) {
                error = "bad --tile " + fg::QuoteForMessage(value) + " (1..8)";
                return false;
            }
            options.tileGiven = true;
        } else if (!fg::ParseWidthByHeight(value, 32, options.cellWidth, options.cellHeight)) {
            error = "bad --cell " + fg::QuoteForMessage(value) + " (WxH, 1..32 each)";
            return false;
        }
    }
    return true;
}

int Run(int argc, char** argv) {
    if (argc < 2) return Fail("missing command (try --help)");
    const std::string command = argv[1];
    if (command == "--help" || command == "-h") {
        std::fputs(USAGE, stdout);
        return 0;
    }
    Options options;
    std::string error;
    if (!ParseOptions(argc, argv, options, error)) return Fail(error);

    struct Shape {
        const char* name;
        size_t positional;  // including OUT.png
        bool factor;
        bool tile;
    };
    static const Shape shapes[] = {
        {"texture", 2, true, true}, {"sheet", 2, true, false},  {"textures", 1, true, false},
        {"sheets", 1, true, false}, {"frame", 3, false, false},
    };
    const Shape* shape = nullptr;
    for (const Shape& s : shapes)
        if (command == s.name) shape = &s;
    if (!shape) return Fail("unknown command " + fg::QuoteForMessage(command) + " (try --help)");
    if (options.positional.size() != shape->positional)
        return Fail(command + " takes " + std::to_string(shape->positional - 1) +
                    " argument(s) and OUT.png (try --help)");
    if (options.factorGiven && !shape->factor) return Fail(command + " does not take --factor");
    if (options.tileGiven && !shape->tile) return Fail(command + " does not take --tile");

    const CellPainter painter(options.cellWidth, options.cellHeight);
    const std::string& out = options.positional.back();
    Image image;
    bool ok = false;
    if (command == "frame") {
        int index = 0;
        if (!ParseInt(options.positional[1].c_str(), 0, INT32_MAX, index))
            return Fail("bad frame index " + fg::QuoteForMessage(options.positional[1]) +
                        " (a number from 0)");
        ok = RenderFrame(options.positional[0], index, painter, image, error);
    } else {
        fg::BuildWorld();
        if (command == "texture" || command == "sheet") {
            const bool texture = command == "texture";
            int n = 0;
            const int hi = texture ? fg::TEXTURE_COUNT - 1 : fg::SPRITE_SHEET_COUNT - 1;
            if (!ParseInt(options.positional[0].c_str(), 0, hi, n))
                return Fail("bad " + command + " number " + fg::QuoteForMessage(options.positional[0]) +
                            " (0.." + std::to_string(hi) + ")");
            ok = texture
                     ? RenderTexture(static_cast<int>(n), options.factor, options.tile, painter, image, error)
                     : RenderSheet(static_cast<int>(n), options.factor, painter, image, error);
        } else if (command == "textures") {
            ok = RenderSurfaceContact(options.factor, painter, image, error);
        } else {
            ok = RenderSheetContact(options.factor, painter, image, error);
        }
    }
    if (!ok || !SavePng(out, image, error)) return Fail(error);
    return 0;
}

}  // namespace

int main(int argc, char** argv) { return Run(argc, argv); }
