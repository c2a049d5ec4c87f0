#include "transfer/Recording.h"

#include "transfer/AudioRecording.h"

#include "transfer/Playback.h"

#include "support/ScriptedDialog.h"
#include "support/SimulatedLine.h"
#include "support/TapeBuilder.h"
#include "support/TempDir.h"
#include "support/TestFrontEnd.h"
#include "support/TestNames.h"

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <map>
#include <optional>

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
// machine's frames are queued before the run; the front end stops the run
// after a given number of yields.
class RecordingRig {
public:
    explicit RecordingRig(std::string name = "rec.tap", bool jupiterAce = false,
                          std::string format = "JUP") {
        request.machine = jupiterAce ? MachineKind::JupiterAce : MachineKind::Spectrum;
        request.layout = LayoutInForce(request.machine, format);
        request.dialogFolder = "/opt/bitreel/bin";
        dialog.answer = dir / name;
        line.SetSettings(ParseLineSettings("9600,n,8,1"));
        line.SetHandshaking(Handshake::RtsCts);
        line.Open();
        ui.onYield = [this] {
            if (stopAfterYields > 0 && ui.yields >= stopAfterYields && !ui.stopRequested) {
                ui.Stop();
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

    TransferResult Record(long long yields) {
        stopAfterYields = yields;
        return recording.Run(request);
    }

    [[nodiscard]] fs::path Output(const std::string& name) const { return dir / name; }

    // How the run ended; the status lines are empty again.
    void ExpectEnded(TransferResult::Ending ending) const {
        EXPECT_FALSE(ui.running);
        EXPECT_EQ(ui.ends, std::vector<Transfer>{Transfer::Record});
        ASSERT_TRUE(ui.result.has_value());
        EXPECT_EQ(ui.result->ending, ending) << ui.result->reason;
        EXPECT_EQ(ui.result->reason.empty(), ending != TransferResult::Ending::Failed);
        EXPECT_EQ(ui.status, "");
        EXPECT_EQ(ui.status2, "");
    }

    test::TempDir dir;
    SimulatedLine line;
    test::TestFrontEnd ui;
    test::ScriptedDialog dialog;
    RecordingRequest request;
    Recording recording{line, ui, ui, dialog};
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
    EXPECT_EQ(rig.ui.rows, (Strings{"Program     : hello      [Line=10, Vars Area=+3]",
                                    "{Data block [Length=3]}"}));
    // Both frames came in one read: one block per pass.
    EXPECT_EQ(rig.ui.status2History,
              (Strings{"1 of ?", "21 of 21", "21 of 21", "1 of ?", "7 of 7", "7 of 7", ""}));
    EXPECT_EQ(rig.ui.statusHistory, (Strings{"Recording...", "Stopping...", ""}));
    EXPECT_EQ(rig.ui.folders, std::vector<fs::path>{rig.dir.path()});
    rig.ExpectEnded(TransferResult::Ending::Stopped);
}

TEST(Recording, AFrameInManySmallReadsRisesPassByPass) {
    RecordingRig rig;
    const Bytes frame = Frame(Body(255, {9, 8, 7, 6}));
    rig.Arrive(frame, {1, 1, 0, 2, 3, 1});
    rig.Record(10);
    EXPECT_EQ(rig.ui.status2History, (Strings{"1 of ?", "1 of ?", "1 of ?", "1 of ?", "4 of 8",
                                              "7 of 8", "8 of 8", "8 of 8", ""}));
    EXPECT_EQ(test::ReadFileBytes(rig.Output("REC.TAP")), frame);
}

TEST(Recording, WaitsForAThirdByteBeforeReadingTheLength) {
    for (const Bytes& start : {Bytes{5}, Bytes{5, 0}}) {
        RecordingRig rig;
        rig.Arrive(start);
        rig.Record(4);
        EXPECT_EQ(rig.ui.status2History, (Strings{"1 of ?", "1 of ?", "1 of ?", "1 of ?", ""}));
        EXPECT_TRUE(test::ReadFileBytes(rig.Output("REC.TAP")).empty());
        EXPECT_TRUE(rig.ui.rows.empty());
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
        EXPECT_EQ(rig.ui.rows, c.rows) << c.name;
    }
}

// The window's own locking order is its test's; here the reports around
// the dialog: the run starts before it, a cancel ends it at once.
TEST(Recording, StartsBeforeTheDialogAndEndsAfterACancel) {
    RecordingRig rig;
    rig.dialog.answer.reset();
    std::vector<Transfer> startsWhenAsked;
    rig.dialog.onAsk = [&] { startsWhenAsked = rig.ui.starts; };
    rig.Record(1);
    EXPECT_EQ(startsWhenAsked, std::vector<Transfer>{Transfer::Record});
    EXPECT_TRUE(rig.ui.folders.empty());
    EXPECT_FALSE(rig.ui.receiving);
    EXPECT_EQ(rig.ui.statusHistory, (Strings{"Recording...", ""}));
    rig.ExpectEnded(TransferResult::Ending::Stopped);
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
    EXPECT_EQ(rig.ui.rows, Strings{c.row});
    // "1 of ?", then the count as the bytes move and again once written.
    ASSERT_GE(rig.ui.status2History.size(), 3U);
    EXPECT_EQ(rig.ui.status2History[1], c.lastProgress);
    EXPECT_EQ(rig.ui.status2History[2], c.lastProgress);
}

INSTANTIATE_TEST_SUITE_P(Layouts, RecordingLayout, testing::ValuesIn(kLayouts), test::ByName());

TEST(Recording, AceTapAlternatesHeaderAndDataByName) {
    RecordingRig rig("two.tap", true, "TAP");
    rig.Arrive(TapeBuilder()
                   .Raw(Frame(Body(0, test::AceHeader(0, "d", 2))))
                   .Raw(Frame(Body(255, {4, 5})))
                   .bytes());
    rig.Record(6);
    EXPECT_EQ(rig.ui.rows,
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
    const Bytes first = Frame(Body(255, {1, 2}));
    const Bytes second = Frame(Body(255, {3, 4, 5, 6}));
    rig.Arrive(TapeBuilder().Raw(first).Raw(second).bytes(), {first.size(), 0, 3});
    rig.Record(4);
    EXPECT_EQ(test::ReadFileBytes(rig.Output("REC.TAP")), first);
    EXPECT_EQ(rig.ui.rows, Strings{"{Data block [Length=2]}"});
    EXPECT_EQ(rig.ui.folders.back(), rig.dir.path());
    rig.ExpectEnded(TransferResult::Ending::Stopped);
}

// The names in a folder, each with its bytes.
std::map<std::string, Bytes> FolderFiles(const fs::path& folder) {
    std::map<std::string, Bytes> files;
    for (const auto& entry : fs::directory_iterator(folder)) {
        files[entry.path().filename().string()] = test::ReadFileBytes(entry.path());
    }
    return files;
}

// How a recording ends before or after its first block is written.
enum class Ending { Stop, Exit, PortGone };

struct NamingCase {
    const char* name;
    bool oldFile;   // REC.TAP holds an older recording
    Bytes arriving; // the machine's bytes, one per read
    Ending ending;  // after the reads of all of them
    bool newBlock;  // the first frame came whole: REC.TAP holds it
    std::optional<FramePart> cutShort;
};

void PrintTo(const NamingCase& c, std::ostream* os) {
    *os << c.name;
}

const Bytes kOld = TapeBuilder().Block(255, Bytes(30, 7)).bytes();
const Bytes kFirst = Frame(Body(255, {1, 2}));

const NamingCase kNamings[] = {
    {"NothingCameNoFile", false, {}, Ending::Stop, false, {}},
    {"NothingCameOldFileKept", true, {}, Ending::Stop, false, {}},
    {"LengthFieldOnlyOldFileKept", true, {6}, Ending::Stop, false, FramePart{0, {}}},
    {"HalfAFrameNoFile", false, {6, 0, 255, 1}, Ending::Stop, false, FramePart{2, 6}},
    {"HalfAFrameOldFileKept", true, {6, 0, 255, 1}, Ending::Stop, false, FramePart{2, 6}},
    {"ExitMidFrameOldFileKept", true, {6, 0, 255}, Ending::Exit, false, {}},
    {"PortGoneMidFrameOldFileKept", true, {6, 0, 255}, Ending::PortGone, false, FramePart{1, 6}},
    {"FirstBlockReplacesTheOldFile", true, kFirst, Ending::Stop, true, {}},
    {"FirstBlockThenHalfAFrame", true, TapeBuilder().Raw(kFirst).Raw({9, 0, 255}).bytes(),
     Ending::Stop, true, FramePart{1, 9}},
    {"ExitAfterTheFirstBlock", false, kFirst, Ending::Exit, true, {}},
};

class RecordingName : public testing::TestWithParam<NamingCase> {};

// The file takes its name only with its first block: until then an older
// recording of that name is kept, and no file is made where there was none.
// No file of the recording's own is left behind either way.
TEST_P(RecordingName, TakenOnlyWithTheFirstBlock) {
    const NamingCase& c = GetParam();
    RecordingRig rig;
    if (c.oldFile) {
        TapeBuilder().Raw(kOld).WriteTo(rig.Output("REC.TAP"));
    }
    // One read per byte, and one more that finds nothing.
    rig.Arrive(c.arriving, std::vector<std::size_t>(c.arriving.size() + 1, 1));
    const long long passes = static_cast<long long>(c.arriving.size()) + 2;
    if (c.ending == Ending::PortGone) {
        rig.line.VanishAt(test::PortOp::ReadAll, static_cast<int>(passes));
    } else if (c.ending == Ending::Exit) {
        rig.onYield = [&] {
            if (rig.ui.yields == passes) {
                rig.recording.Abandon();
            }
        };
    }
    const TransferResult result = rig.Record(c.ending == Ending::Stop ? passes : 0);

    std::map<std::string, Bytes> expected;
    if (c.newBlock) {
        expected["REC.TAP"] = kFirst;
    } else if (c.oldFile) {
        expected["REC.TAP"] = kOld;
    }
    EXPECT_EQ(FolderFiles(rig.dir.path()), expected);
    EXPECT_EQ(result.file.empty(), !c.newBlock || c.ending == Ending::Exit);
    if (c.ending != Ending::Exit) {
        EXPECT_EQ(result.cutShort, c.cutShort);
        EXPECT_EQ(result.block, c.newBlock ? 1 : 0);
    }
}

INSTANTIATE_TEST_SUITE_P(Endings, RecordingName, testing::ValuesIn(kNamings), test::ByName());

// What happens to REC.TAP, holding the first block, before the second
// arrives.
enum class Meddling { Removed, Moved, CopiedOver, MovedWithTheNextNameTaken };

struct MovedCase {
    const char* name;
    Meddling meddling;
    std::map<std::string, Bytes> after; // the folder's files at the end
    std::string recording;              // the one that holds every block
    bool replaced;
    // Done again to the file that holds two blocks, before a third arrives.
    std::optional<Meddling> again = std::nullopt;
};

void PrintTo(const MovedCase& c, std::ostream* os) {
    *os << c.name;
}

const Bytes kSecond = Frame(Body(255, {3, 4, 5}));
const Bytes kBoth = TapeBuilder().Raw(kFirst).Raw(kSecond).bytes();
const Bytes kThird = Frame(Body(255, {6}));
const Bytes kAllThree = TapeBuilder().Raw(kBoth).Raw(kThird).bytes();

const MovedCase kMoves[] = {
    {"RemovedIsWrittenAgain", Meddling::Removed, {{"REC.TAP", kBoth}}, "REC.TAP", false},
    {"ReplacedGoesBesideIt",
     Meddling::Moved,
     {{"REC.TAP", kOld}, {"REC-2.TAP", kBoth}},
     "REC-2.TAP",
     true},
    {"CopiedOverGoesBesideIt",
     Meddling::CopiedOver,
     {{"REC.TAP", kOld}, {"REC-2.TAP", kBoth}},
     "REC-2.TAP",
     true},
    {"ReplacedWithTheNextNameTaken",
     Meddling::MovedWithTheNextNameTaken,
     {{"REC.TAP", kOld}, {"REC-2.TAP", kOld}, {"REC-3.TAP", kBoth}},
     "REC-3.TAP",
     true},
    // The next name counts on from the recording's own, not the moved one's.
    {"ReplacedTwiceCountsOnFromItsName",
     Meddling::Moved,
     {{"REC.TAP", kOld}, {"REC-2.TAP", kOld}, {"REC-3.TAP", kAllThree}},
     "REC-3.TAP",
     true,
     Meddling::Moved},
};

class RecordingMoved : public testing::TestWithParam<MovedCase> {};

// A recording whose file is removed or replaced meanwhile goes on in a new
// file that holds every block, and says where; the other file is left be.
TEST_P(RecordingMoved, KeepsEveryBlockInANewFile) {
    const MovedCase& c = GetParam();
    RecordingRig rig;
    const fs::path rec = rig.Output("REC.TAP");
    if (c.again) {
        rig.Arrive(kAllThree, {kFirst.size(), 0, 0, kSecond.size(), 0, 0, kThird.size()});
    } else {
        rig.Arrive(kBoth, {kFirst.size(), 0, 0, kSecond.size()});
    }
    std::size_t meddledAt = 0; // blocks listed when last meddled
    rig.onYield = [&] {
        const std::size_t blocks = rig.ui.rows.size();
        if (blocks == meddledAt || blocks > (c.again ? 2u : 1u)) {
            return;
        }
        meddledAt = blocks;
        // The second time, to the file the first move made.
        const fs::path file = blocks == 1 ? rec : rig.Output("REC-2.TAP");
        switch (blocks == 1 ? c.meddling : *c.again) {
        case Meddling::Removed:
            fs::remove(file);
            break;
        case Meddling::MovedWithTheNextNameTaken:
            TapeBuilder().Raw(kOld).WriteTo(rig.Output("REC-2.TAP"));
            [[fallthrough]];
        case Meddling::Moved:
            TapeBuilder().Raw(kOld).WriteTo(rig.Output("OTHER.TAP"));
            fs::rename(rig.Output("OTHER.TAP"), file);
            break;
        case Meddling::CopiedOver:
            TapeBuilder().Raw(kOld).WriteTo(file); // the same file, written over
            break;
        }
    };
    const TransferResult result = rig.Record(c.again ? 11 : 8);
    ASSERT_EQ(rig.ui.rows.size(), c.again ? 3u : 2u);
    EXPECT_EQ(FolderFiles(rig.dir.path()), c.after);
    EXPECT_EQ(result.file, rig.Output(c.recording));
    ASSERT_TRUE(result.moved.has_value());
    EXPECT_EQ(result.moved->from, rec);
    EXPECT_EQ(result.moved->replaced, c.replaced);
    rig.ExpectEnded(TransferResult::Ending::Stopped);
}

INSTANTIATE_TEST_SUITE_P(Meddlings, RecordingMoved, testing::ValuesIn(kMoves), test::ByName());

TEST(Recording, CancelCreatesNothingAndKeepsTheList) {
    RecordingRig rig;
    rig.dialog.answer.reset();
    rig.Record(1);
    EXPECT_TRUE(fs::is_empty(rig.dir.path()));
    // The list of blocks was never emptied, the browser never moved.
    EXPECT_FALSE(rig.ui.receiving);
    EXPECT_TRUE(rig.ui.folders.empty());
    EXPECT_EQ(rig.line.Calls(test::PortOp::ReadAll), 0);
    rig.ExpectEnded(TransferResult::Ending::Stopped);
}

TEST(Recording, AFileThatCannotBeCreatedEndsTheRun) {
    RecordingRig rig;
    fs::create_directory(rig.dir / "SUB");
    rig.dialog.answer = rig.dir / "SUB"; // a folder, not a file
    rig.Arrive(Frame(Body(255, {1})));
    EXPECT_EQ(rig.Record(3).reason, "Cannot write SUB: Is a directory");
    EXPECT_TRUE(fs::is_directory(rig.dir / "SUB"));
    EXPECT_TRUE(fs::is_empty(rig.dir / "SUB"));
    EXPECT_EQ(rig.line.Calls(test::PortOp::ReadAll), 1); // only the read that throws away
    rig.ExpectEnded(TransferResult::Ending::Failed);
}

TEST(Recording, AFolderThatCannotBeOpenedEndsTheRunBeforeTheRead) {
    RecordingRig rig;
    TapeBuilder().Raw({1}).WriteTo(rig.dir / "plain");
    rig.dialog.answer = rig.dir / "plain" / "x.tap";
    EXPECT_EQ(rig.Record(3).reason, "Cannot open the folder plain");
    EXPECT_EQ(rig.line.Calls(test::PortOp::ReadAll), 0);
    EXPECT_FALSE(rig.ui.receiving);
    rig.ExpectEnded(TransferResult::Ending::Failed);
}

TEST(Recording, AClosedPortFailsBeforeTheFileIsCreated) {
    RecordingRig rig;
    rig.line.Close();
    EXPECT_EQ(rig.Record(1).reason, "COM1 is not open");
    EXPECT_TRUE(fs::is_empty(rig.dir.path()));
    // The browser had moved already; the list of blocks was not emptied.
    EXPECT_EQ(rig.ui.folders, std::vector<fs::path>{rig.dir.path()});
    EXPECT_FALSE(rig.ui.receiving);
    rig.ExpectEnded(TransferResult::Ending::Failed);
}

TEST(Recording, AVanishingPortKeepsWhatWasWritten) {
    RecordingRig rig;
    const Bytes first = Frame(Body(255, {1, 2}));
    rig.Arrive(TapeBuilder().Raw(first).Raw(Frame(Body(255, {3}))).bytes(),
               {first.size(), 0, 0, 2});
    rig.line.VanishAt(test::PortOp::ReadAll, 4);
    const TransferResult result = rig.Record(0);
    EXPECT_EQ(result.reason, "COM1 went away");
    EXPECT_EQ(result.block, 1);
    EXPECT_EQ(test::ReadFileBytes(rig.Output("REC.TAP")), first);
    EXPECT_EQ(rig.ui.rows, Strings{"{Data block [Length=2]}"});
    rig.ExpectEnded(TransferResult::Ending::Failed);
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
        // The failure ends it.
        EXPECT_EQ(rig.Record(0).reason, "Cannot write REC.TAP: File too large");
    }
    EXPECT_EQ(test::ReadFileBytes(rig.Output("REC.TAP")), first);
    EXPECT_EQ(rig.ui.rows, Strings{"{Data block [Length=3]}"});
    rig.ExpectEnded(TransferResult::Ending::Failed);
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
    EXPECT_EQ(rig.ui.folders.back(), rig.dir / "Tapes");
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
        if (rig.ui.yields == limit) {
            atLimitMinusOne = rig.ui.status2;
        }
    };
    rig.Record(limit + 2);
    EXPECT_EQ(atLimitMinusOne, "5 of 5");
    EXPECT_EQ(rig.ui.status2History, (Strings{"1 of ?", "5 of 5", "5 of 5", "", ""}));
}

TEST(Recording, AnEmptyProgressLineLetsTheCountRunOn) {
    RecordingRig rig;
    rig.Arrive(Frame(Body(255, {1})));
    const long long limit = Recording::EmptyPollsBeforeClearing;
    rig.Record(3 * limit + 5);
    // Cleared once at the limit; with the line empty the count runs on and
    // nothing is written again until the finishing steps.
    EXPECT_EQ(rig.ui.status2History, (Strings{"1 of ?", "5 of 5", "5 of 5", "", ""}));
}

TEST(Recording, ExitLeavesTheBlocksWrittenAndReadsNoMore) {
    RecordingRig rig;
    const Bytes first = Frame(Body(255, {1, 2}));
    rig.Arrive(TapeBuilder().Raw(first).Raw(Frame(Body(255, {3}))).bytes(), {first.size(), 0, 4});
    rig.onYield = [&] {
        if (rig.ui.yields == 2) {
            rig.recording.Abandon();
        }
    };
    rig.Record(0);
    EXPECT_EQ(rig.line.Calls(test::PortOp::ReadAll), 3); // the discard read and two passes
    EXPECT_EQ(test::ReadFileBytes(rig.Output("REC.TAP")), first);
    EXPECT_EQ(rig.ui.status, "Recording..."); // no finishing step ran
    EXPECT_TRUE(rig.ui.ends.empty());
}

} // namespace
} // namespace bitreel

namespace bitreel {
namespace {

// A front end that runs out of memory as it is released.
class FailingRelease : public test::TestFrontEnd {
public:
    void RunEnds(Transfer transfer, const TransferResult& ended) override {
        TestFrontEnd::RunEnds(transfer, ended);
        throw std::bad_alloc();
    }
};

struct FinishingCase {
    const char* name;
    std::function<TransferResult(SerialPort&, test::TestFrontEnd&, const fs::path& dir)> run;
};

void PrintTo(const FinishingCase& c, std::ostream* os) {
    *os << c.name;
}

class FinishingStep : public testing::TestWithParam<FinishingCase> {};

// A finishing step that fails for want of memory is not passed over quietly;
// a port that cannot discard its output still is, and the later steps run.
TEST_P(FinishingStep, LetsAnUnexpectedErrorGoOn) {
    test::TempDir dir;
    TapeBuilder().Block(255, {1, 2, 3}).WriteTo(dir / "GAME.TAP");
    SimulatedLine line;
    line.Open();
    FailingRelease ui;
    EXPECT_THROW(static_cast<void>(GetParam().run(line, ui, dir.path())), std::bad_alloc);
    EXPECT_EQ(ui.ends.size(), 1U);
}

TransferResult PlayGame(SerialPort& line, test::TestFrontEnd& ui, const fs::path& dir) {
    Playback playback(line, ui);
    return playback.Run({dir / "GAME.TAP", TapeLayout::SpectrumTap, 0, 1});
}

// A sound input that runs out of memory as it is read.
class FailingInput : public AudioInput {
public:
    [[nodiscard]] std::uint32_t Rate() const override { return 44100; }
    void Read(std::vector<float>&) override { throw std::bad_alloc(); }
    [[nodiscard]] std::optional<std::string> Failure() override { return std::nullopt; }
};

INSTANTIATE_TEST_SUITE_P(
    Runs, FinishingStep,
    testing::Values(FinishingCase{"PlayComplete", PlayGame},
                    FinishingCase{
                        "PlayOnAClosedPort",
                        [](SerialPort& line, test::TestFrontEnd& ui, const fs::path& dir) {
                            line.Close();
                            return PlayGame(line, ui, dir);
                        }},
                    FinishingCase{"RecordCancelled",
                                  [](SerialPort& line, test::TestFrontEnd& ui, const fs::path&) {
                                      test::ScriptedDialog dialog; // no answer: cancelled
                                      Recording recording(line, ui, ui, dialog);
                                      return recording.Run({});
                                  }},
                    FinishingCase{"RecordSoundFailing",
                                  [](SerialPort&, test::TestFrontEnd& ui, const fs::path& dir) {
                                      FailingInput input;
                                      AudioRecording recording(input, ui, ui);
                                      AudioRecordingRequest request;
                                      request.output = dir / "REC.TZX";
                                      return recording.Run(request);
                                  }}),
    test::ByName());

} // namespace
} // namespace bitreel
