// `bitreel play --audio` through a real sound server: the built executable
// plays into a null sink of a PulseAudio server, the sink's monitor is
// recorded, and an outside decoder (Debian's audio2tape) reads the blocks
// back from what came out.
#include "cli/BitreelProcess.h"
#include "support/TapeBuilder.h"
#include "support/TempDir.h"
#include "support/TestNames.h"
#include "support/TzxBuilder.h"

#include <QCoreApplication>
#include <QProcess>
#include <QThread>

#include <gtest/gtest.h>

#include <optional>

namespace bitreel {
namespace {

namespace fs = std::filesystem;
using test::Bytes;
using test::Q;
using test::Ran;

const fs::path Corpus = BITREEL_CORPUS_DIR;

Ran RunTool(const QString& program, const QStringList& arguments) {
    QProcess process;
    process.start(program, arguments);
    if (!process.waitForStarted(test::Timeout) || !process.waitForFinished(test::Timeout)) {
        process.kill();
        process.waitForFinished();
        return {};
    }
    return {process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1,
            process.readAllStandardOutput().toStdString(),
            process.readAllStandardError().toStdString()};
}

// The server, found or started once for the whole suite by the script CI
// runs too; why not, when it cannot be had.
struct SoundServer {
    std::optional<std::string> skip;
};

SoundServer& Server() {
    static SoundServer server = [] {
        SoundServer found;
        for (const char* program : {BITREEL_AUDIO2TAPE, BITREEL_SOX, BITREEL_PAREC}) {
            if (std::string(program).empty()) {
                found.skip = "audio2tape (fuse-emulator-utils), sox and parec (pulseaudio-utils) "
                             "are needed";
                return found;
            }
        }
        const Ran script = RunTool(QStringLiteral(BITREEL_SOUND_SERVER), {});
        if (script.status != 0) {
            found.skip = "no PulseAudio server can be reached or started: " + script.err;
            return found;
        }
        std::string address = script.out;
        while (!address.empty() && (address.back() == '\n' || address.back() == '\r')) {
            address.pop_back();
        }
        if (!address.empty()) {
            // bitreel, pactl and parec all find the server by it.
            qputenv("PULSE_SERVER", QByteArray::fromStdString(address));
        }
        return found;
    }();
    return server;
}

// Each case plays into a null sink of its own, at the case's rate, so that
// nothing else playing on the server mixes in; the sink goes with the test.
template <typename Case> class LiveSink : public testing::TestWithParam<Case> {
protected:
    void SetUp() override {
        if (const auto& skip = Server().skip) {
            GTEST_SKIP() << *skip;
        }
        const Case& c = this->GetParam();
        sink_ = "bitreel_live_" + std::to_string(QCoreApplication::applicationPid()) + "_" +
                test::TestName(c.name);
        const Ran loaded =
            RunTool(QStringLiteral("pactl"),
                    {QStringLiteral("load-module"), QStringLiteral("module-null-sink"),
                     QString::fromStdString("sink_name=" + sink_),
                     QStringLiteral("rate=%1").arg(c.rate), QStringLiteral("channels=1")});
        if (loaded.status != 0) {
            GTEST_SKIP() << "the server takes no null sink: " << loaded.err;
        }
        module_ = QString::fromStdString(loaded.out).trimmed();
    }
    void TearDown() override {
        if (!module_.isEmpty()) {
            static_cast<void>(
                RunTool(QStringLiteral("pactl"), {QStringLiteral("unload-module"), module_}));
        }
    }

    // Records the sink's monitor into raw until Heard.
    [[nodiscard]] bool StartRecording(const fs::path& raw) {
        recorder_.setStandardOutputFile(Q(raw));
        recorder_.start(QStringLiteral("parec"),
                        {QString::fromStdString("--device=" + sink_ + ".monitor"),
                         QStringLiteral("--format=s16le"), QStringLiteral("--channels=1"),
                         QStringLiteral("--rate=%1").arg(this->GetParam().rate),
                         QStringLiteral("--raw")});
        return recorder_.waitForStarted(test::Timeout);
    }

    // What audio2tape reads from the recording, as the TAP image it writes;
    // sox first wraps the raw samples in a WAV file.
    Bytes Heard(const fs::path& raw) {
        recorder_.terminate();
        EXPECT_TRUE(recorder_.waitForFinished(test::Timeout));
        const fs::path wav = fs::path(raw).replace_extension(".wav");
        const fs::path tap = fs::path(raw).replace_extension(".tap");
        const Ran wrapped =
            RunTool(QStringLiteral(BITREEL_SOX),
                    {QStringLiteral("-t"), QStringLiteral("raw"), QStringLiteral("-r"),
                     QString::number(this->GetParam().rate), QStringLiteral("-e"),
                     QStringLiteral("signed"), QStringLiteral("-b"), QStringLiteral("16"),
                     QStringLiteral("-c"), QStringLiteral("1"), Q(raw), Q(wav)});
        EXPECT_EQ(wrapped.status, 0) << wrapped.err;
        const Ran read = RunTool(QStringLiteral(BITREEL_AUDIO2TAPE), {Q(wav), Q(tap)});
        EXPECT_EQ(read.status, 0) << read.out << read.err;
        return test::ReadFileBytes(tap);
    }

    std::string sink_;
    QString module_;
    QProcess recorder_;
};

// The frames of the rows from, to of a TAP image, with their length fields.
Bytes Frames(const Bytes& image, std::size_t from, std::optional<std::size_t> to) {
    const auto blocks = test::TapBlocks(image);
    Bytes frames;
    for (std::size_t row = from; row < blocks.size() && (!to || row <= *to); ++row) {
        frames.push_back(static_cast<std::uint8_t>(blocks[row].size()));
        frames.push_back(static_cast<std::uint8_t>(blocks[row].size() >> 8));
        frames.insert(frames.end(), blocks[row].begin(), blocks[row].end());
    }
    return frames;
}

struct LiveCase {
    std::string name;
    fs::path file;
    QStringList options;
    std::uint32_t rate;
    // The frames audio2tape should read back: rows from, to (counted from 0).
    std::size_t from;
    std::optional<std::size_t> to;
};

void PrintTo(const LiveCase& c, std::ostream* os) {
    *os << c.name;
}

using SoundCardPlay = LiveSink<LiveCase>;

TEST_P(SoundCardPlay, TheSinkHearsEveryBlockAsTheRomSavesIt) {
    const LiveCase& c = GetParam();
    test::TempDir dir;
    const fs::path raw = dir / "heard.raw";

    // The sink is an output like any other, named by its id.
    const test::Ran listed = test::RunBitreel({QStringLiteral("ports"), QStringLiteral("--audio")});
    EXPECT_NE(listed.out.find(sink_), std::string::npos) << listed.out << listed.err;

    ASSERT_TRUE(StartRecording(raw));
    QStringList arguments = {QStringLiteral("play"), QStringLiteral("--audio")};
    arguments << c.options << QString::fromStdString(sink_) << Q(c.file);
    test::Bitreel play(arguments, dir.path());
    // The tape plays at its own speed: 20 s for the whole of this one.
    const test::Ran played = play.Finish(90'000);
    const Bytes heard = Heard(raw);

    ASSERT_EQ(played.status, 0) << played.err;
    EXPECT_NE(played.err.find("block " + std::to_string(c.from + 1) + " of "), std::string::npos)
        << played.err;
    ASSERT_GT(fs::file_size(raw), std::uintmax_t{c.rate}) << "the monitor heard nothing";
    EXPECT_EQ(heard, Frames(test::ReadFileBytes(c.file), c.from, c.to));
}

INSTANTIATE_TEST_SUITE_P(
    Tapes, SoundCardPlay,
    testing::Values(LiveCase{"WholeTapeAtTheDefaults",
                             Corpus / "spectrum/template_tap.tap",
                             {},
                             44'100,
                             0,
                             std::nullopt},
                    // One block alone, as a machine that reported it damaged takes it
                    // again, the wave the other way up and quieter, at another rate.
                    LiveCase{"OneBlockInvertedQuietAt48k",
                             Corpus / "spectrum/template_tap.tap",
                             {QStringLiteral("--from"), QStringLiteral("4"), QStringLiteral("--to"),
                              QStringLiteral("4"), QStringLiteral("--invert"),
                              QStringLiteral("--level"), QStringLiteral("25"),
                              QStringLiteral("--rate"), QStringLiteral("48000")},
                             48'000,
                             3,
                             3}),
    test::ByName{});

// A multi-load tape: the header, a stop, then the data. What the user does
// at the stop decides what the machine hears.
struct StopAnswer {
    std::string name;
    bool goOn; // Enter at the stop; else standard input ends
    std::string said;
    std::size_t blocksHeard;
    std::uint32_t rate = 22'050;
};

void PrintTo(const StopAnswer& c, std::ostream* os) {
    *os << c.name;
}

using SoundCardStop = LiveSink<StopAnswer>;

TEST_P(SoundCardStop, TheTapeWaitsAtTheStopForTheUser) {
    const StopAnswer& c = GetParam();
    test::TempDir dir;
    const Bytes header =
        test::TapeBuilder().Block(0, test::SpectrumHeader(3, "two", 8, 32768, 0)).bytes();
    const Bytes data = test::TapeBuilder().Block(255, Bytes(8, 0x5A)).bytes();
    test::TzxBuilder()
        .Standard(Bytes(header.begin() + 2, header.end()))
        .Pause(0)
        .Standard(Bytes(data.begin() + 2, data.end()))
        .WriteTo(dir / "LOADS.TZX");

    ASSERT_TRUE(StartRecording(dir / "heard.raw"));
    test::Bitreel play({QStringLiteral("play"), QStringLiteral("--audio"), QStringLiteral("--rate"),
                        QString::number(c.rate), QString::fromStdString(sink_),
                        Q(dir / "LOADS.TZX")},
                       dir.path());
    EXPECT_TRUE(play.WaitForError("block 2 (Stop tape) stops the tape; press Enter to go on"));
    if (c.goOn) {
        play.Type("\n");
    } else {
        play.EndInput();
    }
    const test::Ran played = play.Finish(60'000);
    const Bytes heard = Heard(dir / "heard.raw");
    EXPECT_EQ(played.status, 0) << played.err;
    EXPECT_NE(played.err.find(c.said), std::string::npos) << played.err;
    Bytes expected = header;
    if (c.blocksHeard == 2) {
        expected.insert(expected.end(), data.begin(), data.end());
    }
    EXPECT_EQ(heard, expected);
}

INSTANTIATE_TEST_SUITE_P(
    Answers, SoundCardStop,
    testing::Values(StopAnswer{"EnterGoesOn", true, "block 3 of 3", 2},
                    StopAnswer{"NoInputEndsThere", false,
                               "stopped at block 2 (Stop tape); go on with --from 3", 1}),
    test::ByName{});

TEST(SoundCardPorts, NamesAnOutputThatIsNotThere) {
    if (const auto& skip = Server().skip) {
        GTEST_SKIP() << *skip;
    }
    const test::Ran played = test::RunBitreel({QStringLiteral("play"), QStringLiteral("--audio"),
                                               QStringLiteral("no-such-output"),
                                               Q(Corpus / "spectrum/template_tap.tap")});
    EXPECT_EQ(played.status, 3);
    EXPECT_EQ(played.err, "bitreel: no sound output named no-such-output; bitreel ports --audio "
                          "lists them\n");
}

// record --audio hears a tape played into a null sink: Qt lists no monitor
// among the inputs, so a source remapped from the sink's monitor stands for
// line-in. The blocks are listed as each ends and the TZX holds them all.
TEST(SoundCardRecord, EveryBlockPlayedIsListedAndKept) {
    if (const auto& skip = Server().skip) {
        GTEST_SKIP() << *skip;
    }
    const std::string sink = "bitreel_rec_" + std::to_string(QCoreApplication::applicationPid());
    const Ran loaded = RunTool(QStringLiteral("pactl"),
                               {QStringLiteral("load-module"), QStringLiteral("module-null-sink"),
                                QString::fromStdString("sink_name=" + sink),
                                QStringLiteral("rate=44100"), QStringLiteral("channels=1")});
    if (loaded.status != 0) {
        GTEST_SKIP() << "the server takes no null sink: " << loaded.err;
    }
    const Ran remapped = RunTool(
        QStringLiteral("pactl"),
        {QStringLiteral("load-module"), QStringLiteral("module-remap-source"),
         QString::fromStdString("master=" + sink + ".monitor"),
         QString::fromStdString("source_name=" + sink + "_in"), QStringLiteral("channels=1")});
    const auto unload = [&] {
        for (const Ran* module : {&remapped, &loaded}) {
            if (module->status == 0) {
                static_cast<void>(RunTool(QStringLiteral("pactl"),
                                          {QStringLiteral("unload-module"),
                                           QString::fromStdString(module->out).trimmed()}));
            }
        }
    };
    if (remapped.status != 0) {
        unload();
        GTEST_SKIP() << "the server takes no remapped source: " << remapped.err;
    }
    test::TempDir dir;
    // A header and its data: two blocks, some eight seconds of sound.
    const fs::path tape = Corpus / "spectrum/standard-tap.tap";
    const fs::path wav = dir / "tape.wav";
    ASSERT_EQ(test::RunBitreel({QStringLiteral("convert"), Q(tape), Q(wav)}).status, 0);

    const test::Ran listed = test::RunBitreel({QStringLiteral("ports"), QStringLiteral("--audio")});
    EXPECT_NE(listed.out.find(sink + "_in "), std::string::npos) << listed.out << listed.err;

    test::Bitreel record({QStringLiteral("record"), QStringLiteral("--audio"),
                          QString::fromStdString(sink + "_in"), Q(dir / "OUT.tzx"),
                          QStringLiteral("--blocks"), QStringLiteral("2")},
                         dir.path());
    // The source is open once the recording says so on standard error.
    QThread::msleep(1500);
    const Ran played =
        RunTool(QStringLiteral("paplay"), {QString::fromStdString("--device=" + sink), Q(wav)});
    const test::Ran recorded = record.Finish(30'000);
    unload();
    ASSERT_EQ(played.status, 0) << played.err;
    ASSERT_EQ(recorded.status, 0) << recorded.err;
    EXPECT_EQ(recorded.out, "Program     : Test       [Vars Area=12]\n{Data block [Length=12]}\n")
        << recorded.err;

    const fs::path back = dir / "back.tap";
    ASSERT_EQ(test::RunBitreel({QStringLiteral("convert"), Q(dir / "OUT.tzx"), Q(back)}).status, 0);
    EXPECT_EQ(test::ReadFileBytes(back), test::ReadFileBytes(tape));
}

} // namespace
} // namespace bitreel
