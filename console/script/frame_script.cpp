#include "console/script/frame_script.h"

#include <sstream>

#include "console/keyboard.h"
#include "console/number_text.h"
#include "console/quoted_text.h"

namespace fg {

namespace {

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
    if (!ParseDecimal(name, 65535, value)) return false;
    code = static_cast<uint16_t>(value);
    return true;
}

std::string LineTooLong(uint32_t number) {
    return "line " + std::to_string(number) + ": longer than " + std::to_string(MAX_SCRIPT_LINE_BYTES) +
           " bytes";
}

// Parses one line of text (without its line break); a blank or comment-only
// line gives no frame (framed false).
bool ParseLine(std::string raw, uint32_t number, ScriptLine& line, bool& framed, std::string& error) {
    framed = false;
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
    line.number = number;
    line.events.clear();
    uint64_t elapsed = 0;
    if (!ParseDecimal(word, UINT32_MAX, elapsed)) {
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
    framed = true;
    return true;
}

}  // namespace

bool ParseFrameScript(const std::string& text, std::vector<ScriptLine>& lines, std::string& error) {
    lines.clear();
    uint32_t number = 1;
    ScriptLine line{};
    bool framed = false;
    for (size_t start = 0; start < text.size(); ++number) {
        size_t end = text.find('\n', start);
        if (end == std::string::npos) end = text.size();
        if (!ParseLine(text.substr(start, end - start), number, line, framed, error)) return false;
        if (framed) lines.push_back(line);
        start = end + 1;
    }
    return true;
}

ScriptRead ReadScriptLine(std::FILE* in, uint32_t& number, ScriptLine& line, std::string& error) {
    std::string raw;
    for (;;) {
        raw.clear();
        int c = 0;
        while ((c = std::getc(in)) != EOF && c != '\n') {
            if (raw.size() == MAX_SCRIPT_LINE_BYTES) {
                error = LineTooLong(number + 1);
                return ScriptRead::FAILED;
            }
            raw += static_cast<char>(c);
        }
        if (c == EOF && std::ferror(in)) {
            error = "line " + std::to_string(number + 1) + ": read error";
            return ScriptRead::FAILED;
        }
        if (c == EOF && raw.empty()) return ScriptRead::END;
        bool framed = false;
        if (!ParseLine(raw, ++number, line, framed, error)) return ScriptRead::FAILED;
        if (framed) return ScriptRead::LINE;
    }
}

}  // namespace fg
