#include "console/script/frame_script.h"

#include <sstream>

#include "console/keyboard.h"
#include "console/quoted_text.h"

namespace fg {

namespace {

// A plain decimal number no greater than limit; no sign, no spaces.
bool ParseNumber(const std::string& s, uint64_t limit, uint64_t& value) {
    if (s.empty() || s.size() > 20) return false;
    value = 0;
    for (char c : s) {
        if (c < '0' || c > '9') return false;
        value = value * 10 + static_cast<uint64_t>(c - '0');
        if (value > limit) return false;
    }
    return true;
}

bool ParseKeyName(const std::string& name, uint16_t& code) {
    static const struct {
        const char* name;
        int code;
    } keys[] = {{"ESC", VK_ESCAPE}, {"SPACE", VK_SPACE}, {"LEFT", VK_LEFT},
                {"UP", VK_UP},      {"RIGHT", VK_RIGHT}, {"DOWN", VK_DOWN}};
    for (const auto& k : keys)
        if (name == k.name) {
            code = static_cast<uint16_t>(k.code);
            return true;
        }
    uint64_t value = 0;
    if (!ParseNumber(name, 65535, value)) return false;
    code = static_cast<uint16_t>(value);
    return true;
}

std::string LineTooLong(uint32_t number) {
    return "line " + std::to_string(number) + ": longer than " + std::to_string(MAX_SCRIPT_LINE_BYTES) +
           " bytes";
}

// Parses one line of text (without its line break) and appends its frame.
bool ParseLine(std::string raw, uint32_t number, std::vector<ScriptLine>& lines, std::string& error) {
    if (raw.size() > MAX_SCRIPT_LINE_BYTES) {
        error = LineTooLong(number);
        return false;
    }
    const size_t hash = raw.find('#');
    if (hash != std::string::npos) raw.resize(hash);
    std::istringstream words(raw);
    std::string word;
    if (!(words >> word)) return true;  // blank or comment only
    const std::string where = "line " + std::to_string(number) + ": ";
    ScriptLine line{};
    line.number = number;
    uint64_t elapsed = 0;
    if (!ParseNumber(word, UINT32_MAX, elapsed)) {
        error = where + "expected the elapsed milliseconds (0..4294967295), found " + QuoteForMessage(word);
        return false;
    }
    line.elapsed = static_cast<uint32_t>(elapsed);
    while (words >> word) {
        InputRecord record{};
        if (word == "OTHER") {
            record.eventType = 2;  // a mouse or focus record: read and ignored
        } else if ((word[0] == '+' || word[0] == '-') &&
                   ParseKeyName(word.substr(1), record.virtualKeyCode)) {
            record.eventType = INPUT_KEY_EVENT;
            record.keyDown = word[0] == '+' ? 1 : 0;
        } else {
            error = where + "unknown event " + QuoteForMessage(word) +
                    " (expected +NAME, -NAME or OTHER; NAME is ESC, SPACE, LEFT, UP, RIGHT, "
                    "DOWN or a key code 0..65535)";
            return false;
        }
        line.events.push_back(record);
    }
    lines.push_back(std::move(line));
    return true;
}

}  // namespace

bool ParseFrameScript(const std::string& text, std::vector<ScriptLine>& lines, std::string& error) {
    lines.clear();
    uint32_t number = 1;
    for (size_t start = 0; start < text.size(); ++number) {
        size_t end = text.find('\n', start);
        if (end == std::string::npos) end = text.size();
        if (!ParseLine(text.substr(start, end - start), number, lines, error)) return false;
        start = end + 1;
    }
    return true;
}

bool ReadFrameScript(std::FILE* in, std::vector<ScriptLine>& lines, std::string& error) {
    lines.clear();
    std::string raw;
    uint32_t number = 1;
    for (int c; (c = std::getc(in)) != EOF;) {
        if (c != '\n') {
            if (raw.size() == MAX_SCRIPT_LINE_BYTES) {
                error = LineTooLong(number);
                return false;
            }
            raw += static_cast<char>(c);
            continue;
        }
        if (!ParseLine(raw, number++, lines, error)) return false;
        raw.clear();
    }
    if (std::ferror(in)) {
        error = "line " + std::to_string(number) + ": read error";
        return false;
    }
    return raw.empty() || ParseLine(raw, number, lines, error);
}

}  // namespace fg
