// Readers for the human-editable art sources under art/ (format in art/README.md).
// Each turns one text file into the plain bytes the game decodes at start-up.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace fg::art {

// On failure the reader returns false and sets error to one line
// "file:line:column: what is wrong".
bool ReadTexture(const std::string& path, const std::string& text, std::vector<uint8_t>& texels,
                 std::string& error);
bool ReadSpriteSheet(const std::string& path, const std::string& text, std::vector<uint8_t>& sheet,
                     std::string& error);
// A level the game could not start (no empty start cell, an opening to the
// grid's edge, too few cells for the figures) is refused, but its image is
// still filled in, so the tools can survey what is wrong with it.
bool ReadLevel(const std::string& path, const std::string& text, std::vector<uint8_t>& image,
               std::string& error);

// The largest art file read; the largest real one is a few dozen KiB.
constexpr size_t MAX_ART_FILE_BYTES = size_t{1} << 20;

// Picks the reader from the file name (textures/NN.txt, sprites/sheet_N.txt, level.txt).
bool ReadArtFile(const std::string& path, std::vector<uint8_t>& bytes, std::string& error);

}  // namespace fg::art
