#include "transfer/Recording.h"

#include "support/FakeWindow.h"
#include "support/SimulatedLine.h"
#include "support/TapeBuilder.h"
#include "support/TempDir.h"
#include "support/TestNames.h"

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>

#include <csignal>
#include <sys/resource.h>

namespace bitreel {
namespace {

namespace fs = std::filesystem;
using test::Bytes;
using test::SendPlan;
using test::SimulatedLine;
using test::TapeBuilder;
using Strings = std::vector<std::string>;

Bytes Body(std::uint8_t flag, const Bytes& payload) {
    Bytes body{flag};
    body.insert(body.end(), payload.begin(), payload.end());
    body.push_back(test::Xor(payload));
    return body;
}

Bytes Frame(const Bytes& body) {
    Bytes frame{static_cast<std::uint8_t>(body.size() & 0xFF),
                static_cast<std::uint8_t>(body.size() >> 8)};
    frame.insert(frame.end(), body.begin(), body.end());
    return frame;
}

// One recording from a simulated machine into a temporary folder. The
// machine's frames are queued before the run; the window stops the run once
// the line has nothing left to send and the receive buffer is drained, or
// after a given number of yields.
class RecordingRig {
public:
    explicit RecordingRig(std::string name = "rec.tap", bool jupiterAce = false,
                          std::string format = "JUP") {
        window.jupiterAce = jupiterAce;
        window.format = format;
        window.rows = {"old row"};
        window.selected = 0;
        window.fileFolder = window.dirFolder = dir.path() / "elsewhere";
        dialog.answer = dir / name;
        line.SetSettings("9600,n,8,1");
        line.SetHandshaking(2);
        line.Open();
        window.onYield = [this] {
            if (stopAfterYields > 0 && window.yields >= stopAfterYields && !window.stopRequested) {
                window.Stop();
            }
            if (onYield) {
                onYield();
            }
        };
    }

    // Bytes from the machine that arrive once the recording has begun: the
    // read that throws away what came before finds nothing of them. Each
    // later read takes the next chunk (all of them at once when none given).
    void Arrive(const Bytes& bytes, std::vector<std::size_t> chunks = {}) {
        SendPlan plan;
        plan.chunks = {0};
        plan.chunks.insert(plan.chunks.end(), chunks.begin(), chunks.end());
        if (chunks.empty()) {
            plan.chunks.push_back(bytes.size());
        }
        line.Send(bytes, plan);
    }

    void Record(long long yields) {
        stopAfterYields = yields;
        recording.Run();
    }

    [[nodiscard]] fs::path Output(const std::string& name) const { return dir / name; }

    // The window as the finishing steps leave it.
    void ExpectIdle(bool resetBefore) const {
        EXPECT_EQ(window.status, "");
        EXPECT_EQ(window.status2, "");
        for (const auto& [control, on] : window.enabled) {
            const bool expected = control == Control::cmdStop     ? false
                                  : control == Control::cmdPlay   ? false
                                  : control == Control::cmdReset  ? resetBefore
                                  : control == Control::cboFormat ? window.jupiterAce
                                                                  : true;
            EXPECT_EQ(on, expected) << "control " << static_cast<int>(control);
        }
    }

    test::TempDir dir;
    SimulatedLine line;
    test::FakeWindow window;
    test::ScriptedDialog dialog;
    Recording recording{line, window, dialog, "/opt/bitreel/bin"};
    long long stopAfterYields = 0;
    std::function<void()> onYield;
};

TEST(Recording, WritesEachFrameAsItsBlockAndListsIt) {
    RecordingRig rig("game.tap");
    const Bytes header = Frame(Body(0, test::SpectrumHeader(0, "hello", 3, 10, 3)));
    const Bytes data = Frame(Body(255, {1, 2, 3}));
    rig.Arrive(TapeBuilder().Raw(header).Raw(data).bytes());
    rig.Record(5);
    EXPECT_EQ(test::ReadFileBytes(rig.Output("GAME.TAP")),
              TapeBuilder().Raw(header).Raw(data).bytes());
    EXPECT_EQ(rig.window.rows, (Strings{"Program     : hello      [Line=10, Vars Area=+3]",
                                        "{Data block [Length=3]}"}));
    // Both frames came in one read: one block per pass.
    EXPECT_EQ(rig.window.status2History,
              (Strings{"1 of ?", "21 of 21", "21 of 21", "1 of ?", "7 of 7", "7 of 7", ""}));
    EXPECT_EQ(rig.window.statusHistory, (Strings{"Recording...", "Stopping...", ""}));
    EXPECT_EQ(rig.window.fileListings, (std::vector<fs::path>{rig.dir.path(), rig.dir.path()}));
    EXPECT_EQ(rig.window.dirFolder, rig.dir.path());
    rig.ExpectIdle(true);
}

TEST(Recording, AFrameInManySmallReadsRisesPassByPass) {
    RecordingRig rig;
    const Bytes frame = Frame(Body(255, {9, 8, 7, 6}));
    rig.Arrive(frame, {1, 1, 0, 2, 3, 1});
    rig.Record(10);
    EXPECT_EQ(rig.window.status2History, (Strings{"1 of ?", "1 of ?", "1 of ?", "1 of ?", "4 of 8",
                                                  "7 of 8", "8 of 8", "8 of 8", ""}));
    EXPECT_EQ(test::ReadFileBytes(rig.Output("REC.TAP")), frame);
}

TEST(Recording, WaitsForAThirdByteBeforeReadingTheLength) {
    for (const Bytes& start : {Bytes{5}, Bytes{5, 0}}) {
        RecordingRig rig;
        rig.Arrive(start);
        rig.Record(4);
        EXPECT_EQ(rig.window.status2History, (Strings{"1 of ?", "1 of ?", "1 of ?", "1 of ?", ""}));
        EXPECT_TRUE(test::ReadFileBytes(rig.Output("REC.TAP")).empty());
        EXPECT_TRUE(rig.window.rows.empty());
    }
}

TEST(Recording, TheNameNotTheFormatDecidesTheDescriptions) {
    // Two Jupiter Ace headers in a row, recorded in the JUP layout: a name
    // ending in TAP makes the second one data, any other name leaves it a
    // header by its flag and length.
    const Bytes header = Frame(Body(0, test::AceHeader(32, "twice", 9)));
    const struct {
        const char* name;
        Strings rows;
    } cases[] = {
        {"twice.jup",
         {"Bytes       : twice      [Length=9]", "Bytes       : twice      [Length=9]"}},
        {"twice.tap", {"Bytes       : twice      [Length=9]", "{Data block [Length=25]}"}},
    };
    for (const auto& c : cases) {
        RecordingRig rig(c.name, true, "JUP");
        rig.Arrive(TapeBuilder().Raw(header).Raw(header).bytes());
        rig.Record(4);
        EXPECT_EQ(rig.window.rows, c.rows) << c.name;
    }
}

TEST(Recording, DisablesTheControlsInItsOrderAndRestoresReset) {
    RecordingRig rig;
    rig.dialog.answer.reset();
    rig.Record(1);
    using C = Control;
    const std::vector<std::pair<Control, bool>> expected = {// Locking, before the dialog.
                                                            {C::optMachine0, false},
                                                            {C::optMachine1, false},
                                                            {C::lstContents, false},
                                                            {C::Drive1, false},
                                                            {C::File1, false},
                                                            {C::Dir1, false},
                                                            {C::cmdPlay, false},
                                                            {C::cmdReset, false},
                                                            {C::cmdRecord, false},
                                                            {C::cboComPort, false},
                                                            {C::cboFormat, false},
                                                            // The finishing steps.
                                                            {C::optMachine0, true},
                                                            {C::optMachine1, true},
                                                            {C::cmdRecord, true},
                                                            {C::cmdStop, false},
                                                            {C::cmdPlay, false},
                                                            {C::cmdReset, true},
                                                            {C::cboComPort, true},
                                                            {C::File1, true},
                                                            {C::Dir1, true},
                                                            {C::Drive1, true},
                                                            {C::lstContents, true},
                                                            {C::cboFormat, false}};
    EXPECT_EQ(rig.window.enableLog, expected);
}

struct LayoutCase {
    const char* name;
    const char* file;
    bool jupiterAce;
    const char* format;
    Bytes frame;
    Bytes stored;
    std::string lastProgress;
    std::string row;
};

void PrintTo(const LayoutCase& c, std::ostream* os) {
    *os << c.name;
}

const Bytes kAceHeaderBody = Body(0, test::AceHeader(32, "hello", 100));
const Bytes kAceHeaderFrame = Frame(kAceHeaderBody);
const Bytes kAceHeaderStored =
    TapeBuilder().Length(26).Raw(Bytes(kAceHeaderBody.begin() + 1, kAceHeaderBody.end())).bytes();

const LayoutCase kLayouts[] = {
    {"SpectrumHeader", "s.tap", false, "JUP", Frame(Body(0, test::SpectrumHeader(3, "c", 1, 2, 0))),
     Frame(Body(0, test::SpectrumHeader(3, "c", 1, 2, 0))), "21 of 21",
     "Code        : c          [Start=2, Length=1]"},
    {"AceHeaderToTapDropsTheFlag", "a.tap", true, "TAP", kAceHeaderFrame, kAceHeaderStored,
     "28 of 28", "Bytes       : hello      [Length=100]"},
    {"AceHeaderToJupAsItCame", "a.jup", true, "JUP", kAceHeaderFrame, kAceHeaderFrame, "29 of 29",
     "Bytes       : hello      [Length=100]"},
    // The format decides the layout, the name only the descriptions.
    {"JupFormatWithTapName", "a.tap", true, "JUP", kAceHeaderFrame, kAceHeaderFrame, "29 of 29",
     "Bytes       : hello      [Length=100]"},
    // Stored as it came; only the row tells of the damage.
    {"DamagedSpectrumData", "d.tap", false, "JUP", Frame(Bytes{255, 1, 2, 0x55}),
     Frame(Bytes{255, 1, 2, 0x55}), "6 of 6", "{Data block [Length=2]} (Invalid Checksum)"},
    {"AceHeaderOfAnotherType", "o.jup", true, "JUP", Frame(Body(0, test::AceHeader(9, "odd", 4))),
     Frame(Body(0, test::AceHeader(9, "odd", 4))), "29 of 29",
     "Type 9      : odd        [Length=4]"},
    // An empty frame is an empty block in every layout; the Ace TAP length
    // never goes below 0.
    {"EmptyFrameSpectrum", "e.tap", false, "JUP", Bytes{0, 0}, Bytes{0, 0}, "2 of 2",
     "Empty block [Length=0]"},
    {"EmptyFrameAceTap", "e.tap", true, "TAP", Bytes{0, 0}, Bytes{0, 0}, "2 of 2",
     "Empty block [Length=0]"},
};

class RecordingLayout : public testing::TestWithParam<LayoutCase> {};

TEST_P(RecordingLayout, StoresTheBlockInTheLayoutInForce) {
    const LayoutCase& c = GetParam();
    RecordingRig rig(c.file, c.jupiterAce, c.format);
    // With the start of a next frame, so that an empty one is taken.
    rig.Arrive(TapeBuilder().Raw(c.frame).Raw({1}).bytes());
    rig.Record(4);
    std::string upper = c.file;
    for (char& ch : upper) {
        ch = static_cast<char>(std::toupper(static_cast<unsigned char>(ch)));
    }
    EXPECT_EQ(test::ReadFileBytes(rig.Output(upper)), c.stored);
    EXPECT_EQ(rig.window.rows, Strings{c.row});
    // "1 of ?", then the count as the bytes move and again once written.
    ASSERT_GE(rig.window.status2History.size(), 3U);
    EXPECT_EQ(rig.window.status2History[1], c.lastProgress);
    EXPECT_EQ(rig.window.status2History[2], c.lastProgress);
}

INSTANTIATE_TEST_SUITE_P(Layouts, RecordingLayout, testing::ValuesIn(kLayouts), test::ByName());

TEST(Recording, AceTapAlternatesHeaderAndDataByName) {
    RecordingRig rig("two.tap", true, "TAP");
    rig.Arrive(TapeBuilder()
                   .Raw(Frame(Body(0, test::AceHeader(0, "d", 2))))
                   .Raw(Frame(Body(255, {4, 5})))
                   .bytes());
    rig.Record(6);
    EXPECT_EQ(rig.window.rows,
              (Strings{"Dictionary  : d          [Length=2]", "{Data block [Length=2]}"}));
    EXPECT_EQ(test::ReadFileBytes(rig.Output("TWO.TAP")),
              TapeBuilder().AceTapBlock(test::AceHeader(0, "d", 2)).AceTapBlock({4, 5}).bytes());
}

TEST(Recording, RaisesDtrOnlyForEachRead) {
    RecordingRig rig;
    rig.line.Send(Frame(Body(255, {1})), SendPlan{{1}, true});
    (void)rig.line.ReadAll(); // nothing: DTR is down
    std::vector<bool> dtrInYield;
    rig.onYield = [&] { dtrInYield.push_back(rig.line.Dtr()); };
    rig.Record(8);
    EXPECT_EQ(test::ReadFileBytes(rig.Output("REC.TAP")), Frame(Body(255, {1})));
    EXPECT_EQ(std::count(dtrInYield.begin(), dtrInYield.end(), true), 0);
    // Every read but ours above and the one that throws away what came before.
    EXPECT_EQ(rig.line.DtrRaises(), rig.line.Calls(test::PortOp::ReadAll) - 2);
}

TEST(Recording, StopKeepsTheCompleteBlocksOnly) {
    RecordingRig rig;
    rig.window.enabled[Control::cmdReset] = true;
    const Bytes first = Frame(Body(255, {1, 2}));
    const Bytes second = Frame(Body(255, {3, 4, 5, 6}));
    rig.Arrive(TapeBuilder().Raw(first).Raw(second).bytes(), {first.size(), 0, 3});
    rig.Record(4);
    EXPECT_EQ(test::ReadFileBytes(rig.Output("REC.TAP")), first);
    EXPECT_EQ(rig.window.rows, Strings{"{Data block [Length=2]}"});
    EXPECT_EQ(rig.window.fileListings.back(), rig.dir.path());
    // Reset was enabled when the command began; the folder change turned it off.
    rig.ExpectIdle(true);
}

TEST(Recording, StopBeforeAnyByteLeavesAnEmptyFile) {
    RecordingRig rig;
    rig.window.enabled[Control::cmdReset] = false;
    rig.Record(1);
    ASSERT_TRUE(fs::exists(rig.Output("REC.TAP")));
    EXPECT_TRUE(test::ReadFileBytes(rig.Output("REC.TAP")).empty());
    EXPECT_TRUE(rig.window.rows.empty());
    rig.ExpectIdle(false);
}

TEST(Recording, CancelCreatesNothingAndKeepsTheList) {
    RecordingRig rig;
    rig.dialog.answer.reset();
    rig.window.enabled[Control::cmdReset] = true;
    rig.Record(1);
    EXPECT_TRUE(fs::is_empty(rig.dir.path()));
    EXPECT_EQ(rig.window.rows, Strings{"old row"});
    EXPECT_EQ(rig.window.fileFolder, rig.dir.path() / "elsewhere");
    EXPECT_EQ(rig.line.Calls(test::PortOp::ReadAll), 0);
    rig.ExpectIdle(true);
}

TEST(Recording, AFileThatCannotBeCreatedEndsTheRun) {
    RecordingRig rig;
    fs::create_directory(rig.dir / "SUB");
    rig.dialog.answer = rig.dir / "SUB"; // a folder, not a file
    rig.Arrive(Frame(Body(255, {1})));
    rig.Record(3);
    EXPECT_TRUE(fs::is_directory(rig.dir / "SUB"));
    EXPECT_TRUE(fs::is_empty(rig.dir / "SUB"));
    EXPECT_EQ(rig.line.Calls(test::PortOp::ReadAll), 1); // only the read that throws away
    rig.ExpectIdle(true);
}

TEST(Recording, AFolderThatCannotBeOpenedEndsTheRunBeforeTheRead) {
    RecordingRig rig;
    TapeBuilder().Raw({1}).WriteTo(rig.dir / "plain");
    rig.dialog.answer = rig.dir / "plain" / "x.tap";
    rig.Record(3);
    EXPECT_EQ(rig.line.Calls(test::PortOp::ReadAll), 0);
    EXPECT_EQ(rig.window.rows, Strings{"old row"});
    rig.ExpectIdle(true);
}

TEST(Recording, AClosedPortFailsBeforeTheFileIsCreated) {
    RecordingRig rig;
    rig.line.Close();
    rig.Record(1);
    EXPECT_TRUE(fs::is_empty(rig.dir.path()));
    EXPECT_EQ(rig.window.fileFolder, rig.dir.path()); // the browser had moved already
    rig.ExpectIdle(true);
}

TEST(Recording, AVanishingPortKeepsWhatWasWritten) {
    RecordingRig rig;
    const Bytes first = Frame(Body(255, {1, 2}));
    rig.Arrive(TapeBuilder().Raw(first).Raw(Frame(Body(255, {3}))).bytes(),
               {first.size(), 0, 0, 2});
    rig.line.VanishAt(test::PortOp::ReadAll, 4);
    rig.Record(0);
    EXPECT_EQ(test::ReadFileBytes(rig.Output("REC.TAP")), first);
    EXPECT_EQ(rig.window.rows, Strings{"{Data block [Length=2]}"});
    rig.ExpectIdle(true);
}

// Lets the test process write no more than a given number of bytes to any
// file, the way a full disk would stop the recording.
class FileSizeLimit {
public:
    explicit FileSizeLimit(rlim_t bytes) {
        previousHandler_ = std::signal(SIGXFSZ, SIG_IGN);
        getrlimit(RLIMIT_FSIZE, &previous_);
        rlimit limit = previous_;
        limit.rlim_cur = bytes;
        setrlimit(RLIMIT_FSIZE, &limit);
    }
    FileSizeLimit(const FileSizeLimit&) = delete;
    FileSizeLimit& operator=(const FileSizeLimit&) = delete;
    ~FileSizeLimit() {
        setrlimit(RLIMIT_FSIZE, &previous_);
        std::signal(SIGXFSZ, previousHandler_);
    }

private:
    rlimit previous_{};
    void (*previousHandler_)(int) = nullptr;
};

TEST(Recording, AFailedWriteKeepsTheWholeBlocksBefore) {
    RecordingRig rig;
    const Bytes first = Frame(Body(255, {1, 2, 3}));
    const Bytes second = Frame(Body(255, Bytes(40, 9)));
    rig.Arrive(TapeBuilder().Raw(first).Raw(second).Raw(Frame(Body(255, {4}))).bytes());
    {
        // The second block gets only a few of its bytes onto the disk.
        const FileSizeLimit limit(first.size() + 5);
        rig.Record(0); // the failure ends it
    }
    EXPECT_EQ(test::ReadFileBytes(rig.Output("REC.TAP")), first);
    EXPECT_EQ(rig.window.rows, Strings{"{Data block [Length=3]}"});
    rig.ExpectIdle(true);
}

TEST(Recording, OverwritesAnExistingFileUnderItsOwnName) {
    RecordingRig rig("old.tap");
    TapeBuilder().Raw(Bytes(50, 7)).WriteTo(rig.dir / "old.tap");
    rig.Arrive(Frame(Body(255, {1})));
    rig.Record(3);
    EXPECT_EQ(test::ReadFileBytes(rig.dir / "old.tap"), Frame(Body(255, {1})));
    EXPECT_FALSE(fs::exists(rig.dir / "OLD.TAP"));
}

TEST(Recording, OverwritesAnExistingFileAndUpperCasesOnlyItsName) {
    RecordingRig rig;
    fs::create_directory(rig.dir / "Tapes");
    rig.dialog.answer = rig.dir / "Tapes" / "mixed.Tap";
    TapeBuilder().Raw(Bytes(50, 7)).WriteTo(rig.dir / "Tapes" / "MIXED.TAP");
    rig.Arrive(Frame(Body(255, {1})));
    rig.Record(3);
    EXPECT_EQ(test::ReadFileBytes(rig.dir / "Tapes" / "MIXED.TAP"), Frame(Body(255, {1})));
    EXPECT_FALSE(fs::exists(rig.dir / "TAPES"));
    EXPECT_EQ(rig.window.dirFolder, rig.dir / "Tapes");
}

TEST(Recording, AsksWithTheTitleAndFilterOfTheChoice) {
    struct Case {
        bool ace;
        const char* format;
        const char* title;
        const char* filter;
        const char* pattern;
    };
    const Case cases[] = {
        {false, "JUP", "Record TAP File", "Spectrum Files", "*.TAP"},
        {true, "JUP", "Record JUP File", "Jupiter Ace Files", "*.JUP"},
        {true, "TAP", "Record TAP File", "Jupiter Ace Files", "*.TAP"},
    };
    for (const Case& c : cases) {
        RecordingRig rig("x.tap", c.ace, c.format);
        rig.dialog.answer.reset();
        rig.Record(1);
        ASSERT_EQ(rig.dialog.requests.size(), 1U);
        EXPECT_EQ(rig.dialog.requests[0].title, c.title);
        EXPECT_EQ(rig.dialog.requests[0].filterName, c.filter);
        EXPECT_EQ(rig.dialog.requests[0].pattern, c.pattern);
        EXPECT_EQ(rig.dialog.requests[0].initialFolder, fs::path("/opt/bitreel/bin"));
    }
}

TEST(Recording, ClearsAStandingProgressLineAfterTheEmptyPollLimit) {
    RecordingRig rig;
    rig.Arrive(Frame(Body(255, {1})));
    // Pass 1 completes the block; then count empty passes.
    const long long limit = Recording::EmptyPollsBeforeClearing;
    std::string atLimitMinusOne;
    rig.onYield = [&] {
        if (rig.window.yields == limit) {
            atLimitMinusOne = rig.window.status2;
        }
    };
    rig.Record(limit + 2);
    EXPECT_EQ(atLimitMinusOne, "5 of 5");
    EXPECT_EQ(rig.window.status2History, (Strings{"1 of ?", "5 of 5", "5 of 5", "", ""}));
}

TEST(Recording, AnEmptyProgressLineLetsTheCountRunOn) {
    RecordingRig rig;
    rig.Arrive(Frame(Body(255, {1})));
    const long long limit = Recording::EmptyPollsBeforeClearing;
    rig.Record(3 * limit + 5);
    // Cleared once at the limit; with the line empty the count runs on and
    // nothing is written again until the finishing steps.
    EXPECT_EQ(rig.window.status2History, (Strings{"1 of ?", "5 of 5", "5 of 5", "", ""}));
}

TEST(Recording, ExitLeavesTheBlocksWrittenAndReadsNoMore) {
    RecordingRig rig;
    const Bytes first = Frame(Body(255, {1, 2}));
    rig.Arrive(TapeBuilder().Raw(first).Raw(Frame(Body(255, {3}))).bytes(), {first.size(), 0, 4});
    rig.onYield = [&] {
        if (rig.window.yields == 2) {
            rig.recording.Abandon();
        }
    };
    rig.Record(0);
    EXPECT_EQ(rig.line.Calls(test::PortOp::ReadAll), 3); // the discard read and two passes
    EXPECT_EQ(test::ReadFileBytes(rig.Output("REC.TAP")), first);
    EXPECT_EQ(rig.window.status, "Recording..."); // no finishing step ran
}

} // namespace
} // namespace bitreel
