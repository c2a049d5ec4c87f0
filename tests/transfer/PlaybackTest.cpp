#include "transfer/Playback.h"

#include "support/FakeWindow.h"
#include "support/SimulatedLine.h"
#include "support/TapeBuilder.h"
#include "support/TempDir.h"
#include "support/TestNames.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace bitreel {
namespace {

using test::Bytes;
using test::SimulatedLine;
using test::TapeBuilder;
using Frames = std::vector<Bytes>;
using namespace std::chrono_literals;

Bytes Cat(const Frames& frames) {
    Bytes all;
    for (const auto& f : frames) {
        all.insert(all.end(), f.begin(), f.end());
    }
    return all;
}

// A Spectrum TAP block is its own frame.
Bytes SpectrumBlock(std::uint8_t flag, const Bytes& payload) {
    return TapeBuilder().Block(flag, payload).bytes();
}

Bytes Payload(std::size_t size, std::uint8_t seed) {
    Bytes b(size);
    for (std::size_t i = 0; i < size; ++i) {
        b[i] = static_cast<std::uint8_t>(seed + i * 3);
    }
    return b;
}

// One playback against a simulated machine: the file, the rows the contents
// list gives it, and a line with RTS/CTS handshaking.
class PlaybackRig {
public:
    explicit PlaybackRig(const Bytes& tape, std::string name = "GAME.TAP", bool jupiterAce = false,
                         std::string format = "JUP") {
        window.fileFolder = dir.path();
        window.fileName = name;
        window.jupiterAce = jupiterAce;
        window.format = format;
        TapeBuilder().Raw(tape).WriteTo(dir / name);
        bool expect = true;
        const auto machine = jupiterAce ? MachineKind::JupiterAce : MachineKind::Spectrum;
        window.rows = LoadContents(dir / name, machine, LayoutInForce(machine, format), expect);
        window.selected = window.rows.empty() ? -1 : 0;
        line.SetSettings("9600,n,8,1");
        line.SetHandshaking(2);
        line.Open();
    }

    void Play() { playback.Run(); }

    // The window as the finishing steps leave it.
    void ExpectIdle() const {
        EXPECT_EQ(window.status, "");
        EXPECT_EQ(window.status2, "");
        EXPECT_EQ(window.selected, window.rows.empty() ? -1 : 0);
        for (const auto& [control, on] : window.enabled) {
            const bool expected = control == Control::cmdStop     ? false
                                  : control == Control::cboFormat ? window.jupiterAce
                                                                  : true;
            EXPECT_EQ(on, expected) << "control " << static_cast<int>(control);
        }
        EXPECT_EQ(line.Queued(), 0U);
    }

    test::TempDir dir;
    SimulatedLine line;
    test::FakeWindow window;
    Playback playback{line, window};
};

TEST(Playback, SendsEveryBlockWholeFromTheFirstRow) {
    const Frames frames = {SpectrumBlock(0, test::SpectrumHeader(0, "hello", 48, 10, 48)),
                           SpectrumBlock(255, Payload(48, 1))};
    PlaybackRig rig(Cat(frames));
    rig.window.selected = -1;
    rig.Play();
    EXPECT_EQ(rig.line.Frames(), frames);
    EXPECT_EQ(rig.line.Written(), Cat(frames));
    // One write per byte.
    EXPECT_EQ(rig.line.Calls(test::PortOp::Write), static_cast<int>(Cat(frames).size()));
    EXPECT_EQ(rig.window.selections, (std::vector<int>{0, 1, 0}));
    EXPECT_TRUE(rig.window.stopRequested == false);
    rig.ExpectIdle();
}

TEST(Playback, ProgressTextAtEveryTwentyFifthByteAndAfterEachBlock) {
    // A 21-byte header frame shows only its final count; a 50-byte frame
    // shows 25 and 50, then the final count again.
    const Frames frames = {SpectrumBlock(0, test::SpectrumHeader(3, "code", 48, 0, 0)),
                           SpectrumBlock(255, Payload(46, 2))};
    PlaybackRig rig(Cat(frames));
    rig.Play();
    EXPECT_EQ(rig.window.status2History,
              (std::vector<std::string>{"21 of 21", "25 of 50", "50 of 50", "50 of 50", ""}));
    EXPECT_EQ(rig.window.status2Repaints, 2);
    EXPECT_EQ(rig.window.statusHistory, (std::vector<std::string>{"Playing...", ""}));
}

TEST(Playback, AceTapFlagsFollowTheBlockPositionFromTheStartRow) {
    TapeBuilder tape;
    for (int i = 0; i < 6; ++i) {
        tape.AceTapBlock(i % 2 == 0 ? test::AceHeader(32, "b", 3) : Payload(3, 9));
    }
    PlaybackRig rig(tape.bytes(), "SIX.TAP", true, "TAP");
    rig.window.selected = 3;
    rig.Play();
    const Frames sent = rig.line.Frames();
    ASSERT_EQ(sent.size(), 3U);
    // Blocks 3, 4 and 5: data, header, data; the body carries the supplied
    // flag and the length counts it.
    EXPECT_EQ(sent[0], (Bytes{5, 0, 255, 9, 12, 15, 9 ^ 12 ^ 15}));
    EXPECT_EQ(sent[1][2], 0);
    EXPECT_EQ(sent[1][0], 27);
    EXPECT_EQ(sent[2][2], 255);
    EXPECT_EQ(rig.window.selections.front(), 3);
    rig.ExpectIdle();
}

TEST(Playback, WaitsWhileCtsIsDownAndWritesNothing) {
    const Bytes block = SpectrumBlock(255, Payload(3, 4));
    PlaybackRig rig(block);
    rig.line.ScriptCts({{false, 4}, {true, 1}});
    std::vector<std::size_t> writtenWhileWaiting;
    rig.window.onYield = [&] {
        if (rig.window.status == "Waiting...") {
            writtenWhileWaiting.push_back(rig.line.Written().size());
        }
    };
    rig.Play();
    EXPECT_EQ(writtenWhileWaiting, (std::vector<std::size_t>{0, 0, 0, 0}));
    EXPECT_EQ(rig.window.statusHistory,
              (std::vector<std::string>{"Playing...", "Waiting...", "Playing...", ""}));
    EXPECT_EQ(rig.line.Frames(), Frames{block});
}

struct StopCase {
    const char* name;
    bool ctsAsserted;
    int stopAfterYields;
    std::size_t written;
    std::size_t wholeFrames;
};

void PrintTo(const StopCase& c, std::ostream* os) {
    *os << c.name;
}

class PlaybackStop : public testing::TestWithParam<StopCase> {};

TEST_P(PlaybackStop, WritesNothingMoreAndReturnsToIdle) {
    const StopCase& c = GetParam();
    const Frames frames = {SpectrumBlock(255, Payload(30, 1)), SpectrumBlock(255, Payload(5, 2))};
    PlaybackRig rig(Cat(frames));
    rig.line.SetCts(c.ctsAsserted);
    std::vector<std::string> statusAfterStop;
    rig.window.onYield = [&] {
        if (rig.window.yields == c.stopAfterYields) {
            rig.window.Stop();
        } else if (rig.window.stopRequested) {
            statusAfterStop.push_back(rig.window.status);
        }
    };
    rig.Play();
    EXPECT_EQ(rig.line.Written().size(), c.written);
    EXPECT_EQ(rig.line.Frames().size(), c.wholeFrames);
    EXPECT_TRUE(statusAfterStop.empty()); // no yield after the stop
    EXPECT_TRUE(rig.window.stopRequested);
    EXPECT_EQ(rig.window.statusHistory.back(), "");
    EXPECT_EQ(rig.window.statusHistory[rig.window.statusHistory.size() - 2], "Stopping...");
    rig.ExpectIdle();
}

INSTANTIATE_TEST_SUITE_P(Stops, PlaybackStop,
                         testing::Values(StopCase{"WhileWaitingForCts", false, 3, 0, 0},
                                         StopCase{"InTheMiddleOfAFrame", true, 10, 10, 0},
                                         StopCase{"AfterTheFirstFrame", true, 34, 34, 1}),
                         test::ByName());

struct EndCase {
    const char* name;
    Bytes tape;
    Frames sent;
    std::vector<int> selections;
    bool expectHeaderAfter; // true toggled once per block read whole
};

void PrintTo(const EndCase& c, std::ostream* os) {
    *os << c.name;
}

const Bytes kFirst = SpectrumBlock(255, Payload(4, 1));
const Bytes kSecond = SpectrumBlock(0, test::SpectrumHeader(3, "x", 1, 2, 3));

const EndCase kEnds[] = {
    // The third block's length runs past the end: nothing of it goes.
    {"CorruptThirdBlock",
     Cat({kFirst, kSecond, TapeBuilder().Length(4000).Raw({255, 1, 2}).bytes()}),
     {kFirst, kSecond},
     {0, 1, 0},
     true},
    // An empty block sends nothing, not even its length, and playback goes on.
    {"EmptyBlockSendsNothing",
     Cat({kFirst, Bytes{0, 0}, kSecond}),
     {kFirst, kSecond},
     {0, 1, 2, 0},
     false},
    {"StrayLastByte", Cat({kFirst, kSecond, Bytes{7}}), {kFirst, kSecond}, {0, 1, 0}, true},
    {"EmptyFile", {}, {}, {}, true},
};

class PlaybackEnd : public testing::TestWithParam<EndCase> {};

TEST_P(PlaybackEnd, SendsTheWholeBlocksBeforeTheEnd) {
    const EndCase& c = GetParam();
    PlaybackRig rig(c.tape);
    rig.Play();
    EXPECT_EQ(rig.line.Frames(), c.sent);
    EXPECT_EQ(rig.line.Written(), Cat(c.sent));
    EXPECT_EQ(rig.window.selections, c.selections);
    EXPECT_EQ(rig.window.expectHeader, c.expectHeaderAfter);
    rig.ExpectIdle();
}

INSTANTIATE_TEST_SUITE_P(Ends, PlaybackEnd, testing::ValuesIn(kEnds), test::ByName());

TEST(Playback, FailuresEndInTheFinishingSteps) {
    const Frames frames = {kFirst, kSecond};
    {
        PlaybackRig closed(Cat(frames));
        closed.line.Close();
        closed.Play();
        EXPECT_TRUE(closed.line.Written().empty());
        closed.ExpectIdle();
    }
    {
        // The list has fewer rows than the file has blocks.
        PlaybackRig fewRows(Cat(frames));
        fewRows.window.rows.pop_back();
        fewRows.Play();
        EXPECT_EQ(fewRows.line.Frames(), Frames{kFirst});
        fewRows.ExpectIdle();
    }
    {
        PlaybackRig missing(Cat(frames));
        std::filesystem::remove(missing.dir / "GAME.TAP");
        missing.Play();
        EXPECT_TRUE(missing.line.Written().empty());
        missing.ExpectIdle();
    }
    {
        // The adapter is pulled out in the middle of the first frame.
        PlaybackRig vanishing(Cat(frames));
        vanishing.line.VanishAt(test::PortOp::Write, 3);
        vanishing.Play();
        EXPECT_EQ(vanishing.line.Written().size(), 2U);
        EXPECT_EQ(vanishing.window.status, "");
        EXPECT_FALSE(vanishing.window.enabled[Control::cmdStop]);
        EXPECT_TRUE(vanishing.window.enabled[Control::cmdPlay]);
    }
}

TEST(Playback, WithNoFileChosenChangesNothing) {
    PlaybackRig rig(kFirst);
    rig.window.fileName.clear();
    const auto enabled = rig.window.enabled;
    rig.Play();
    EXPECT_TRUE(rig.line.Written().empty());
    EXPECT_TRUE(rig.window.statusHistory.empty());
    EXPECT_EQ(rig.window.enabled, enabled);
    EXPECT_EQ(rig.line.Calls(test::PortOp::DiscardOutput), 0);
}

TEST(Playback, LocksTheWindowWhileItRuns) {
    PlaybackRig rig(kFirst, "GAME.TAP", true, "TAP");
    std::map<Control, bool> during;
    rig.window.onYield = [&] { during = rig.window.enabled; };
    rig.Play();
    for (const auto& [control, on] : during) {
        EXPECT_EQ(on, control == Control::cmdStop) << "control " << static_cast<int>(control);
    }
    rig.ExpectIdle();
    EXPECT_TRUE(rig.window.enabled[Control::cboFormat]);
}

// The byte loop runs far ahead of the line; a complete playback waits until
// the last byte has left instead of discarding it.
TEST(Playback, CompletePlaybackWaitsForTheLastByteToLeave) {
    Frames frames;
    for (int i = 0; i < 4; ++i) {
        frames.push_back(SpectrumBlock(255, Payload(100, static_cast<std::uint8_t>(i))));
    }
    PlaybackRig rig(Cat(frames));
    rig.line.SetPaced(true);
    rig.line.SetTimePerOperation(20us); // the loop is fifty times faster than the line
    rig.line.ScriptCts({{true, 900}, {false, 50}, {true, 1}});
    rig.Play();
    EXPECT_EQ(rig.line.Frames(), frames);
    EXPECT_TRUE(rig.line.PartialFrame().empty());
    rig.ExpectIdle();
    EXPECT_FALSE(rig.window.stopRequested);
    // Nothing was left to throw away at the end (a pseudo-terminal would
    // lose bytes still crossing over): only the start discarded.
    EXPECT_EQ(rig.line.Calls(test::PortOp::DiscardOutput), 1);
}

TEST(Playback, StopWhileTheLastBytesLeaveDiscardsThem) {
    const Frames frames = {SpectrumBlock(255, Payload(100, 1))};
    PlaybackRig rig(Cat(frames));
    rig.line.SetPaced(true);
    rig.line.SetTimePerOperation(20us);
    bool drained = false;
    rig.window.onYield = [&] {
        if (rig.line.Written().size() == frames[0].size() && !drained) {
            drained = true; // the first yield after the last write
        } else if (drained && !rig.window.stopRequested) {
            rig.window.Stop();
        }
    };
    rig.Play();
    EXPECT_EQ(rig.line.Written(), frames[0]);
    EXPECT_LT(rig.line.Received().size(), frames[0].size());
    EXPECT_EQ(rig.line.Calls(test::PortOp::DiscardOutput), 2);
    EXPECT_TRUE(rig.line.Frames().empty());
    rig.ExpectIdle();
}

TEST(Playback, ExitDuringPlaybackTakesNoFurtherStep) {
    const Frames frames = {SpectrumBlock(255, Payload(40, 1))};
    PlaybackRig rig(Cat(frames));
    rig.window.onYield = [&] {
        if (rig.window.yields == 5) {
            rig.playback.Abandon();
        }
    };
    rig.Play();
    EXPECT_EQ(rig.line.Written().size(), 5U);
    EXPECT_EQ(rig.line.Calls(test::PortOp::DiscardOutput), 1); // only the one at the start
    EXPECT_EQ(rig.window.status, "Playing...");
}

} // namespace
} // namespace bitreel
