#include "programs/headless/terminal_capture.h"

#include <cstdint>

#include "console/ansi/terminal_output.h"

namespace fg {

namespace {

TerminalOutputState CaptureState;
TerminalBytes CaptureBytes;

bool ParseDimension(const char*& text, int& value) {
    value = 0;
    const char* start = text;
    while (*text >= '0' && *text <= '9' && text - start < 4) value = value * 10 + (*text++ - '0');
    return text != start && value > 0;
}

}  // namespace

bool ParseTerminalSize(const char* text, int& columns, int& rows) {
    if (!ParseDimension(text, columns) || *text++ != 'x') return false;
    return ParseDimension(text, rows) && *text == '\0';
}

void StartTerminalCapture(const CaptureTerminal& terminal) {
    ResetTerminalOutput(CaptureState, terminal.columns, terminal.rows);
    CaptureState.cellWidthPx = terminal.cellWidthPx;
    CaptureState.cellHeightPx = terminal.cellHeightPx;
    CaptureState.trueColour = terminal.trueColour;
    ArrangeTerminalPicture(CaptureState);
    CaptureState.repeatAllowed = true;
}

void AppendTerminalFrame(std::string& out, const CHAR_INFO* cells) {
    EncodeFrame(CaptureState, cells, CaptureBytes);
    const uint32_t length = static_cast<uint32_t>(CaptureBytes.length);
    for (int shift = 0; shift < 32; shift += 8) out += static_cast<char>((length >> shift) & 0xFF);
    out.append(CaptureBytes.data, length);
}

}  // namespace fg
