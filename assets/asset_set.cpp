#include "assets/asset_set.h"

#include <cstring>

#include "assets/run_length.h"

namespace fg {

uint8_t TextureBank[TEXTURE_COUNT * TEXTURE_TEXELS];
uint8_t SpriteSheet[SPRITE_SHEET_COUNT][SPRITE_SHEET_BYTES];
uint8_t LevelImage[LEVEL_IMAGE_BYTES];

const AssetEntry AssetTable[ASSET_STREAM_COUNT] = {
    {TEXTURE_TEXELS, TextureBank + 18 * TEXTURE_TEXELS},
    {TEXTURE_TEXELS, TextureBank + 1 * TEXTURE_TEXELS},
    {TEXTURE_TEXELS, TextureBank + 2 * TEXTURE_TEXELS},
    {TEXTURE_TEXELS, TextureBank + 3 * TEXTURE_TEXELS},
    {TEXTURE_TEXELS, TextureBank + 4 * TEXTURE_TEXELS},
    {TEXTURE_TEXELS, TextureBank + 5 * TEXTURE_TEXELS},
    {TEXTURE_TEXELS, TextureBank + 6 * TEXTURE_TEXELS},
    {TEXTURE_TEXELS, TextureBank + 7 * TEXTURE_TEXELS},
    {TEXTURE_TEXELS, TextureBank + 8 * TEXTURE_TEXELS},
    {TEXTURE_TEXELS, TextureBank + 9 * TEXTURE_TEXELS},
    {TEXTURE_TEXELS, TextureBank + 10 * TEXTURE_TEXELS},
    {TEXTURE_TEXELS, TextureBank + 11 * TEXTURE_TEXELS},
    {TEXTURE_TEXELS, TextureBank + 12 * TEXTURE_TEXELS},
    {TEXTURE_TEXELS, TextureBank + 13 * TEXTURE_TEXELS},
    {TEXTURE_TEXELS, TextureBank + 14 * TEXTURE_TEXELS},
    {TEXTURE_TEXELS, TextureBank + 15 * TEXTURE_TEXELS},
    {TEXTURE_TEXELS, TextureBank + 16 * TEXTURE_TEXELS},
    {TEXTURE_TEXELS, TextureBank + 17 * TEXTURE_TEXELS},
    {LEVEL_IMAGE_BYTES, LevelImage},
    {SPRITE_SHEET_BYTES, SpriteSheet[0]},
    {SPRITE_SHEET_BYTES, SpriteSheet[1]},
    {SPRITE_SHEET_BYTES, SpriteSheet[2]},
    {SPRITE_SHEET_BYTES, SpriteSheet[3]},
};

void DecodeAssets() {
    for (int i = 0; i < ASSET_STREAM_COUNT; ++i)
        DecodeRuns(EmbeddedStreams[i].data, EmbeddedStreams[i].size, AssetTable[i].destination,
                   AssetTable[i].decodedLength);
}

void SplitSpriteSheets() {
    for (int s = 0; s < SPRITE_SHEET_COUNT; ++s)
        for (int i = 0; i < SPRITE_VIEWS; ++i) {
            uint8_t* texture = TextureBank + (FIRST_SPRITE_TEXTURE + 8 * s + i) * TEXTURE_TEXELS;
            for (int r = 0; r < TEXTURE_SIZE; ++r)
                std::memcpy(texture + r * TEXTURE_SIZE,
                            SpriteSheet[s] + r * SPRITE_SHEET_WIDTH + TEXTURE_SIZE * i, TEXTURE_SIZE);
        }
}

}  // namespace fg
