#include "programs/headless/terminal_capture.h"

#include <cstdint>

#include "console/ansi/terminal_output.h"

namespace fg {

namespace {

TerminalOutputState CaptureState;
TerminalBytes CaptureBytes;

}  // namespace

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
