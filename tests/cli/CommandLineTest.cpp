// The real bitreel executable run as a script runs it: each command over
// temporary files and pseudo-terminal pairs, its output, files and exit status.
#include "tape/ContentsList.h"
#include "tape/TapeChoice.h"
#include "tape/TapeImage.h"
#include "tape/formats/BlockReader.h"

#include "cli/BitreelProcess.h"
#include "cli/output/Console.h"
#include "support/PtyPair.h"
#include "support/TapeBuilder.h"
#include "support/TempDir.h"
#include "support/TzxBuilder.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <gtest/gtest.h>

#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>
#include <string>
#include <thread>
#include <vector>

namespace bitreel {
namespace {

namespace fs = std::filesystem;
using test::Bitreel;
using test::Bytes;
using test::PtyPair;
using test::Q;
using test::Ran;
using test::RunBitreel;
using test::SpectrumHeader;
using test::TapeBuilder;
using test::TempDir;
using test::Timeout;

const fs::path Corpus = BITREEL_CORPUS_DIR;

// The rows the window lists for a file, as the command line shows them.
std::string WindowRows(const fs::path& path, TapeChoice choice) {
    bool expectHeader = true;
    std::string text;
    for (const std::string& row : LoadContents(path, choice.machine, choice.layout, expectHeader)) {
        text += cli::Latin1ToUtf8(row) + '\n';
    }
    return text;
}

// The frames Play sends for a file from a row to a row: each block as
// ReadBlock gives it.
Bytes Frames(const fs::path& path, TapeLayout layout, int from,
             std::optional<int> to = std::nullopt) {
    TapeFile file(path);
    TapeBlock block;
    Bytes frames;
    bool header = true;
    for (int row = 0; ReadBlock(file, block, layout, header) && block.Length >= 0; ++row) {
        if (row >= from && row <= to.value_or(row)) {
            frames.insert(frames.end(), block.Bytes.begin(), block.Bytes.end());
        }
        header = !header;
    }
    return frames;
}

struct ListCase {
    const char* file;
    QStringList options;
    TapeChoice choice;
};

void PrintTo(const ListCase& c, std::ostream* os) {
    *os << c.file << " " << c.options.join(' ').toStdString();
}

const ListCase kLists[] = {
    {"spectrum/standard-tap.tap", {}, {}},
    {"spectrum/z80_test_1_tap.tap", {}, {}},
    {"spectrum/template_tap_with_zx7.tap", {}, {}},
    {"ace/DICT.tap", {"--machine", "ace"}, {MachineKind::JupiterAce, TapeLayout::AceTap}},
    {"ace/hello_ace.TAP", {"--format", "tap"}, {MachineKind::JupiterAce, TapeLayout::AceTap}},
    {"ace/D.TAP", {"--format", "jup"}, {MachineKind::JupiterAce, TapeLayout::AceJup}},
    {"ace/EXEC.TAP", {"--machine", "spectrum"}, {}},
    {BITREEL_SEEDS_DIR "/every-block-id.tzx", {}, {}},
    {BITREEL_SEEDS_DIR "/every-tag.pzx", {}, {}},
};

class ListTest : public ::testing::TestWithParam<ListCase> {};

TEST_P(ListTest, RowsAreTheWindowsRows) {
    const ListCase& c = GetParam();
    const fs::path path = Corpus / c.file;
    const Ran listed = RunBitreel(QStringList{"list"} + c.options + QStringList{Q(path)});
    EXPECT_EQ(listed.status, 0) << listed.err;
    EXPECT_EQ(listed.out, WindowRows(path, c.choice));
}

TEST_P(ListTest, JsonHoldsTheSameRowsWithTheirFacts) {
    const ListCase& c = GetParam();
    const fs::path path = Corpus / c.file;
    const Ran listed = RunBitreel(QStringList{"list", "--json"} + c.options + QStringList{Q(path)});
    ASSERT_EQ(listed.status, 0) << listed.err;
    const QJsonArray files = QJsonDocument::fromJson(QByteArray::fromStdString(listed.out)).array();
    ASSERT_EQ(files.size(), 1);
    std::string rows;
    int number = 1;
    for (const QJsonValue block : files[0].toObject()[QStringLiteral("blocks")].toArray()) {
        const QJsonObject object = block.toObject();
        EXPECT_EQ(object[QStringLiteral("number")].toInt(), number++);
        // The exact text, which the text rows show by the rule.
        rows += cli::ShownLine(object[QStringLiteral("row")].toString().toStdString()) + "\n";
        const QString kind = object[QStringLiteral("kind")].toString();
        EXPECT_EQ(object[QStringLiteral("header")].isObject(), kind == QLatin1String("header"));
        EXPECT_EQ(object[QStringLiteral("checksum")].isString(),
                  object[QStringLiteral("length")].isDouble());
    }
    EXPECT_EQ(rows, WindowRows(path, c.choice));
}

INSTANTIATE_TEST_SUITE_P(Corpus, ListTest, ::testing::ValuesIn(kLists));

TEST(ListJson, DecodesHeadersVerdictsAndTapeKinds) {
    const Ran listed = RunBitreel({"list", "--json", Q(Corpus / "spectrum/standard-tap.tap"),
                                   Q(fs::path(BITREEL_SEEDS_DIR) / "every-block-id.tzx")});
    ASSERT_EQ(listed.status, 0) << listed.err;
    const QJsonArray files = QJsonDocument::fromJson(QByteArray::fromStdString(listed.out)).array();
    ASSERT_EQ(files.size(), 2);
    const QJsonArray tap = files[0].toObject()[QStringLiteral("blocks")].toArray();
    const QJsonObject header = tap[0].toObject()[QStringLiteral("header")].toObject();
    EXPECT_EQ(header[QStringLiteral("type")].toString(), QStringLiteral("program"));
    EXPECT_EQ(header[QStringLiteral("name")].toString(), QStringLiteral("Test      "));
    EXPECT_EQ(header[QStringLiteral("variables")].toInt(), 12);
    EXPECT_FALSE(header.contains(QStringLiteral("line")));
    EXPECT_EQ(tap[1].toObject()[QStringLiteral("kind")].toString(), QStringLiteral("data"));
    EXPECT_EQ(tap[1].toObject()[QStringLiteral("flag")].toInt(), 255);
    EXPECT_EQ(tap[1].toObject()[QStringLiteral("checksum")].toString(), QStringLiteral("replaced"));
    EXPECT_EQ(files[1].toObject()[QStringLiteral("layout")].toString(), QStringLiteral("tzx"));
    QStringList kinds;
    for (const QJsonValue block : files[1].toObject()[QStringLiteral("blocks")].toArray()) {
        kinds.append(block.toObject()[QStringLiteral("kind")].toString());
    }
    EXPECT_TRUE(kinds.contains(QStringLiteral("skipped")));
    EXPECT_TRUE(kinds.contains(QStringLiteral("stop")));
    EXPECT_TRUE(kinds.contains(QStringLiteral("header")));
}

TEST(List, SeveralFilesEachUnderItsName) {
    TempDir dir;
    TapeBuilder().Block(0, SpectrumHeader(3, "\xe9t\xe9", 2, 400, 0)).WriteTo(dir / "A.TAP");
    TapeBuilder().Block(255, {1, 2}).WriteTo(dir / "B.TAP");
    const Ran listed = RunBitreel({"list", "A.TAP", "B.TAP"}, dir.path());
    EXPECT_EQ(listed.status, 0);
    EXPECT_EQ(listed.out, "A.TAP:\nCode        : \xc3\xa9t\xc3\xa9        [Start=400, Length=2]\n"
                          "\nB.TAP:\n{Data block [Length=2]}\n");
}

// A tape's text as the command line prints it: controls as their pictures,
// C1 codes as U+FFFD; JSON keeps the exact text.
struct ShownCase {
    const char* name;
    QStringList arguments;
    std::string out, err; // what each stream holds
    bool json = false;
};

void PrintTo(const ShownCase& c, std::ostream* os) {
    *os << c.name;
}

// The name bytes A CR B LF C ESC D DEL 0x85 E, shown.
const std::string kShownName = "A\u240dB\u240aC\u241bD\u2421\ufffdE";

const ShownCase kShown[] = {
    {"ListRow", {"list", "NAMES.TAP"}, "Program     : " + kShownName + " [Line=10", ""},
    {"ViewHeaderFields", {"view", "NAMES.TAP", "1"}, "Name: \"" + kShownName + "\"\n", ""},
    {"Message", {"convert", "GROUP.TZX", "OUT.TAP"}, "", "left out: Group       : G\ufffd\n"},
    {"Json",
     {"list", "--json", "NAMES.TAP"},
     "\"row\":\"Program     : A\\rB\\nC\\u001bD\x7f\xc2\x85\x45 [Line=10",
     "",
     true},
};

class ShownTest : public ::testing::TestWithParam<ShownCase> {};

TEST_P(ShownTest, NoControlReachesTheTerminal) {
    const ShownCase& c = GetParam();
    TempDir dir;
    const Bytes header = SpectrumHeader(0,
                                        "A\rB\nC\x1b"
                                        "D\x7f\x85"
                                        "E",
                                        3, 10, 3);
    TapeBuilder().Block(0, header).Block(255, {1, 2, 3}).WriteTo(dir / "NAMES.TAP");
    test::TzxBuilder()
        .GroupStart("G\x85")
        .GroupEnd()
        .Standard(test::DataBytes(255, {1}))
        .WriteTo(dir / "GROUP.TZX");
    const Ran ran = RunBitreel(c.arguments, dir.path());
    EXPECT_NE(ran.out.find(c.out), std::string::npos) << ran.out;
    EXPECT_NE(ran.err.find(c.err), std::string::npos) << ran.err;
    const std::string all = ran.out + ran.err;
    const bool raw = std::any_of(all.begin(), all.end(), [](char ch) {
        return (ch >= 0 && ch < 0x20 && ch != '\n') || ch == 0x7F;
    });
    EXPECT_EQ(raw || all.find("\xc2\x85") != std::string::npos, c.json) << all;
}

INSTANTIATE_TEST_SUITE_P(Commands, ShownTest, ::testing::ValuesIn(kShown),
                         [](const auto& info) { return std::string(info.param.name); });

// Exit statuses and the one line that says why.
struct StatusCase {
    const char* name;
    QStringList arguments;
    int status;
    std::string err; // the whole of standard error, or empty to see only the status
};

void PrintTo(const StatusCase& c, std::ostream* os) {
    *os << c.name;
}

const StatusCase kStatuses[] = {
    {"ListDone", {"list", "GOOD.TAP"}, 0, ""},
    {"ListMissing",
     {"list", "GAME.TAP"},
     1,
     "bitreel: cannot open GAME.TAP: No such file or directory\n"},
    {"ListCorrupt", {"list", "CORRUPT.TAP"}, 2, ""},
    {"ListTooLarge",
     {"list", "HUGE.TAP"},
     1,
     "bitreel: cannot read HUGE.TAP: File too large (the limit is 64 MB)\n"},
    {"ListMissingBeatsCorrupt", {"list", "CORRUPT.TAP", "GAME.TAP"}, 1, ""},
    {"ListNothing", {"list"}, 1, "bitreel: list: no FILE given (see bitreel list --help)\n"},
    {"ListBadMachine", {"list", "--machine", "zx81", "GOOD.TAP"}, 1, ""},
    // Read by the Ace's rules a PZX file would list as nonsense.
    {"PzxIsNoAceTape",
     {"list", "--machine", "ace", "GAME.PZX"},
     1,
     "bitreel: GAME.PZX: a PZX file is a Spectrum tape; the Jupiter Ace reads TZX, JUP and TAP "
     "files\n"},
    {"UnknownOption", {"list", "--colour", "GOOD.TAP"}, 1, ""},
    {"PlayWithoutPort",
     {"play", "GOOD.TAP"},
     1,
     "bitreel: play: --port PORT is required (see bitreel play --help)\n"},
    {"PlayUnknownComName", {"play", "--port", "COM99", "GOOD.TAP"}, 1, ""},
    {"PlayFromPastTheEnd", {"play", "--port", "/dev/null", "--from", "3", "GOOD.TAP"}, 1, ""},
    {"PlayFromZero",
     {"play", "--port", "/dev/null", "--from", "0", "GOOD.TAP"},
     1,
     "bitreel: play: --from 0: rows count from 1; GOOD.TAP has rows 1 to 2 (see bitreel play "
     "--help)\n"},
    {"PlayToZero", {"play", "--port", "/dev/null", "--to", "0", "GOOD.TAP"}, 1, ""},
    {"ViewRowZero",
     {"view", "GOOD.TAP", "0"},
     1,
     "bitreel: view: row 0: rows count from 1; GOOD.TAP has rows 1 to 2 (see bitreel view "
     "--help)\n"},
    {"PlayMissingFile", {"play", "--port", "/dev/null", "GAME.TAP"}, 1, ""},
    {"PlayPortAbsent", {"play", "--port", "/dev/no-such-tty", "GOOD.TAP"}, 3, ""},
    // An existing OUT is refused before the port is touched.
    {"RecordOverAFileWithAnAbsentPort",
     {"record", "--port", "/dev/no-such-tty", "GOOD.TAP"},
     1,
     "bitreel: GOOD.TAP exists; give --force to overwrite it\n"},
    {"PlayToPastTheEnd", {"play", "--port", "/dev/null", "--to", "3", "GOOD.TAP"}, 1, ""},
    {"PlayToBeforeFrom",
     {"play", "--port", "/dev/null", "--from", "2", "--to", "1", "GOOD.TAP"},
     1,
     "bitreel: play: --to 1 comes before --from 2 (see bitreel play --help)\n"},
    // Through the sound card: the usage errors come before any output is opened.
    {"PlayAudioAndPort",
     {"play", "--audio", "--port", "COM5", "GOOD.TAP"},
     1,
     "bitreel: play: give --port or --audio, not both (see bitreel play --help)\n"},
    {"PlaySoundOptionWithoutAudio",
     {"play", "--port", "/dev/null", "--invert", "GOOD.TAP"},
     1,
     "bitreel: play: --rate, --invert and --level are for --audio (see bitreel play --help)\n"},
    {"PlayAudioOddRate",
     {"play", "--audio", "--rate", "44000", "GOOD.TAP"},
     1,
     "bitreel: play: --rate 44000: give 22050, 44100, 48000 or 96000 (see bitreel play --help)\n"},
    {"PlayAudioLevelZero", {"play", "--audio", "--level", "0", "GOOD.TAP"}, 1, ""},
    {"PlayAudioLevelPastFull", {"play", "--audio", "--level", "101", "GOOD.TAP"}, 1, ""},
    {"PlayAudioThreeWords",
     {"play", "--audio", "out", "GOOD.TAP", "GOOD.TAP"},
     1,
     "bitreel: play: give FILE, or DEVICE and FILE (see bitreel play --help)\n"},
    {"PlayTwoWordsWithoutAudio", {"play", "--port", "/dev/null", "out", "GOOD.TAP"}, 1, ""},
    {"PlayAudioMissingFile", {"play", "--audio", "GAME.TAP"}, 1, ""},
    {"PlayAudioToPastTheEnd", {"play", "--audio", "--to", "3", "GOOD.TAP"}, 1, ""},
    {"CheckWithoutPort",
     {"check"},
     1,
     "bitreel: check: --port PORT is required (see bitreel check --help)\n"},
    {"CheckWatchAndLoopback", {"check", "--port", "COM5", "--loopback", "--watch", "1"}, 1, ""},
    {"CheckPortAbsent", {"check", "--port", "/dev/no-such-tty", "--watch", "0"}, 3, ""},
    {"RecordPortAbsent", {"record", "--port", "/dev/no-such-tty", "NEW.TAP"}, 3, ""},
    {"RecordBadBlocks", {"record", "--port", "COM5", "--blocks", "0", "NEW.TAP"}, 1, ""},
    {"ConvertSameLayout", {"convert", "GOOD.TAP", "OTHER.TAP"}, 1, ""},
    {"ConvertCorrupt",
     {"convert", "--machine", "ace", "CORRUPT.TAP", "CORRUPT.JUP"},
     2,
     // Read as a Jupiter Ace's, its first block's checksum fits no rule either.
     "bitreel: CORRUPT.TAP: block 1 written damaged: its checksum fits no rule\n"
     "bitreel: CORRUPT.TAP: block 2 is corrupt; it and the bytes after it are left out\n"},
    {"ConvertImageKeepsAnExistingOut",
     {"convert", BITREEL_SEEDS_DIR "/every-block-id.tzx", "GOOD.TAP"},
     1,
     "bitreel: GOOD.TAP exists; give --force to overwrite it\n"},
    // convert writes only what it was asked for.
    {"ConvertToAnExtensionItDoesNotWrite",
     {"convert", "GOOD.TAP", "OUT.BIN"},
     1,
     "bitreel: convert: cannot write OUT.BIN: convert writes .tap, .jup, .dic, .byt, .wav, "
     ".flac or .csw files (and .tzx from a recording or a snapshot) (see bitreel convert "
     "--help)\n"},
    {"ConvertToTzx", {"convert", "GOOD.TAP", "OUT.TZX"}, 1, ""},
    {"ConvertSpectrumTapeToJup",
     {"convert", "GOOD.TAP", "GOOD.JUP"},
     1,
     "bitreel: convert: GOOD.TAP holds a Spectrum tape: it does not become a Jupiter Ace "
     "layout (JUP or Ace TAP) (see bitreel convert --help)\n"},
    {"ConvertSpectrumTapeReadAsAce",
     {"convert", "--machine", "ace", "--format", "jup", "GOOD.TAP", "OUT.DIC"},
     1,
     ""},
    {"NotACommandNorAFile",
     {"lsit", "GOOD.TAP"},
     1,
     "bitreel: lsit is not a command; give one FILE to open the window on\n"},
    {"UnknownOptionWithoutACommand",
     {"--bogus"},
     1,
     "bitreel: Unknown option 'bogus'. (see bitreel --help)\n"},
    {"ConvertAFolder",
     {"convert", "DIR", "OUT.TAP"},
     1,
     "bitreel: cannot open DIR: Is a directory\n"},
    // A block written damaged is said so, and the status tells a script.
    {"ConvertABlockWithABadChecksum",
     {"convert", "BADSUM.TZX", "OUT.TAP"},
     2,
     "bitreel: BADSUM.TZX: row 1 written damaged: {Data block [Length=3]} (Invalid Checksum)\n"},
    {"ConvertABlockARecordingReadDamaged",
     {"convert", "MARKED.TZX", "OUT.TAP"},
     2,
     "bitreel: MARKED.TZX: row 2 written damaged: {Data block [Length=1]}; 2 bytes where the "
     "header says 3; least certain bits 2.0\n"},
    {"ConvertAnAceBlockWithABadChecksum",
     {"convert", "--machine", "ace", "BADSUM.TAP", "OUT.JUP"},
     2,
     "bitreel: BADSUM.TAP: block 1 written damaged: its checksum fits no rule\n"},
    // A block TAP cannot carry is named, not denied.
    {"ConvertOnlyABlockTapCannotCarry",
     {"convert", "PARTIAL.TZX", "OUT.TAP"},
     2,
     "bitreel: PARTIAL.TZX: row 1 left out: Turbo data  : 17 bits [not sent]\n"
     "bitreel: PARTIAL.TZX holds no block a TAP file can hold; nothing is written\n"},
    // Pauses and texts alone are silence: no sound file is written for them.
    {"ConvertOnlySilenceToSound",
     {"convert", "PAUSE.TZX", "OUT.WAV"},
     2,
     "bitreel: PAUSE.TZX holds no block; nothing is written\n"},
    {"Version", {"--version"}, 0, ""},
};

class StatusTest : public ::testing::TestWithParam<StatusCase> {};

TEST_P(StatusTest, ExitStatusAndMessage) {
    const StatusCase& c = GetParam();
    TempDir dir;
    TapeBuilder()
        .Block(0, SpectrumHeader(0, "good", 2, 10, 2))
        .Block(255, {1, 2})
        .WriteTo(dir / "GOOD.TAP");
    TapeBuilder().Block(255, {1, 2}).Length(900).Raw({1, 2, 3}).WriteTo(dir / "CORRUPT.TAP");
    TapeBuilder().WriteTo(dir / "HUGE.TAP");
    fs::resize_file(dir / "HUGE.TAP", TapeImage::MaxFileSize + 1); // sparse: no time to write
    fs::create_directory(dir / "DIR");
    test::TzxBuilder().Standard({255, 1, 2, 3, 9}).WriteTo(dir / "BADSUM.TZX");
    // As a recording's image keeps a block it read damaged: the text before it says so.
    test::TzxBuilder()
        .Text("damaged: 2 bytes where the header says 3; least certain bits 2.0")
        .Standard({255, 7, 7})
        .WriteTo(dir / "MARKED.TZX");
    TapeBuilder().Length(3).Raw({1, 2, 9}).WriteTo(dir / "BADSUM.TAP");
    test::TzxBuilder().Turbo({255, 7, 7}, 1).WriteTo(dir / "PARTIAL.TZX");
    test::TzxBuilder().Pause(500).Text("side A").WriteTo(dir / "PAUSE.TZX");
    const Ran ran = RunBitreel(c.arguments, dir.path());
    EXPECT_EQ(ran.status, c.status) << ran.err;
    if (!c.err.empty()) {
        EXPECT_EQ(ran.err, c.err);
    }
}

INSTANTIATE_TEST_SUITE_P(Commands, StatusTest, ::testing::ValuesIn(kStatuses),
                         [](const auto& info) { return std::string(info.param.name); });

// A Jupiter Ace TAP file has the Spectrum's extension; its first block
// tells the command line which machine it is, also for its sound.
TEST(Convert, AnAceTapIsToldByItsFirstBlock) {
    TempDir dir;
    TapeBuilder()
        .AceTapBlock(test::AceHeader(0, "words", 3))
        .AceTapBlock({1, 2, 3})
        .WriteTo(dir / "ACE.TAP");
    const Ran listed = RunBitreel({"list", Q(dir / "ACE.TAP")});
    EXPECT_EQ(listed.status, 0) << listed.err;
    EXPECT_NE(listed.out.find("words"), std::string::npos) << listed.out;
    const Ran jup = RunBitreel({"convert", Q(dir / "ACE.TAP"), Q(dir / "ACE.JUP")});
    EXPECT_EQ(jup.status, 0) << jup.err;
    // Its sound is the one the machine named gives: the Ace's encoding.
    const Ran told = RunBitreel({"convert", Q(dir / "ACE.TAP"), Q(dir / "TOLD.WAV")});
    EXPECT_EQ(told.status, 0) << told.err;
    const Ran named =
        RunBitreel({"convert", "--machine", "ace", Q(dir / "ACE.TAP"), Q(dir / "NAMED.WAV")});
    EXPECT_EQ(named.status, 0) << named.err;
    EXPECT_EQ(test::ReadFileBytes(dir / "TOLD.WAV"), test::ReadFileBytes(dir / "NAMED.WAV"));
    const Ran spectrum =
        RunBitreel({"convert", "--machine", "spectrum", Q(dir / "ACE.TAP"), Q(dir / "SP.WAV")});
    EXPECT_EQ(spectrum.status, 0) << spectrum.err;
    EXPECT_NE(test::ReadFileBytes(dir / "TOLD.WAV"), test::ReadFileBytes(dir / "SP.WAV"));
}

// A conversion that reads no block leaves no file behind, and an OUT that
// was there as it was.
TEST(Convert, NothingReadLeavesNoFile) {
    const std::vector<std::pair<std::string, std::string>> cases = {
        {"BAD.TZX", "OUT.TAP"}, // no signature
        {"CORRUPT.TAP", "OUT.JUP"},
        {"BAD.TZX", "OUT.WAV"},
        // No block: silence alone, or a file of no blocks, is no conversion.
        {"EMPTY.TAP", "OUT.WAV"},
        {"EMPTY.TAP", "OUT.JUP"},
    };
    for (const auto& [in, out] : cases) {
        for (const bool old : {false, true}) {
            TempDir dir;
            std::ofstream(dir / "BAD.TZX") << "not a tape";
            TapeBuilder().Length(900).Raw({1, 2, 3}).WriteTo(dir / "CORRUPT.TAP");
            TapeBuilder().WriteTo(dir / "EMPTY.TAP");
            if (old) {
                std::ofstream(dir / out) << "keep me";
            }
            const Ran ran =
                RunBitreel({"convert", "--force", "--machine", "ace", Q(dir / in), Q(dir / out)});
            EXPECT_EQ(ran.status, 2) << in << ": " << ran.err;
            EXPECT_EQ(fs::exists(dir / out), old) << in;
            if (old) {
                EXPECT_EQ(fs::file_size(dir / out), 7u) << in;
            }
            EXPECT_EQ(std::distance(fs::directory_iterator(dir.path()), fs::directory_iterator{}),
                      old ? 4 : 3)
                << in << ": nothing is left beside it";
        }
    }
}

TEST(Record, RefusesAnExistingFileUnlessForced) {
    TempDir dir;
    PtyPair pty;
    TapeBuilder().Block(255, {7}).WriteTo(dir / "OLD.TAP");
    const Ran refused =
        RunBitreel({"record", "--port", QString::fromStdString(pty.Name()), "OLD.TAP"}, dir.path());
    EXPECT_EQ(refused.status, 1);
    EXPECT_EQ(refused.err, "bitreel: OLD.TAP exists; give --force to overwrite it\n");
    EXPECT_EQ(test::ReadFileBytes(dir / "OLD.TAP"), TapeBuilder().Block(255, {7}).bytes());

    const Bytes frame = TapeBuilder().Block(255, {1, 2, 3}).bytes();
    Bitreel forced({"record", "--port", QString::fromStdString(pty.Name()), "--force", "--blocks",
                    "1", "OLD.TAP"},
                   dir.path());
    ASSERT_TRUE(forced.WaitForError("Recording from"));
    pty.Send(frame);
    EXPECT_EQ(forced.Finish().status, 0);
    EXPECT_EQ(test::ReadFileBytes(dir / "OLD.TAP"), frame);
}

struct PlayCase {
    const char* file;
    QStringList options;
    TapeLayout layout;
    int from;              // as typed, from 1
    std::optional<int> to; // --to, or to the end
};

void PrintTo(const PlayCase& c, std::ostream* os) {
    *os << c.file << " from " << c.from << " to " << c.to.value_or(-1);
}

const PlayCase kPlays[] = {
    {"spectrum/z80_test_1_tap.tap", {}, TapeLayout::SpectrumTap, 1, std::nullopt},
    {"spectrum/z80_test_1_tap.tap", {}, TapeLayout::SpectrumTap, 3, std::nullopt},
    {"spectrum/z80_test_1_tap.tap", {}, TapeLayout::SpectrumTap, 2, 2},
    {"spectrum/z80_test_1_tap.tap", {}, TapeLayout::SpectrumTap, 1, 3},
    {"ace/DICT.tap", {"--machine", "ace"}, TapeLayout::AceTap, 1, std::nullopt},
    {"ace/test.tap", {"--format", "jup"}, TapeLayout::AceJup, 2, 2},
};

class PlayTest : public ::testing::TestWithParam<PlayCase> {};

TEST_P(PlayTest, TheFarEndGetsTheFramesFromTheRow) {
    const PlayCase& c = GetParam();
    PtyPair pty;
    const Bytes want = Frames(Corpus / c.file, c.layout, c.from - 1,
                              c.to ? std::optional(*c.to - 1) : std::nullopt);
    QStringList to;
    if (c.to) {
        to = QStringList{"--to", QString::number(*c.to)};
    }
    Bitreel play(QStringList{"play", "--port", QString::fromStdString(pty.Name()), "--from",
                             QString::number(c.from)} +
                 to + c.options + QStringList{Q(Corpus / c.file)});
    const Bytes got = pty.Receive(want.size(), std::chrono::milliseconds(Timeout));
    const Ran ran = play.Finish();
    EXPECT_EQ(ran.status, 0) << ran.err;
    EXPECT_EQ(got, want);
    EXPECT_TRUE(pty.Receive(1, std::chrono::milliseconds(100)).empty()) << "sent past --to";
    // Not a terminal: one plain line per block, counted as --from counts.
    EXPECT_NE(ran.err.find("block " + std::to_string(c.from) + " of "), std::string::npos)
        << ran.err;
}

INSTANTIATE_TEST_SUITE_P(Corpus, PlayTest, ::testing::ValuesIn(kPlays));

// A TZX image of a corpus tape, with a block that is not sent in its middle:
// the far end gets the frames the TAP gives.
TEST(Play, ATzxImageSendsTheFramesOfItsTap) {
    TempDir dir;
    PtyPair pty;
    const fs::path tapPath = Corpus / "spectrum/savetap_test.tap";
    const Bytes tap = test::ReadFileBytes(tapPath);
    test::TzxBuilder tzx;
    const auto blocks = test::TapBlocks(tap);
    for (std::size_t i = 0; i < blocks.size(); ++i) {
        tzx.Standard(blocks[i]);
        if (i == 0) {
            tzx.Text("Loading");
        }
    }
    tzx.WriteTo(dir / "GAME.TZX");
    const Bytes want = Frames(tapPath, TapeLayout::SpectrumTap, 0);
    Bitreel play({"play", "--port", QString::fromStdString(pty.Name()), "GAME.TZX"}, dir.path());
    const Bytes got = pty.Receive(want.size(), std::chrono::milliseconds(Timeout));
    const Ran ran = play.Finish();
    EXPECT_EQ(ran.status, 0) << ran.err;
    EXPECT_EQ(got, want);
}

// A multi-load TZX played one load at a time: the stop block that ended a
// load, and the --from that plays the next, said on standard error.
struct StopCase {
    const char* name;
    QStringList range;
    int load;         // the far end gets data block 1 or 2, or nothing (0)
    std::string said; // the line on standard error; empty: none
};

const StopCase kStops[] = {
    {"FirstLoad", {}, 1, "stopped at block 2 (Stop tape (48K)); go on with --from 3\n"},
    {"FromTheStopToTheLast",
     {"--from", "2"},
     2,
     "stopped at block 4 (Stop tape); nothing follows it\n"},
    {"FromTheLastStop", {"--from", "4"}, 0, ""},
};

class StopBlockTest : public ::testing::TestWithParam<StopCase> {};

TEST_P(StopBlockTest, SaysWhereItStoppedAndHowToGoOn) {
    const StopCase& c = GetParam();
    TempDir dir;
    PtyPair pty;
    const Bytes loads[] = {
        {}, TapeBuilder().Block(255, {1, 2, 3}).bytes(), TapeBuilder().Block(255, {4, 5}).bytes()};
    test::TzxBuilder()
        .Standard(test::DataBytes(255, {1, 2, 3}))
        .StopIf48K()
        .Standard(test::DataBytes(255, {4, 5}))
        .Pause(0)
        .WriteTo(dir / "MULTI.TZX");
    Bitreel play(QStringList{"play", "--port", QString::fromStdString(pty.Name())} + c.range +
                     QStringList{"MULTI.TZX"},
                 dir.path());
    const Bytes& want = loads[c.load];
    const Bytes got = pty.Receive(want.size(), std::chrono::milliseconds(Timeout));
    const Ran ran = play.Finish();
    EXPECT_EQ(ran.status, 0) << ran.err;
    EXPECT_EQ(got, want);
    EXPECT_TRUE(pty.Receive(1, std::chrono::milliseconds(100)).empty()) << "sent past the stop";
    const std::size_t at = ran.err.find("stopped at");
    EXPECT_EQ(at == std::string::npos ? "" : ran.err.substr(at), c.said) << ran.err;
}

INSTANTIATE_TEST_SUITE_P(Loads, StopBlockTest, ::testing::ValuesIn(kStops),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(Play, StopsAtACorruptBlockWithStatusTwo) {
    TempDir dir;
    PtyPair pty;
    TapeBuilder().Block(255, {1, 2}).Length(900).Raw({1, 2, 3}).WriteTo(dir / "BAD.TAP");
    Bitreel play({"play", "--port", QString::fromStdString(pty.Name()), "BAD.TAP"}, dir.path());
    const Bytes got = pty.Receive(6, std::chrono::milliseconds(Timeout));
    const Ran ran = play.Finish();
    EXPECT_EQ(ran.status, 2);
    EXPECT_EQ(got, TapeBuilder().Block(255, {1, 2}).bytes());
    EXPECT_NE(ran.err.find("bitreel: BAD.TAP: Stopped at block 2: corrupt block\n"),
              std::string::npos)
        << ran.err;
}

// Each stop signal, with the status a shell reports for a program it ends.
class InterruptTest : public ::testing::TestWithParam<std::pair<int, int>> {};

TEST_P(InterruptTest, PlayStopsMidwayWithTheSignalsStatus) {
    TempDir dir;
    PtyPair pty;
    TapeBuilder tape;
    for (int i = 0; i < 4; ++i) {
        tape.Block(255, Bytes(60000, static_cast<std::uint8_t>(i)));
    }
    tape.WriteTo(dir / "BIG.TAP");
    Bitreel play({"play", "--port", QString::fromStdString(pty.Name()), "BIG.TAP"}, dir.path());
    // The far end reads a little and then nothing: the rest waits at the port.
    const std::size_t before = pty.Receive(1000, std::chrono::milliseconds(Timeout)).size();
    ASSERT_GE(before, 1000U);
    play.Signal(GetParam().first);
    const Ran ran = play.Finish();
    EXPECT_EQ(ran.status, GetParam().second) << ran.err;
    // What was still waiting was discarded, not sent.
    const std::size_t after =
        pty.Receive(tape.bytes().size(), std::chrono::milliseconds(200)).size();
    EXPECT_LT(before + after, tape.bytes().size());
}

TEST_P(InterruptTest, RecordKeepsTheCompleteBlocks) {
    TempDir dir;
    PtyPair pty;
    const Bytes first = TapeBuilder().Block(0, SpectrumHeader(3, "code", 4, 100, 0)).bytes();
    const Bytes second = TapeBuilder().Block(255, {1, 2, 3, 4}).bytes();
    Bitreel record({"record", "--port", QString::fromStdString(pty.Name()), "SAVED.TAP"},
                   dir.path());
    ASSERT_TRUE(record.WaitForError("Recording from"));
    pty.Send(first);
    pty.Send(Bytes(second.begin(), second.begin() + 4));
    ASSERT_TRUE(record.WaitForOutput("Code        : code       [Start=100, Length=4]\n"));
    record.Signal(GetParam().first);
    const Ran ran = record.Finish();
    EXPECT_EQ(ran.status, GetParam().second) << ran.err;
    EXPECT_EQ(test::ReadFileBytes(dir / "SAVED.TAP"), first);
}

INSTANTIATE_TEST_SUITE_P(Signals, InterruptTest,
                         ::testing::Values(std::pair{SIGINT, 130}, std::pair{SIGTERM, 143}),
                         [](const auto& info) {
                             return std::string(info.param.first == SIGINT ? "CtrlC" : "Term");
                         });

struct RecordCase {
    const char* name;
    QStringList options;
    const char* out;
    Bytes frames; // sent by the far end
    Bytes stored; // what the file holds afterwards
    std::string rows;
    int status;
    std::string said; // the last line on standard error, if any
};

void PrintTo(const RecordCase& c, std::ostream* os) {
    *os << c.name;
}

Bytes Joined(std::initializer_list<Bytes> parts) {
    Bytes joined;
    for (const Bytes& part : parts) {
        joined.insert(joined.end(), part.begin(), part.end());
    }
    return joined;
}

const Bytes kSpectrumHeader = TapeBuilder().Block(0, SpectrumHeader(0, "prog", 3, 10, 3)).bytes();
const Bytes kData = TapeBuilder().Block(255, {5, 6, 7}).bytes();
const Bytes kAceHeader = TapeBuilder().Block(0, test::AceHeader(0, "words", 3)).bytes();

// A data frame whose checksum fits no rule.
const Bytes kDamaged = TapeBuilder().Raw({5, 0, 255, 5, 6, 7, 0}).bytes();

const RecordCase kRecords[] = {
    {"SpectrumTwoOfThree",
     {"--blocks", "2"},
     "SAVED.TAP",
     Joined({kSpectrumHeader, kData, kData}),
     Joined({kSpectrumHeader, kData}),
     "Program     : prog       [Line=10, Vars Area=+3]\n{Data block [Length=3]}\n",
     0,
     ""},
    {"AceTapDropsTheFlags",
     {"--blocks", "2", "--machine", "ace", "--format", "tap"},
     "saved.tap",
     Joined({kAceHeader, kData}),
     Joined({TapeBuilder().AceTapBlock(test::AceHeader(0, "words", 3)).bytes(),
             TapeBuilder().AceTapBlock({5, 6, 7}).bytes()}),
     "Dictionary  : words      [Length=3]\n{Data block [Length=3]}\n",
     0,
     ""},
    {"JupByItsName",
     {"--idle", "0.2"},
     "SAVED.JUP",
     Joined({kAceHeader, kData}),
     Joined({kAceHeader, kData}),
     "Dictionary  : words      [Length=3]\n{Data block [Length=3]}\n",
     0,
     ""},
    {"ADamagedBlockIsWrittenAndSaidSo",
     {"--blocks", "2"},
     "SAVED.TAP",
     Joined({kSpectrumHeader, kDamaged}),
     Joined({kSpectrumHeader, kDamaged}),
     "Program     : prog       [Line=10, Vars Area=+3]\n{Data block [Length=3]} (Invalid "
     "Checksum)\n",
     2,
     "bitreel: block 2 written damaged\n"},
};

class RecordTest : public ::testing::TestWithParam<RecordCase> {};

TEST_P(RecordTest, TheFileHoldsTheFramesTheFarEndWrote) {
    const RecordCase& c = GetParam();
    TempDir dir;
    PtyPair pty;
    Bitreel record(QStringList{"record", "--port", QString::fromStdString(pty.Name())} + c.options +
                       QStringList{c.out},
                   dir.path());
    ASSERT_TRUE(record.WaitForError("Recording from"));
    pty.Send(c.frames);
    const Ran ran = record.Finish();
    EXPECT_EQ(ran.status, c.status) << ran.err;
    EXPECT_EQ(ran.out, c.rows);
    const std::size_t last = ran.err.rfind('\n', ran.err.size() - 2);
    EXPECT_EQ(c.said.empty() ? "" : ran.err.substr(last + 1), c.said) << ran.err;
    // The name stays as given, in its own letter case.
    EXPECT_EQ(test::ReadFileBytes(dir / c.out), c.stored);
}

INSTANTIATE_TEST_SUITE_P(Layouts, RecordTest, ::testing::ValuesIn(kRecords),
                         [](const auto& info) { return std::string(info.param.name); });

struct EndingCase {
    const char* name;
    bool oldFile;       // OUT holds an older recording (then --force is given)
    Bytes sent;         // by the far end
    QStringList limits; // --idle or --blocks; none: a signal ends the run
    int signal;
    int status;
    std::string cutShort; // the line on standard error, if any
    bool firstBlock;      // the first frame came whole: OUT holds it
};

void PrintTo(const EndingCase& c, std::ostream* os) {
    *os << c.name;
}

const Bytes kBlock = TapeBuilder().Block(255, {1, 2, 3}).bytes();
const Bytes kOldRecording = TapeBuilder().Block(255, Bytes(40, 9)).bytes();

const EndingCase kEndings[] = {
    {"CtrlCBeforeAnyByteNoFile", false, {}, {}, SIGINT, 130, "", false},
    {"CtrlCBeforeAnyByteOldFileKept", true, {}, {}, SIGINT, 130, "", false},
    {"TermInTheLengthField",
     true,
     {6},
     {},
     SIGTERM,
     143,
     "bitreel: block 1 cut short in its length field; not written\n",
     false},
    {"CtrlCAfterTheLength",
     false,
     {200, 0},
     {},
     SIGINT,
     130,
     "bitreel: block 1 cut short after 0 of 200 bytes; not written\n",
     false},
    {"IdleAfterABlockMidFrame",
     true,
     Joined({kBlock, {0xFF, 0xFF, 255, 1, 2}}),
     {"--idle", "0.2"},
     0,
     2,
     "bitreel: block 2 cut short after 3 of 65535 bytes; not written\n",
     true},
    {"IdleBetweenFrames", false, kBlock, {"--idle", "0.2"}, 0, 0, "", true},
    {"BlocksWithAFrameBegun",
     false,
     Joined({kBlock, {10, 0, 255}}),
     {"--blocks", "1"},
     0,
     2,
     "bitreel: block 2 cut short after 1 of 10 bytes; not written\n",
     true},
};

class RecordEnding : public ::testing::TestWithParam<EndingCase> {};

// However a recording ends, OUT takes the new file only once its first block
// is written, and a frame the machine left unfinished is named.
TEST_P(RecordEnding, KeepsAnOldFileUntilABlockAndNamesAFrameCutShort) {
    const EndingCase& c = GetParam();
    TempDir dir;
    PtyPair pty;
    if (c.oldFile) {
        TapeBuilder().Raw(kOldRecording).WriteTo(dir / "OUT.TAP");
    }
    QStringList arguments{"record", "--port", QString::fromStdString(pty.Name())};
    arguments += c.limits;
    if (c.oldFile) {
        arguments << "--force";
    }
    Bitreel record(arguments + QStringList{"OUT.TAP"}, dir.path());
    ASSERT_TRUE(record.WaitForError("Recording from"));
    // One write: a frame and the start of the next arrive together.
    pty.Send(c.sent);
    ASSERT_TRUE(pty.WaitUntilTaken());
    if (c.signal != 0) {
        if (c.firstBlock) {
            ASSERT_TRUE(record.WaitForOutput("\n"));
        }
        // The bytes were read; a moment for the recording to take them in.
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
        record.Signal(c.signal);
    }
    const Ran ran = record.Finish();
    EXPECT_EQ(ran.status, c.status) << ran.err;
    const std::size_t at = ran.err.find("cut short");
    EXPECT_EQ(at == std::string::npos ? "" : ran.err.substr(ran.err.rfind("bitreel:", at)),
              c.cutShort);
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(dir.path())) {
        names.push_back(entry.path().filename().string());
    }
    const bool kept = c.firstBlock || c.oldFile;
    EXPECT_EQ(names, kept ? std::vector<std::string>{"OUT.TAP"} : std::vector<std::string>{});
    if (kept) {
        EXPECT_EQ(test::ReadFileBytes(dir / "OUT.TAP"), c.firstBlock ? kBlock : kOldRecording);
    }
}

INSTANTIATE_TEST_SUITE_P(Endings, RecordEnding, ::testing::ValuesIn(kEndings),
                         [](const auto& info) { return std::string(info.param.name); });

struct MovedCase {
    const char* name;
    bool replaced; // else removed
    int status;
    std::string said;
};

void PrintTo(const MovedCase& c, std::ostream* os) {
    *os << c.name;
}

const MovedCase kMoved[] = {
    {"Removed", false, 0,
     "bitreel: OUT.TAP was removed while recording: it is written again with every block\n"},
    {"Replaced", true, 1,
     "bitreel: OUT.TAP was replaced while recording: every block is in OUT-2.TAP\n"},
};

class RecordMoved : public ::testing::TestWithParam<MovedCase> {};

// OUT removed or replaced after the first block (RecordingTest has where the
// blocks go): a script is told where, and status 1 when not under OUT.
TEST_P(RecordMoved, SaysWhereEveryBlockIs) {
    const MovedCase& c = GetParam();
    TempDir dir;
    PtyPair pty;
    Bitreel record(
        {"record", "--port", QString::fromStdString(pty.Name()), "--blocks", "2", "OUT.TAP"},
        dir.path());
    ASSERT_TRUE(record.WaitForError("Recording from"));
    pty.Send(kSpectrumHeader);
    ASSERT_TRUE(record.WaitForOutput("\n"));
    fs::remove(dir / "OUT.TAP");
    if (c.replaced) {
        TapeBuilder().Raw(kOldRecording).WriteTo(dir / "OUT.TAP");
    }
    pty.Send(kData);
    const Ran ran = record.Finish();
    EXPECT_EQ(ran.status, c.status) << ran.err;
    EXPECT_EQ(ran.err.substr(ran.err.rfind("bitreel:")), c.said);
}

INSTANTIATE_TEST_SUITE_P(Files, RecordMoved, ::testing::ValuesIn(kMoved),
                         [](const auto& info) { return std::string(info.param.name); });

struct ByteNameCase {
    const char* name;
    std::vector<std::string> arguments; // as bytes: "\xe9" is no UTF-8
    int status;
    std::string err;
    const char* written; // a file the run makes, by its bytes
};

void PrintTo(const ByteNameCase& c, std::ostream* os) {
    *os << c.name;
}

const ByteNameCase kByteNames[] = {
    {"MissingIsShownWithTheReplacementCharacter",
     {"list", "Jo\xe9.tap"},
     1,
     "bitreel: cannot open Jo\xef\xbf\xbd.tap: No such file or directory\n",
     nullptr},
    {"ConvertWritesIt",
     {"convert", "--machine", "ace", "Jos\xe9.tap", "Jos\xe9.jup"},
     0,
     "",
     "Jos\xe9.jup"},
};

class ByteName : public ::testing::TestWithParam<ByteNameCase> {};

// A Linux file name is bytes: one that is not UTF-8 opens as given.
TEST_P(ByteName, OpensAsGiven) {
    const ByteNameCase& c = GetParam();
    TempDir dir;
    TapeBuilder().AceTapBlock(test::AceHeader(0, "words", 3)).WriteTo(dir / "Jos\xe9.tap");
    const Ran ran = test::RunBitreelWithBytes(c.arguments, dir.path());
    EXPECT_EQ(ran.status, c.status) << ran.err;
    EXPECT_EQ(ran.err, c.err);
    if (c.written != nullptr) {
        EXPECT_TRUE(fs::is_regular_file(dir / c.written));
    }
}

INSTANTIATE_TEST_SUITE_P(Files, ByteName, ::testing::ValuesIn(kByteNames),
                         [](const auto& info) { return std::string(info.param.name); });

// --rate, --invert and --level shape the sound of the command's own output.
TEST(Help, SoundOptionsNameTheSoundTheyShape) {
    const std::pair<const char*, std::string> cases[] = {
        {"play", "The sample rate of the sound card's sound"},
        {"convert", "The sample rate of a sound file OUT"},
    };
    for (const auto& [command, text] : cases) {
        const Ran help = RunBitreel({command, "--help"});
        EXPECT_EQ(help.status, 0) << command;
        // Qt wraps the help: the words are compared with one space between them.
        QString words = QString::fromStdString(help.out).simplified();
        EXPECT_TRUE(words.contains(QString::fromStdString(text))) << command << ": " << help.out;
    }
}

// Without a sound server, Qt's own complaint does not reach the user: each
// line is Bitreel's, and the server is named once.
TEST(SoundServer, AbsentIsSaidOnceInBitreelsWords) {
    TempDir dir;
    TapeBuilder().Block(255, {1, 2}).WriteTo(dir / "GOOD.TAP");
    ::setenv("PULSE_SERVER", "unix:/nonexistent/socket", 1);
    const Ran ports = RunBitreel({"ports", "--audio"}, dir.path());
    const Ran play = RunBitreel({"play", "--audio", "GOOD.TAP"}, dir.path());
    ::unsetenv("PULSE_SERVER");
    for (const Ran& ran : {ports, play}) {
        EXPECT_EQ(ran.status, 3) << ran.err;
        for (const std::string& line : test::Lines(ran.err)) {
            EXPECT_EQ(line.rfind("bitreel: ", 0), 0u) << line;
        }
        const std::size_t first = ran.err.find("sound server");
        EXPECT_NE(first, std::string::npos) << ran.err;
        EXPECT_EQ(ran.err.find("sound server", first + 1), std::string::npos) << ran.err;
    }
}

TEST(Convert, AceTapToJupAndBackIsByteIdentical) {
    TempDir dir;
    int files = 0;
    for (const auto& entry : fs::directory_iterator(Corpus / "ace")) {
        const fs::path jup = dir / "OUT.JUP";
        const fs::path back = dir / "BACK.TAP";
        // --force: OUT.JUP and BACK.TAP are there from the file before.
        ASSERT_EQ(
            RunBitreel({"convert", "--force", "--machine", "ace", Q(entry.path()), Q(jup)}).status,
            0);
        ASSERT_EQ(RunBitreel({"convert", "--force", Q(jup), Q(back)}).status, 0);
        EXPECT_EQ(test::ReadFileBytes(back), test::ReadFileBytes(entry.path())) << entry.path();
        // The JUP holds the frames Play sends from the TAP file, but with the
        // checksums as stored.
        EXPECT_EQ(test::ReadFileBytes(jup).size(),
                  Frames(entry.path(), TapeLayout::AceTap, 0).size())
            << entry.path();
        ++files;
    }
    EXPECT_GE(files, 5);
}

TEST(Convert, TzxToTapKeepsTheFramesAndNamesTheRest) {
    TempDir dir;
    const fs::path tzx = fs::path(BITREEL_SEEDS_DIR) / "every-block-id.tzx";
    const Ran ran = RunBitreel({"convert", Q(tzx), Q(dir / "OUT.TAP")});
    EXPECT_EQ(ran.status, 0) << ran.err;
    const TapeImage image =
        TapeImage(tzx, MachineKind::Spectrum, TapeLayout::SpectrumTap).IndexAll();
    Bytes frames;
    int leftOut = 0;
    for (std::size_t row = 0; row < image.RowCount(); ++row) {
        const ImageBlock block = image.Block(row);
        if (block.Sent()) {
            frames.insert(frames.end(), block.stored.begin(), block.stored.end());
        } else {
            ++leftOut;
            EXPECT_NE(ran.err.find(" left out: " + block.row + "\n"), std::string::npos)
                << block.row;
        }
    }
    EXPECT_EQ(test::ReadFileBytes(dir / "OUT.TAP"), frames);
    EXPECT_GT(leftOut, 0);
}

// A converter never changes a stored byte: every block kept is the one an
// outside converter writes, a checksum that fits no rule and a block of one
// byte included.
TEST(Convert, TzxToTapKeepsEveryStoredByteAsTapeconvDoes) {
    const std::string tapeconv = BITREEL_TAPECONV;
    if (tapeconv.empty()) {
        GTEST_SKIP() << "tapeconv not installed (Debian package fuse-emulator-utils)";
    }
    TempDir dir;
    test::TzxBuilder()
        .Text("checksums")
        .Standard(test::DataBytes(0, test::SpectrumHeader(3, "code", 3, 32768, 0)))
        .Standard({255, 1, 2, 3, 0x08})     // damaged: fits neither rule
        .Turbo({255, 4, 5, 6, 0xBE})        // damaged, in a turbo block
        .Standard({255, 1, 2, 1 ^ 2 ^ 255}) // the flag inside the checksum
        .Pause(100)
        .Standard({0xFF}) // one byte
        .WriteTo(dir / "IN.TZX");
    const Ran ran = RunBitreel({"convert", Q(dir / "IN.TZX"), Q(dir / "OUT.TAP")});
    // Written as stored, and said: two of them are damaged.
    ASSERT_EQ(ran.status, 2) << ran.err;
    const std::string command = tapeconv + " '" + (dir / "IN.TZX").string() + "' '" +
                                (dir / "REF.TAP").string() + "' >/dev/null 2>&1";
    ASSERT_EQ(std::system(command.c_str()), 0) << command;
    EXPECT_EQ(test::ReadFileBytes(dir / "OUT.TAP"), test::ReadFileBytes(dir / "REF.TAP"));
}

// The far end of a pseudo-terminal as a loopback plug: what comes, goes back.
class EchoingFarEnd {
public:
    explicit EchoingFarEnd(PtyPair& pty)
        : thread_([&pty](std::stop_token stop) {
              while (!stop.stop_requested()) {
                  const Bytes got = pty.Receive(1, std::chrono::milliseconds(10));
                  if (!got.empty()) {
                      pty.Send(got);
                  }
              }
          }) {}

private:
    std::jthread thread_;
};

// A pseudo-terminal has no modem lines: its data comes back through the
// script, and every item about the lines cannot be told, which is no failure.
TEST(Check, LoopbackThroughAPseudoTerminalPassesDataAndCannotTellTheLines) {
    PtyPair pty;
    EchoingFarEnd echo(pty);
    const Ran ran =
        RunBitreel({"check", "--port", QString::fromStdString(pty.Name()), "--loopback", "--json"});
    EXPECT_EQ(ran.status, 0) << ran.err;
    const QJsonObject report = QJsonDocument::fromJson(QByteArray::fromStdString(ran.out)).object();
    EXPECT_EQ(report["port"].toString().toStdString(), pty.Name());
    const QJsonObject adapter = report["adapter"].toObject();
    EXPECT_EQ(adapter["device"].toString().toStdString(), pty.Name());
    EXPECT_TRUE(adapter["comNumber"].isNull());
    EXPECT_TRUE(adapter["driver"].isNull());
    const QJsonObject data = report["data"].toObject();
    EXPECT_EQ(data["received"].toInt(), 1024);
    EXPECT_EQ(data["lost"].toInt(), 0);
    EXPECT_EQ(data["changed"].toInt(), 0);
    std::vector<std::string> results;
    for (const QJsonValue item : report["items"].toArray()) {
        results.push_back(item["item"].toString().toStdString() + " " +
                          item["result"].toString().toStdString());
    }
    EXPECT_EQ(results,
              (std::vector<std::string>{"data pass", "rts-cts cannot tell",
                                        "dtr-dsr-dcd cannot tell", "handshake cannot tell"}));
}

TEST(Check, WatchOnAPseudoTerminalNamesItAndCannotTellCts) {
    PtyPair pty;
    const Ran ran =
        RunBitreel({"check", "--port", QString::fromStdString(pty.Name()), "--watch", "0.2"});
    EXPECT_EQ(ran.status, 0) << ran.err;
    for (const std::string& text :
         {"  device          " + pty.Name() + "\n",
          std::string("  port table      not in the port table\n"),
          std::string("  now             cannot tell: the device has no modem lines to read\n"),
          std::string("  CTS                   cannot tell  the device has no modem lines")}) {
        EXPECT_NE(ran.out.find(text), std::string::npos) << text << "\nin\n" << ran.out;
    }
}

} // namespace
} // namespace bitreel
