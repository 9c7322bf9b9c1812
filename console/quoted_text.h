// Outside text (a script word, a path, an art symbol) as a message may show
// it: quoted, cut, and without bytes that a terminal would act on.
#pragma once

#include <string>
#include <string_view>

namespace fg {

constexpr size_t QUOTED_CHARACTERS = 40;

// In single quotes, at most QUOTED_CHARACTERS bytes, control and non-ASCII
// bytes as escapes (\n, \t, \r, \\, \x1b), "..." after the quote when cut.
inline std::string QuoteForMessage(std::string_view text) {
    static const char HEX[] = "0123456789abcdef";
    std::string out = "'";
    for (size_t i = 0; i < text.size() && i < QUOTED_CHARACTERS; ++i) {
        const unsigned char c = static_cast<unsigned char>(text[i]);
        if (c == '\n')
            out += "\\n";
        else if (c == '\t')
            out += "\\t";
        else if (c == '\r')
            out += "\\r";
        else if (c == '\\')
            out += "\\\\";
        else if (c < 0x20 || c >= 0x7F)
            out += {'\\', 'x', HEX[c >> 4], HEX[c & 15]};
        else
            out += static_cast<char>(c);
    }
    out += text.size() > QUOTED_CHARACTERS ? "'..." : "'";
    return out;
}

}  // namespace fg
