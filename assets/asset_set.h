// The built-in content: eighteen surface textures, the level image and four
// sprite sheets, decoded once at start-up into fixed tables.
#pragma once

#include <cstdint>

#include "assets/level_image.h"

namespace fg {

constexpr int TEXTURE_COUNT = 64;
constexpr int TEXTURE_SIZE = 64;  // texels per row and rows per texture
constexpr int TEXTURE_TEXELS = TEXTURE_SIZE * TEXTURE_SIZE;
constexpr uint8_t TRANSPARENT_TEXEL = 255;

constexpr int SPRITE_SHEET_COUNT = 4;
constexpr int SPRITE_VIEWS = 8;
constexpr int SPRITE_SHEET_WIDTH = SPRITE_VIEWS * TEXTURE_SIZE;  // 512
constexpr int SPRITE_SHEET_BYTES = SPRITE_SHEET_WIDTH * TEXTURE_SIZE;
constexpr int FIRST_SPRITE_TEXTURE = 32;

constexpr int ASSET_STREAM_COUNT = 23;

// Texture t's texel (row v, column u) is TextureBank[t * TEXTURE_TEXELS + v * 64 + u].
// 1..18 surfaces, 32..63 sprite images, the rest zero. Read-only after start-up.
extern uint8_t TextureBank[TEXTURE_COUNT * TEXTURE_TEXELS];
// Sheet s is the animation frame; image i (columns 64i..64i+63) the view.
extern uint8_t SpriteSheet[SPRITE_SHEET_COUNT][SPRITE_SHEET_BYTES];
extern uint8_t LevelImage[LEVEL_IMAGE_BYTES];

struct AssetEntry {
    int32_t decodedLength;
    uint8_t* destination;
};
// Decode order and destinations: texture 18, textures 1..17, the level image,
// sprite sheets 0..3.
extern const AssetEntry AssetTable[ASSET_STREAM_COUNT];

// The encoded streams, in AssetTable order; generated from art/ by the build.
struct EmbeddedStream {
    const uint8_t* data;
    int32_t size;
};
extern const EmbeddedStream EmbeddedStreams[ASSET_STREAM_COUNT];

void DecodeAssets();
// Cuts each sheet into eight 64 x 64 textures: 32 + 8 * sheet + view.
void SplitSpriteSheets();

}  // namespace fg
