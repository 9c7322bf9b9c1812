// The lines a terminal of the wrong size shows: in place of the last picture
// row when the picture does not fit, and under the picture when a wider
// terminal would show its true shape. Each is shortened by dropping words;
// a size is shown whole or not at all.
#include "console/ansi/terminal_output.h"

namespace fg {

namespace {

constexpr std::size_t NOTICE_CAPACITY = 128;

struct Notice {
    char* out;
    std::size_t length;
};

void AppendText(Notice& notice, const char* text) {
    for (; *text != '\0' && notice.length < NOTICE_CAPACITY - 1; ++text) notice.out[notice.length++] = *text;
}

void AppendNumber(Notice& notice, int value) {
    char digits[12];
    std::size_t count = 0;
    int v = value < 99999 ? value : 99999;
    do {
        digits[count++] = static_cast<char>('0' + v % 10);
        v /= 10;
    } while (v > 0);
    while (count > 0 && notice.length < NOTICE_CAPACITY - 1) notice.out[notice.length++] = digits[--count];
}

void AppendSize(Notice& notice, int columns, int rows) {
    AppendNumber(notice, columns);
    AppendText(notice, "x");
    AppendNumber(notice, rows);
}

}  // namespace

std::size_t SizeNotice(int columns, int rows, char* out) {
    if (rows <= 0 || columns <= 0 || (rows >= SCREEN_HEIGHT && columns >= SCREEN_WIDTH)) return 0;
    const std::size_t width = static_cast<std::size_t>(columns < SCREEN_WIDTH ? columns : SCREEN_WIDTH);
    // Longest first; the first that fits the row is used.
    enum Form { WITH_ADVICE, WITH_SHORT_ADVICE, BOTH_SIZES, SIZES_ONLY, NEED_ONLY, NEEDED_SIZE };
    for (int form = WITH_ADVICE; form <= NEEDED_SIZE; ++form) {
        Notice notice{out, 0};
        if (form <= BOTH_SIZES) AppendText(notice, "terminal is ");
        if (form <= SIZES_ONLY) {
            AppendSize(notice, columns, rows);
            AppendText(notice, form <= BOTH_SIZES ? "; FARROWGATE needs " : "; needs ");
        }
        if (form == NEED_ONLY) AppendText(notice, "needs ");
        AppendSize(notice, SCREEN_WIDTH, SCREEN_HEIGHT);
        if (form == WITH_ADVICE) AppendText(notice, " - enlarge the window or use a smaller font");
        if (form == WITH_SHORT_ADVICE) AppendText(notice, " - enlarge it or use a smaller font");
        if (notice.length <= width) return notice.length;
    }
    return 0;  // too narrow for even the size it needs
}

std::size_t ShapeNotice(int columns, int wideColumns, char* out) {
    if (columns <= 0 || columns >= wideColumns) return 0;
    const std::size_t width = static_cast<std::size_t>(columns);
    enum Form { SENTENCE, SHORT, SIZE_ONLY };
    for (int form = SENTENCE; form <= SIZE_ONLY; ++form) {
        Notice notice{out, 0};
        AppendText(notice, form == SENTENCE ? "a terminal " : "true shape from ");
        AppendNumber(notice, wideColumns);
        AppendText(notice, form == SENTENCE ? " columns wide shows the picture in its true shape (this one: "
                                            : " columns");
        if (form != SIZE_ONLY) {
            if (form == SHORT) AppendText(notice, " (now ");
            AppendNumber(notice, columns);
            AppendText(notice, ")");
        }
        if (notice.length <= width) return notice.length;
    }
    return 0;
}

}  // namespace fg
