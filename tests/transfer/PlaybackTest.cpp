#include "transfer/Playback.h"

#include "support/SimulatedLine.h"
#include "support/TapeBuilder.h"
#include "support/TempDir.h"
#include "support/TestFrontEnd.h"
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
        TapeBuilder().Raw(tape).WriteTo(dir / name);
        bool expect = true;
        const auto machine = jupiterAce ? MachineKind::JupiterAce : MachineKind::Spectrum;
        request.file = dir / name;
        request.layout = LayoutInForce(machine, format);
        request.rowCount =
            static_cast<int>(LoadContents(request.file, machine, request.layout, expect).size());
        line.SetSettings(ParseLineSettings("9600,n,8,1"));
        line.SetHandshaking(Handshake::RtsCts);
        line.Open();
    }

    TransferResult Play() { return playback.Run(request); }

    // How the run ended, and what nothing is left of.
    void ExpectEnded(TransferResult::Ending ending) const {
        EXPECT_FALSE(ui.running);
        EXPECT_EQ(ui.starts, std::vector<Transfer>{Transfer::Play});
        EXPECT_EQ(ui.ends, std::vector<Transfer>{Transfer::Play});
        ASSERT_TRUE(ui.result.has_value());
        EXPECT_EQ(ui.result->ending, ending) << ui.result->reason;
        EXPECT_EQ(ui.result->reason.empty(), ending != TransferResult::Ending::Failed);
        EXPECT_EQ(line.Queued(), 0U);
    }

    test::TempDir dir;
    SimulatedLine line;
    test::TestFrontEnd ui;
    PlayRequest request;
    Playback playback{line, ui};
};

TEST(Playback, SendsEveryBlockWholeFromTheFirstRow) {
    const Frames frames = {SpectrumBlock(0, test::SpectrumHeader(0, "hello", 48, 10, 48)),
                           SpectrumBlock(255, Payload(48, 1))};
    PlaybackRig rig(Cat(frames));
    rig.Play();
    EXPECT_EQ(rig.line.Frames(), frames);
    EXPECT_EQ(rig.line.Written(), Cat(frames));
    // One write per byte.
    EXPECT_EQ(rig.line.Calls(test::PortOp::Write), static_cast<int>(Cat(frames).size()));
    EXPECT_EQ(rig.ui.blocksOut, (std::vector<int>{0, 1}));
    EXPECT_FALSE(rig.ui.stopRequested);
    rig.ExpectEnded(TransferResult::Ending::Done);
}

TEST(Playback, ProgressTextAtEveryTwentyFifthByteAndAfterEachBlock) {
    // A 21-byte header frame shows only its final count; a 50-byte frame
    // shows 25 and 50, then the final count again.
    const Frames frames = {SpectrumBlock(0, test::SpectrumHeader(3, "code", 48, 0, 0)),
                           SpectrumBlock(255, Payload(46, 2))};
    PlaybackRig rig(Cat(frames));
    rig.Play();
    EXPECT_EQ(rig.ui.status2History,
              (std::vector<std::string>{"21 of 21", "25 of 50", "50 of 50", "50 of 50", ""}));
    // Only the count at the end of a block must be on screen at once.
    EXPECT_EQ(rig.ui.status2AtOnce, 2);
    EXPECT_EQ(rig.ui.statusHistory, (std::vector<std::string>{"Playing...", ""}));
}

TEST(Playback, AceTapFlagsFollowTheBlockPositionFromTheStartRow) {
    TapeBuilder tape;
    for (int i = 0; i < 6; ++i) {
        tape.AceTapBlock(i % 2 == 0 ? test::AceHeader(32, "b", 3) : Payload(3, 9));
    }
    PlaybackRig rig(tape.bytes(), "SIX.TAP", true, "TAP");
    rig.request.startRow = 3;
    rig.Play();
    const Frames sent = rig.line.Frames();
    ASSERT_EQ(sent.size(), 3U);
    // Blocks 3, 4 and 5: data, header, data; the body carries the supplied
    // flag and the length counts it.
    EXPECT_EQ(sent[0], (Bytes{5, 0, 255, 9, 12, 15, 9 ^ 12 ^ 15}));
    EXPECT_EQ(sent[1][2], 0);
    EXPECT_EQ(sent[1][0], 27);
    EXPECT_EQ(sent[2][2], 255);
    EXPECT_EQ(rig.ui.blocksOut, (std::vector<int>{3, 4, 5}));
    rig.ExpectEnded(TransferResult::Ending::Done);
}

TEST(Playback, WaitsWhileCtsIsDownAndWritesNothing) {
    const Bytes block = SpectrumBlock(255, Payload(3, 4));
    PlaybackRig rig(block);
    rig.line.ScriptCts({{false, 4}, {true, 1}});
    std::vector<std::size_t> writtenWhileWaiting;
    rig.ui.onYield = [&] {
        if (rig.ui.status == "Waiting...") {
            writtenWhileWaiting.push_back(rig.line.Written().size());
        }
    };
    rig.Play();
    EXPECT_EQ(writtenWhileWaiting, (std::vector<std::size_t>{0, 0, 0, 0}));
    EXPECT_EQ(rig.ui.statusHistory,
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
    rig.ui.onYield = [&] {
        if (rig.ui.yields == c.stopAfterYields) {
            rig.ui.Stop();
        } else if (rig.ui.stopRequested) {
            statusAfterStop.push_back(rig.ui.status);
        }
    };
    const TransferResult result = rig.Play();
    EXPECT_EQ(rig.line.Written().size(), c.written);
    EXPECT_EQ(rig.line.Frames().size(), c.wholeFrames);
    EXPECT_TRUE(statusAfterStop.empty()); // no yield after the stop
    EXPECT_TRUE(rig.ui.stopRequested);
    EXPECT_EQ(rig.ui.statusHistory.back(), "");
    EXPECT_EQ(rig.ui.statusHistory[rig.ui.statusHistory.size() - 2], "Stopping...");
    EXPECT_EQ(result.block, 0); // the block in hand when Stop came
    rig.ExpectEnded(TransferResult::Ending::Stopped);
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
    std::vector<int> blocksOut;
    TransferResult::Ending ending;
    const char* reason;
};

void PrintTo(const EndCase& c, std::ostream* os) {
    *os << c.name;
}

const Bytes kFirst = SpectrumBlock(255, Payload(4, 1));
const Bytes kSecond = SpectrumBlock(0, test::SpectrumHeader(3, "x", 1, 2, 3));
constexpr auto kDone = TransferResult::Ending::Done;

const EndCase kEnds[] = {
    // The third block's length runs past the end: nothing of it goes.
    {"CorruptThirdBlock",
     Cat({kFirst, kSecond, TapeBuilder().Length(4000).Raw({255, 1, 2}).bytes()}),
     {kFirst, kSecond},
     {0, 1},
     TransferResult::Ending::Failed,
     "Stopped at block 3: corrupt block"},
    // An empty block sends nothing, not even its length, and playback goes on.
    {"EmptyBlockSendsNothing",
     Cat({kFirst, Bytes{0, 0}, kSecond}),
     {kFirst, kSecond},
     {0, 1, 2},
     kDone,
     ""},
    {"StrayLastByte", Cat({kFirst, kSecond, Bytes{7}}), {kFirst, kSecond}, {0, 1}, kDone, ""},
    {"EmptyFile", {}, {}, {}, kDone, ""},
};

class PlaybackEnd : public testing::TestWithParam<EndCase> {};

TEST_P(PlaybackEnd, SendsTheWholeBlocksBeforeTheEnd) {
    const EndCase& c = GetParam();
    PlaybackRig rig(c.tape);
    const TransferResult result = rig.Play();
    EXPECT_EQ(rig.line.Frames(), c.sent);
    EXPECT_EQ(rig.line.Written(), Cat(c.sent));
    EXPECT_EQ(rig.ui.blocksOut, c.blocksOut);
    EXPECT_EQ(result.reason, c.reason);
    rig.ExpectEnded(c.ending);
}

INSTANTIATE_TEST_SUITE_P(Ends, PlaybackEnd, testing::ValuesIn(kEnds), test::ByName());

TEST(Playback, FailuresEndInTheFinishingStepsWithTheirReason) {
    const Frames frames = {kFirst, kSecond};
    {
        PlaybackRig closed(Cat(frames));
        closed.line.Close();
        EXPECT_EQ(closed.Play().reason, "COM1 is not open");
        EXPECT_TRUE(closed.line.Written().empty());
        closed.ExpectEnded(TransferResult::Ending::Failed);
    }
    {
        // The list has fewer rows than the file has blocks.
        PlaybackRig fewRows(Cat(frames));
        fewRows.request.rowCount = 1;
        const TransferResult result = fewRows.Play();
        EXPECT_EQ(result.block, 1);
        EXPECT_EQ(fewRows.line.Frames(), Frames{kFirst});
        fewRows.ExpectEnded(TransferResult::Ending::Failed);
    }
    {
        PlaybackRig missing(Cat(frames));
        std::filesystem::remove(missing.dir / "GAME.TAP");
        EXPECT_EQ(missing.Play().reason, "Cannot read GAME.TAP: No such file or directory");
        EXPECT_TRUE(missing.line.Written().empty());
        missing.ExpectEnded(TransferResult::Ending::Failed);
    }
    {
        // The adapter is pulled out in the middle of the first frame.
        PlaybackRig vanishing(Cat(frames));
        vanishing.line.VanishAt(test::PortOp::Write, 3);
        const TransferResult result = vanishing.Play();
        EXPECT_EQ(result.reason, "COM1 went away");
        EXPECT_EQ(result.block, 0);
        EXPECT_EQ(vanishing.line.Written().size(), 2U);
        EXPECT_EQ(vanishing.ui.status, "");
        EXPECT_FALSE(vanishing.ui.running);
    }
}

TEST(Playback, WithNoFileChosenChangesNothing) {
    PlaybackRig rig(kFirst);
    rig.request.file = rig.dir.path() / "";
    EXPECT_EQ(rig.Play().ending, TransferResult::Ending::Done);
    EXPECT_TRUE(rig.line.Written().empty());
    EXPECT_TRUE(rig.ui.statusHistory.empty());
    EXPECT_TRUE(rig.ui.starts.empty());
    EXPECT_TRUE(rig.ui.ends.empty());
    EXPECT_EQ(rig.line.Calls(test::PortOp::DiscardOutput), 0);
}

TEST(Playback, RunsBetweenItsStartAndEndReports) {
    PlaybackRig rig(kFirst, "GAME.TAP", true, "TAP");
    std::vector<bool> runningAtYield;
    rig.ui.onYield = [&] { runningAtYield.push_back(rig.ui.running); };
    rig.Play();
    ASSERT_FALSE(runningAtYield.empty());
    EXPECT_EQ(std::count(runningAtYield.begin(), runningAtYield.end(), false), 0);
    rig.ExpectEnded(TransferResult::Ending::Done);
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
    rig.ExpectEnded(TransferResult::Ending::Done);
    EXPECT_FALSE(rig.ui.stopRequested);
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
    rig.ui.onYield = [&] {
        if (rig.line.Written().size() == frames[0].size() && !drained) {
            drained = true; // the first yield after the last write
        } else if (drained && !rig.ui.stopRequested) {
            rig.ui.Stop();
        }
    };
    rig.Play();
    EXPECT_EQ(rig.line.Written(), frames[0]);
    EXPECT_LT(rig.line.Received().size(), frames[0].size());
    EXPECT_EQ(rig.line.Calls(test::PortOp::DiscardOutput), 2);
    EXPECT_TRUE(rig.line.Frames().empty());
    rig.ExpectEnded(TransferResult::Ending::Stopped);
}

TEST(Playback, ExitDuringPlaybackTakesNoFurtherStep) {
    const Frames frames = {SpectrumBlock(255, Payload(40, 1))};
    PlaybackRig rig(Cat(frames));
    rig.ui.onYield = [&] {
        if (rig.ui.yields == 5) {
            rig.playback.Abandon();
        }
    };
    rig.Play();
    EXPECT_EQ(rig.line.Written().size(), 5U);
    EXPECT_EQ(rig.line.Calls(test::PortOp::DiscardOutput), 1); // only the one at the start
    EXPECT_EQ(rig.ui.status, "Playing...");
    EXPECT_TRUE(rig.ui.ends.empty());
}

} // namespace
} // namespace bitreel

namespace bitreel {
namespace {

// An error that is neither the line's nor the file's is not a reason to go
// on quietly: the run still ends through its finishing steps, then the error
// goes on.
TEST(Playback, AnUnexpectedErrorEndsTheRunAndGoesOn) {
    PlaybackRig rig(kFirst);
    rig.ui.onYield = [] { throw std::bad_alloc(); };
    EXPECT_THROW(static_cast<void>(rig.Play()), std::bad_alloc);
    EXPECT_FALSE(rig.ui.running);
    ASSERT_TRUE(rig.ui.result.has_value());
    EXPECT_EQ(rig.ui.result->ending, TransferResult::Ending::Failed);
}

} // namespace
} // namespace bitreel

#include "support/TzxBuilder.h"

namespace bitreel {
namespace {

// TZX and PZX images: data blocks go out as their TAP frames, other blocks
// only select their rows, a stop block ends the run and says where the next
// one goes on, and a corrupt block ends it before it.
TEST(Playback, TzxAndPzxImagesSendTheirDataBlocksAndStopAtStopBlocks) {
    const Bytes h1 = SpectrumBlock(0, test::SpectrumHeader(3, "one", 30, 32768, 0));
    const Bytes d1 = SpectrumBlock(255, Payload(30, 1));
    const Bytes h2 = SpectrumBlock(0, test::SpectrumHeader(3, "two", 40, 32768, 0));
    const Bytes d2 = SpectrumBlock(255, Payload(40, 7));
    const auto body = [](const Bytes& frame) { return Bytes(frame.begin() + 2, frame.end()); };
    // 0 h1, 1 d1, 2 pause, 3 text, 4 stop (48K), 5 h2, 6 group, 7 d2, 8 stop (0 ms), 9 text
    const Bytes multiLoad = test::TzxBuilder()
                                .Standard(body(h1))
                                .Standard(body(d1))
                                .Pause(1000)
                                .Text("Side A")
                                .StopIf48K()
                                .Standard(body(h2))
                                .GroupStart("Two")
                                .Standard(body(d2))
                                .Pause(0)
                                .Text("End")
                                .bytes();
    const Bytes cutShort =
        test::TzxBuilder().Standard(body(h1)).Text("x").Standard(body(d1)).Cut(3).bytes();
    const Bytes pzx = test::PzxBuilder()
                          .Data(body(h1))
                          .Pause(3500)
                          .Stop(0)
                          .Data(body(d1), 0xFFFFFFFF, {855, 855}, {1710, 1710})
                          .bytes();
    using Ending = TransferResult::Ending;
    const struct {
        const char* name;
        const Bytes& image;
        const char* file;
        int startRow;
        Frames frames;
        std::vector<int> rows; // selected as they pass
        Ending ending;
        std::optional<int> resumeRow;
        std::string reason;
        std::optional<int> lastRow = std::nullopt;
    } cases[] = {
        {"first load", multiLoad, "GAME.TZX", 0, {h1, d1}, {0, 1, 2, 3}, Ending::Done, 5, ""},
        {"second load", multiLoad, "GAME.TZX", 5, {h2, d2}, {5, 6, 7}, Ending::Done, 9, ""},
        {"from a stop", multiLoad, "GAME.TZX", 4, {h2, d2}, {4, 5, 6, 7}, Ending::Done, 9, ""},
        {"last stretch", multiLoad, "game.tzx", 9, {}, {9}, Ending::Done, std::nullopt, ""},
        {"beyond the end", multiLoad, "GAME.TZX", 10, {}, {}, Ending::Done, std::nullopt, ""},
        {"corrupt",
         cutShort,
         "CUT.TZX",
         0,
         {h1},
         {0, 1},
         Ending::Failed,
         std::nullopt,
         "Stopped at block 3: corrupt block"},
        {"to a row", multiLoad, "GAME.TZX", 5, {h2}, {5, 6}, Ending::Done, std::nullopt, "", 6},
        {"pzx", pzx, "GAME.Pzx", 0, {h1}, {0, 1, 2}, Ending::Done, 4, ""},
        {"pzx after its stop", pzx, "GAME.PZX", 4, {d1}, {4}, Ending::Done, std::nullopt, ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        PlaybackRig rig(c.image, c.file);
        rig.request.rowCount = static_cast<int>(
            TapeImage(rig.request.file, MachineKind::Spectrum, TapeLayout::SpectrumTap)
                .IndexAll()
                .RowCount());
        rig.request.startRow = c.startRow;
        rig.request.lastRow = c.lastRow;
        rig.Play();
        EXPECT_EQ(rig.line.Frames(), c.frames);
        EXPECT_EQ(rig.line.Written(), Cat(c.frames));
        EXPECT_EQ(rig.ui.blocksOut, c.rows);
        rig.ExpectEnded(c.ending);
        EXPECT_EQ(rig.ui.result->resumeRow, c.resumeRow);
        EXPECT_EQ(rig.ui.result->reason, c.reason);
    }
}

// A Stop while the end of a load is still leaving: the next Play must send
// that load again, not go on after the stop block.
TEST(Playback, AStopWhileTheLoadBeforeAStopBlockLeavesStartsOver) {
    const Bytes d1 = SpectrumBlock(255, Payload(100, 1));
    const Bytes tzx =
        test::TzxBuilder().Standard(Bytes(d1.begin() + 2, d1.end())).Pause(0).Text("next").bytes();
    PlaybackRig rig(tzx, "GAME.TZX");
    rig.request.rowCount = 3;
    rig.line.SetPaced(true);
    rig.line.SetTimePerOperation(20us);
    bool drained = false;
    rig.ui.onYield = [&] {
        if (rig.line.Written().size() == d1.size() && !drained) {
            drained = true;
        } else if (drained && !rig.ui.stopRequested) {
            rig.ui.Stop();
        }
    };
    rig.Play();
    EXPECT_EQ(rig.line.Written(), d1);
    EXPECT_TRUE(rig.line.Frames().empty());
    rig.ExpectEnded(TransferResult::Ending::Stopped);
    EXPECT_FALSE(rig.ui.result->resumeRow.has_value());
}

} // namespace
} // namespace bitreel
