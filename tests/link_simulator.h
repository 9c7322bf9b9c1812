// A slow link between the real game and an emulated terminal, for the link
// tests and the link benchmark. The game runs on a pseudo terminal of ours;
// every byte it writes is read at once into an unbounded buffer (as ssh's
// window and a socket's send buffer hold megabytes), leaves that buffer at a
// fixed rate and arrives a fixed delay later at libvterm, whose answers (the
// status reports among them) and the keys typed there cross back the same
// way. Real time, one thread: the game runs at its own pace.
#pragma once

#ifdef FARROWGATE_HAVE_VTERM

#include <fcntl.h>
#include <poll.h>
#include <unistd.h>
#include <vterm.h>

#include <algorithm>
#include <chrono>
#include <cstring>
#include <deque>
#include <functional>
#include <string>
#include <vector>

#include "tests/terminal_harness.h"

namespace fg::link {

constexpr int TERMINAL_ROWS = 60;  // as the harness sizes its pseudo terminal
constexpr int TERMINAL_COLUMNS = 100;
// The rows compared to tell a turning frame: the ceiling and the walls above
// the figures' heads, which only turning changes (figures walk below).
constexpr int TURN_ROWS = 20;
constexpr std::size_t PIECE_BYTES = 256;  // the link delivers in pieces this big
constexpr double PICTURE_BYTES = 20000;   // a whole picture, about the most a frame sends
constexpr char FRAME_END[] = "\x1b[?2026l";
constexpr char STATUS_REQUEST_BYTES[] = "\x1b[5n";
constexpr char STATUS_ANSWER_BYTES[] = "\x1b[0n";

// One direction of the link: a buffer without bound in front of a line of
// bytesPerSecond (0: no limit), delaySeconds long.
struct Direction {
    double bytesPerSecond = 0;
    double delaySeconds = 0;
    double freeAt = 0;  // when the line has sent all it was given
    struct Piece {
        double departAt, arriveAt;
        std::string bytes;
    };
    std::deque<Piece> pieces;

    void Send(double now, const std::string& bytes) {
        for (std::size_t at = 0; at < bytes.size(); at += PIECE_BYTES) {
            std::string piece = bytes.substr(at, PIECE_BYTES);
            const double start = std::max(now, freeAt);
            freeAt = start + (bytesPerSecond > 0 ? static_cast<double>(piece.size()) / bytesPerSecond : 0);
            pieces.push_back({freeAt, freeAt + delaySeconds, std::move(piece)});
        }
    }
    // The pieces that have arrived by now, oldest first.
    std::vector<std::string> Arrived(double now) {
        std::vector<std::string> arrived;
        while (!pieces.empty() && pieces.front().arriveAt <= now) {
            arrived.push_back(std::move(pieces.front().bytes));
            pieces.pop_front();
        }
        return arrived;
    }
    // Bytes still waiting in the buffer to go onto the line.
    std::size_t Buffered(double now) const {
        std::size_t count = 0;
        for (const Piece& piece : pieces) count += piece.departAt - now > 1e-9 ? piece.bytes.size() : 0;
        return count;
    }
    double NextArrival() const { return pieces.empty() ? 1e30 : pieces.front().arriveAt; }
};

// A frame as the terminal finished showing it.
struct ShownFrame {
    double at;    // seconds since the start
    bool turned;  // its TURN_ROWS differ from the frame before
};

// Counts the occurrences of a fixed string in a stream cut anywhere.
struct Matcher {
    const char* text;
    std::size_t matched = 0;
    bool Next(char byte) {
        const std::size_t length = std::strlen(text);
        if (byte == text[matched]) {
            if (++matched == length) {
                matched = 0;
                return true;
            }
        } else {
            matched = byte == text[0] ? 1 : 0;
        }
        return false;
    }
};

class Link {
public:
    harness::PtyGame game;
    Direction down, up;        // game to terminal, terminal to game
    bool answerStatus = true;  // false: a terminal that ignores status requests
    std::vector<ShownFrame> frames;
    double lastTurnAt = -1;        // the last frame whose TURN_ROWS changed
    std::size_t mostBuffered = 0;  // the most bytes the game had waiting in the link
    std::size_t bytesFromGame = 0;
    int framesFromGame = 0;
    int requestsFromGame = 0;
    int erasesShown = 0;            // full repaints the terminal has begun to show
    std::size_t framesAtErase = 0;  // frames shown before the last of them ended

    Link(double bytesPerSecond, double delaySeconds) {
        down.bytesPerSecond = up.bytesPerSecond = bytesPerSecond;
        down.delaySeconds = up.delaySeconds = delaySeconds;
        vt_ = vterm_new(TERMINAL_ROWS, TERMINAL_COLUMNS);
        vterm_set_utf8(vt_, 1);
        screen_ = vterm_obtain_screen(vt_);
        vterm_screen_reset(screen_, 1);
        vterm_output_set_callback(
            vt_,
            [](const char* bytes, size_t count, void* user) {
                static_cast<Link*>(user)->answers_.append(bytes, count);
            },
            this);
        start_ = std::chrono::steady_clock::now();
    }
    ~Link() { vterm_free(vt_); }
    Link(const Link&) = delete;
    Link& operator=(const Link&) = delete;

    bool Start(const std::string& program) {
        if (!game.Start(program, false)) return false;
        fcntl(game.master, F_SETFL, fcntl(game.master, F_GETFL) | O_NONBLOCK);
        return true;
    }

    double Now() const {
        return std::chrono::duration<double>(std::chrono::steady_clock::now() - start_).count();
    }

    // Keys typed at the terminal at a time to come (seconds since the start).
    void TypeAt(double at, const std::string& bytes) { typed_.push_back({at, bytes}); }
    void Type(const std::string& bytes) { up.Send(Now(), bytes); }

    // Runs the link until the condition holds or the time (seconds since the
    // start) is reached; false in the second case.
    bool RunUntil(const std::function<bool()>& condition, double until) {
        for (;;) {
            Step();
            if (condition()) return true;
            if (Now() >= until) return false;
        }
    }
    void RunFor(double seconds) {
        const double until = Now() + seconds;
        RunUntil([] { return false; }, until);
    }

    // Long enough without a turning frame to be sure none is on its way: a
    // second, the round trip, and two whole pictures' time on the line.
    double QuietSeconds() const {
        const double picture = down.bytesPerSecond > 0 ? PICTURE_BYTES / down.bytesPerSecond : 0;
        return 1 + down.delaySeconds + up.delaySeconds + 2 * picture;
    }

    // Nothing turned for quietSeconds and the game has nothing waiting in the link.
    bool Settled(double quietSeconds) {
        const double now = Now();
        return lastTurnAt >= 0 && now - lastTurnAt >= quietSeconds && down.Buffered(now) == 0;
    }

    // TURN_ROWS of what the terminal shows now: glyph and colours of each cell.
    std::string TurnRows() const {
        std::string cells;
        for (int row = 0; row < TURN_ROWS; ++row) {
            for (int column = 0; column < 80; ++column) {
                VTermScreenCell cell;
                std::memset(&cell, 0, sizeof cell);  // no stale bytes in what is compared
                vterm_screen_get_cell(screen_, VTermPos{row, column}, &cell);
                cells.append(reinterpret_cast<const char*>(&cell.chars[0]), sizeof cell.chars[0]);
                cells.append(reinterpret_cast<const char*>(&cell.fg), sizeof cell.fg);
                cells.append(reinterpret_cast<const char*>(&cell.bg), sizeof cell.bg);
            }
        }
        return cells;
    }

private:
    VTerm* vt_;
    VTermScreen* screen_;
    std::string answers_;  // what the terminal said, not yet sent back
    std::vector<std::pair<double, std::string>> typed_;
    std::chrono::steady_clock::time_point start_;
    Matcher fromGameFrames_{FRAME_END}, fromGameRequests_{STATUS_REQUEST_BYTES}, shownFrames_{FRAME_END},
        shownErases_{"\x1b[2J"};
    std::string lastTurnRows_;
    std::string toGame_;  // arrived, not yet taken by the pseudo terminal

    void Step() {
        double now = Now();
        const double wait = std::min({down.NextArrival(), up.NextArrival(), NextTyped()}) - now;
        pollfd in{game.master, POLLIN, 0};
        poll(&in, 1, std::clamp(static_cast<int>(wait * 1000), 0, 2));
        now = Now();
        ReadFromGame(now);
        for (auto it = typed_.begin(); it != typed_.end();) {
            if (it->first <= now) {
                up.Send(now, it->second);
                it = typed_.erase(it);
            } else {
                ++it;
            }
        }
        for (const std::string& piece : down.Arrived(now)) Show(piece, now);
        if (!answers_.empty()) {
            if (!answerStatus) {
                for (std::size_t at; (at = answers_.find(STATUS_ANSWER_BYTES)) != std::string::npos;)
                    answers_.erase(at, sizeof STATUS_ANSWER_BYTES - 1);
            }
            up.Send(now, answers_);
            answers_.clear();
        }
        for (const std::string& piece : up.Arrived(now)) toGame_ += piece;
        if (!toGame_.empty()) {
            const ssize_t written = write(game.master, toGame_.data(), toGame_.size());
            if (written > 0) toGame_.erase(0, static_cast<std::size_t>(written));
        }
    }

    double NextTyped() const {
        double next = 1e30;
        for (const auto& t : typed_) next = std::min(next, t.first);
        return next;
    }

    void ReadFromGame(double now) {
        char buffer[65536];
        for (;;) {
            const ssize_t count = read(game.master, buffer, sizeof buffer);
            if (count <= 0) break;
            bytesFromGame += static_cast<std::size_t>(count);
            for (ssize_t i = 0; i < count; ++i) {
                framesFromGame += fromGameFrames_.Next(buffer[i]);
                requestsFromGame += fromGameRequests_.Next(buffer[i]);
            }
            down.Send(now, std::string(buffer, static_cast<std::size_t>(count)));
        }
        mostBuffered = std::max(mostBuffered, down.Buffered(now));
    }

    // Feeds the terminal, looking at its screen at the end of every frame.
    void Show(const std::string& piece, double now) {
        std::size_t from = 0;
        for (std::size_t i = 0; i < piece.size(); ++i) {
            if (shownErases_.Next(piece[i])) {
                ++erasesShown;
                framesAtErase = frames.size();
            }
            if (!shownFrames_.Next(piece[i])) continue;
            vterm_input_write(vt_, piece.data() + from, i + 1 - from);
            from = i + 1;
            std::string rows = TurnRows();
            const bool turned = !lastTurnRows_.empty() && rows != lastTurnRows_;
            if (turned || lastTurnAt < 0) lastTurnAt = now;
            frames.push_back({now, turned});
            lastTurnRows_ = std::move(rows);
        }
        vterm_input_write(vt_, piece.data() + from, piece.size() - from);
    }
};

// A hold of Left as a terminal with the kitty keyboard protocol reports it:
// a press, repeats after the usual delay, and a real release.
constexpr double HOLD_REPEAT_DELAY = 0.5;
constexpr double HOLD_REPEAT_INTERVAL = 0.033;
constexpr char LEFT_PRESS[] = "\x1b[1;1:1D";
constexpr char LEFT_REPEAT[] = "\x1b[1;1:2D";
constexpr char LEFT_RELEASE[] = "\x1b[1;1:3D";

struct HoldResult {
    bool started = false;               // the first picture arrived
    bool settled = false;               // and the view settled after the release
    double releaseToLastTurn = 0;       // seconds from the release to the last turning frame shown
    double turningFramesPerSecond = 0;  // shown while held, from one second into the hold
    std::size_t mostBuffered = 0;
    std::size_t bytesFromGame = 0;
    int framesFromGame = 0;
    int requestsFromGame = 0;
    bool repaintMatches = false;  // a full repaint afterwards shows the same TURN_ROWS
};

// Starts the game over the link, waits for its first picture to settle,
// holds Left for holdSeconds and waits (at most settleLimit seconds) for the
// view to settle. checkRepaint: then asks for a full repaint (focus in) and
// compares.
inline HoldResult HoldLeft(Link& link, const std::string& program, double holdSeconds, double settleLimit,
                           bool checkRepaint) {
    HoldResult result;
    if (!link.Start(program)) return result;
    const double quiet = link.QuietSeconds();
    result.started = link.RunUntil([&] { return link.Settled(quiet); }, link.Now() + 60);
    if (!result.started) return result;
    const double pressAt = link.Now();
    link.TypeAt(pressAt, LEFT_PRESS);
    for (double t = HOLD_REPEAT_DELAY; t < holdSeconds; t += HOLD_REPEAT_INTERVAL)
        link.TypeAt(pressAt + t, LEFT_REPEAT);
    const double releaseAt = pressAt + holdSeconds;
    link.TypeAt(releaseAt, LEFT_RELEASE);
    result.settled =
        link.RunUntil([&] { return link.Now() > releaseAt && link.Settled(quiet); }, releaseAt + settleLimit);
    result.releaseToLastTurn = link.lastTurnAt - releaseAt;
    int turning = 0;
    for (const ShownFrame& frame : link.frames)
        turning += frame.turned && frame.at >= pressAt + 1 && frame.at < releaseAt;
    result.turningFramesPerSecond = turning / (holdSeconds - 1);
    result.mostBuffered = link.mostBuffered;
    result.bytesFromGame = link.bytesFromGame;
    result.framesFromGame = link.framesFromGame;
    result.requestsFromGame = link.requestsFromGame;
    if (checkRepaint && result.settled) {
        const std::string before = link.TurnRows();
        const int erasesBefore = link.erasesShown;
        link.Type("\x1b[I");  // focus in: the game draws everything again
        link.RunUntil(
            [&] { return link.erasesShown > erasesBefore && link.frames.size() > link.framesAtErase; },
            link.Now() + 30);
        result.repaintMatches = link.TurnRows() == before;
    }
    return result;
}

}  // namespace fg::link

#endif  // FARROWGATE_HAVE_VTERM
