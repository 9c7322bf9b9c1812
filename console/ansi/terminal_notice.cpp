// The line a too-small terminal shows in place of its last picture row.
#include <cstring>

#include "console/ansi/terminal_output.h"

namespace fg {

namespace {

constexpr std::size_t NOTICE_CAPACITY = 128;

void AppendText(char* out, std::size_t& length, const char* text) {
    for (; *text != '\0' && length < NOTICE_CAPACITY - 1; ++text) out[length++] = *text;
}

void AppendSize(char* out, std::size_t& length, int columns, int rows) {
    char digits[32];
    int value[2] = {columns, rows};
    for (int part = 0; part < 2; ++part) {
        std::size_t count = 0;
        int v = value[part] < 99999 ? value[part] : 99999;
        do {
            digits[count++] = static_cast<char>('0' + v % 10);
            v /= 10;
        } while (v > 0);
        while (count > 0 && length < NOTICE_CAPACITY - 1) out[length++] = digits[--count];
        if (part == 0) AppendText(out, length, "x");
    }
}

}  // namespace

std::size_t SizeNotice(int rows, int columns, char* out) {
    if (rows <= 0 || columns <= 0 || (rows >= SCREEN_HEIGHT && columns >= SCREEN_WIDTH)) return 0;
    const std::size_t width = static_cast<std::size_t>(columns < SCREEN_WIDTH ? columns : SCREEN_WIDTH);
    // Longest first; the first that fits the row is used, the last is cut to fit.
    static const char* const ADVICE[] = {" - enlarge the window or use a smaller font",
                                         " - enlarge it or use a smaller font", ""};
    std::size_t length = 0;
    for (const char* advice : ADVICE) {
        length = 0;
        AppendText(out, length, "terminal is ");
        AppendSize(out, length, columns, rows);
        AppendText(out, length, "; FARROWGATE needs ");
        AppendSize(out, length, SCREEN_WIDTH, SCREEN_HEIGHT);
        AppendText(out, length, advice);
        if (length <= width) return length;
    }
    length = 0;
    AppendSize(out, length, columns, rows);
    AppendText(out, length, "; needs ");
    AppendSize(out, length, SCREEN_WIDTH, SCREEN_HEIGHT);
    if (length <= width) return length;
    length = 0;
    AppendText(out, length, "needs ");
    AppendSize(out, length, SCREEN_WIDTH, SCREEN_HEIGHT);
    return length < width ? length : width;
}

}  // namespace fg
