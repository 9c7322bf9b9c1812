// Golden tours: whole runs of farrowgate-headless over scripted walks through
// the built-in level, every frame and every state block pinned by a hash.
//
// After a deliberate change to the picture or the simulation, regenerate:
//   FARROWGATE_UPDATE_TOURS=1 build/tests/farrowgate-tests --gtest_filter='*GoldenTours*'
// To see where two builds differ, compare their outputs (left in the build
// tree's tests/tours/ folder) with tools/tour_diff.py.
#include <gtest/gtest.h>

#include <algorithm>
#include <cinttypes>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "tests/test_support.h"

namespace {

namespace fs = std::filesystem;
using fg::test::Fnv1a;
using fg::test::ReadAll;

const fs::path ToursDir = fg::test::ToursFolder();

struct FrameHashes {
    uint64_t frame;
    uint64_t state;
};

// Runs one tour; its first line may carry extra options: "#! --start-tick N".
std::vector<FrameHashes> RunTour(const std::string& name) {
    const fs::path script = ToursDir / (name + ".txt");
    const std::string options = fg::test::TourOptions(name);

    const fs::path out = FARROWGATE_TOUR_OUTPUT;  // left for tools/tour_diff.py
    fs::create_directories(out);
    const fs::path frames = out / (name + ".frames"), state = out / (name + ".state");
    using fg::test::ShellWord;
    const std::string command = ShellWord(FARROWGATE_HEADLESS) + " --script " + ShellWord(script) +
                                " --frames-out " + ShellWord(frames) + " --state-out " + ShellWord(state) +
                                " " + options + " > " + fg::test::NULL_DEVICE;
    EXPECT_EQ(fg::test::RunCommand(command), 0) << command;

    const std::string cells = ReadAll(frames);
    const std::string text = ReadAll(state);
    std::vector<FrameHashes> hashes;
    EXPECT_EQ(cells.size() % 16000, 0u);
    size_t blockStart = 0;
    for (size_t f = 0; f * 16000 < cells.size(); ++f) {
        // A state block runs from its "frame" line to the next one.
        size_t next = text.find("\nframe ", blockStart);
        next = next == std::string::npos ? text.size() : next + 1;
        hashes.push_back(
            {Fnv1a(cells.data() + f * 16000, 16000), Fnv1a(text.data() + blockStart, next - blockStart)});
        blockStart = next;
    }
    return hashes;
}

std::vector<FrameHashes> ReadPinned(const std::string& name) {
    std::vector<FrameHashes> pinned;
    std::istringstream in(ReadAll(ToursDir / (name + ".hashes")));
    std::string line;
    while (std::getline(in, line)) {
        if (line.empty() || line[0] == '#') continue;
        unsigned long long index, frame, state;
        if (std::sscanf(line.c_str(), "%llu %llx %llx", &index, &frame, &state) == 3)
            pinned.push_back({frame, state});
    }
    return pinned;
}

void WritePinned(const std::string& name, const std::vector<FrameHashes>& hashes) {
    std::ofstream out(ToursDir / (name + ".hashes"));
    out << "# frame index, FNV-1a 64 of the frame's cells, of its state block\n";
    char buffer[64];
    for (size_t i = 0; i < hashes.size(); ++i) {
        std::snprintf(buffer, sizeof buffer, "%zu %016" PRIx64 " %016" PRIx64 "\n", i, hashes[i].frame,
                      hashes[i].state);
        out << buffer;
    }
}

class GoldenTours : public testing::TestWithParam<const char*> {};

TEST_P(GoldenTours, EveryFrameAndStateMatchesThePinnedRun) {
    const std::string name = GetParam();
    const std::vector<FrameHashes> actual = RunTour(name);
    ASSERT_FALSE(actual.empty());
    if (std::getenv("FARROWGATE_UPDATE_TOURS") != nullptr) {
        WritePinned(name, actual);
        GTEST_SKIP() << "pinned " << actual.size() << " frames of " << name;
    }
    const std::vector<FrameHashes> pinned = ReadPinned(name);
    ASSERT_EQ(actual.size(), pinned.size()) << name << ": the run has a different number of frames";
    for (size_t i = 0; i < actual.size(); ++i) {
        ASSERT_EQ(actual[i].frame, pinned[i].frame)
            << name << ": frame " << i << " differs; see tools/tour_diff.py for the row and column";
        ASSERT_EQ(actual[i].state, pinned[i].state) << name << ": the state after frame " << i << " differs";
    }
}

INSTANTIATE_TEST_SUITE_P(Tours, GoldenTours, testing::ValuesIn(fg::test::GOLDEN_TOURS));

// Every script in tests/tours is a tour the suite runs, and every tour has its
// script and pinned hashes: a tour added to one place and not the other fails.
TEST(GoldenTourList, NamesEveryScriptInTheToursFolder) {
    std::vector<std::string> scripts,
        listed(std::begin(fg::test::GOLDEN_TOURS), std::end(fg::test::GOLDEN_TOURS));
    for (const auto& entry : fs::directory_iterator(ToursDir))
        if (entry.path().extension() == ".txt") scripts.push_back(entry.path().stem().string());
    std::sort(scripts.begin(), scripts.end());
    std::sort(listed.begin(), listed.end());
    EXPECT_EQ(scripts, listed);
    for (const std::string& name : listed) EXPECT_TRUE(fs::exists(ToursDir / (name + ".hashes"))) << name;
}

// The clock's wrap at 2^32 is invisible: the north rooms walk started just
// before the wrap, or where the signed difference turns over, gives the very
// frames and state of the walk started at 0. Beside the pinned clock_wrap tour
// this runs the program itself for each start.
TEST(GoldenTourRuns, ClockWrapChangesNothing) {
    fg::test::TempFolder dir;
    const auto run = [&](const std::string& name, const std::string& startTick) {
        const std::string command = std::string(FARROWGATE_HEADLESS) + " --script " +
                                    (ToursDir / "north_rooms.txt").string() + " --start-tick " + startTick +
                                    " --frames-out " + (dir / (name + ".frames")).string() + " --state-out " +
                                    (dir / (name + ".state")).string() + " > /dev/null";
        EXPECT_EQ(std::system(command.c_str()), 0) << command;
        return ReadAll(dir / (name + ".frames")) + ReadAll(dir / (name + ".state"));
    };
    const std::string plain = run("plain", "0");
    ASSERT_GT(plain.size(), 1000u * 16000);
    for (const char* startTick : {"4294966500", "4294967295", "2147483000", "4294967000"}) {
        const std::string wrapped = run(startTick, startTick);
        EXPECT_EQ(wrapped.size(), plain.size()) << startTick;
        EXPECT_TRUE(wrapped == plain) << "--start-tick " << startTick << " changes the run";
    }
}

}  // namespace
