#include "console/script/terminal_capture.h"

#include <cstdint>
#include <cstdio>

#include "console/posix/terminal_output.h"

namespace fg {

namespace {

std::FILE* CaptureFile;
bool CaptureFailed;
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

bool OpenTerminalCapture(const std::string& path, int columns, int rows) {
    CaptureFile = std::fopen(path.c_str(), "wb");
    CaptureFailed = false;
    ResetTerminalOutput(CaptureState, rows, columns);
    CaptureState.repeatAllowed = true;
    return CaptureFile != nullptr;
}

void CaptureTerminalFrame(const CHAR_INFO* cells) {
    if (CaptureFile == nullptr) return;
    EncodeFrame(CaptureState, cells, CaptureBytes);
    const uint32_t length = static_cast<uint32_t>(CaptureBytes.length);
    const unsigned char prefix[4] = {
        static_cast<unsigned char>(length), static_cast<unsigned char>(length >> 8),
        static_cast<unsigned char>(length >> 16), static_cast<unsigned char>(length >> 24)};
    if (std::fwrite(prefix, 1, 4, CaptureFile) != 4 ||
        std::fwrite(CaptureBytes.data, 1, length, CaptureFile) != length)
        CaptureFailed = true;
}

bool CloseTerminalCapture() {
    if (CaptureFile == nullptr) return true;
    const bool closed = std::fclose(CaptureFile) == 0;
    CaptureFile = nullptr;
    return closed && !CaptureFailed;
}

}  // namespace fg
