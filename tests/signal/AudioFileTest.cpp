// The sound file writers, read back as other programs read them: WAV and
// FLAC with libsndfile, CSW by its header and its inflated run lengths.
#include "signal/render/AudioFile.h"
#include "signal/render/RenderOptions.h"
#include "support/SoundFile.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>
#include <sndfile.h>
#include <zlib.h>

#include <cerrno>
#include <cstring>
#include <fstream>
#include <random>
#include <string>
#include <system_error>
#include <vector>

namespace bitreel::test {
namespace {

using Samples = std::vector<std::int16_t>;

// Full scale both ways, silence, the levels a tape plays, and noise: every
// value must come back as it went.
Samples Pattern(std::size_t count) {
    Samples samples{-32768, 32767, 0, -1, 1, 22937, -22937};
    std::mt19937 random(7);
    std::uniform_int_distribution<int> any(-32768, 32767);
    while (samples.size() < count) {
        samples.push_back(static_cast<std::int16_t>(any(random)));
    }
    return samples;
}

// Writes the samples in pieces of uneven sizes, as a renderer hands them over.
void WriteInPieces(AudioFileWriter& writer, const Samples& samples) {
    std::size_t at = 0;
    for (std::size_t piece = 1; at < samples.size(); piece = piece * 3 + 1) {
        const std::size_t count = std::min(piece, samples.size() - at);
        writer.Write(std::span(samples).subspan(at, count));
        at += count;
    }
}

struct SndCase {
    AudioFileType type;
    const char* name;
    int major; // libsndfile's container
};

class SndFileWriters
    : public testing::TestWithParam<std::tuple<SndCase, std::uint32_t, std::size_t>> {};

TEST_P(SndFileWriters, ReadBackSampleForSample) {
    const auto& [c, rate, count] = GetParam();
    TempDir dir;
    const auto path = dir / c.name;
    const Samples samples = Pattern(count);
    AudioFileWriter writer(path, c.type, rate);
    WriteInPieces(writer, samples);
    writer.Finish();
    const Sound sound = ReadSound(path);
    EXPECT_EQ(sound.format, c.major | SF_FORMAT_PCM_16);
    EXPECT_EQ(sound.rate, static_cast<int>(rate));
    EXPECT_EQ(sound.channels, 1);
    EXPECT_EQ(sound.samples, samples);
}

INSTANTIATE_TEST_SUITE_P(
    TypesRatesLengths, SndFileWriters,
    testing::Combine(testing::Values(SndCase{AudioFileType::Wav, "tape.wav", SF_FORMAT_WAV},
                                     SndCase{AudioFileType::Flac, "tape.flac", SF_FORMAT_FLAC}),
                     testing::ValuesIn(SampleRates), testing::Values(0, 7, 200'000)),
    [](const auto& info) {
        return std::string(std::get<0>(info.param).name).substr(5) + "_" +
               std::to_string(std::get<1>(info.param)) + "_" +
               std::to_string(std::get<2>(info.param));
    });

TEST(WavFile, IsPlainRiffWave) {
    // A tape of a few hours must open in any player, so the header is the
    // classic one, not RF64.
    TempDir dir;
    AudioFileWriter writer(dir / "tape.wav", AudioFileType::Wav, 44'100);
    writer.Write(Pattern(1000));
    writer.Finish();
    std::ifstream in(dir / "tape.wav", std::ios::binary);
    std::string header(12, '\0');
    in.read(header.data(), 12);
    EXPECT_EQ(header.substr(0, 4), "RIFF");
    EXPECT_EQ(header.substr(8, 4), "WAVE");
    const auto size = std::filesystem::file_size(dir / "tape.wav");
    const auto riffSize = static_cast<std::uint32_t>(static_cast<unsigned char>(header[4])) |
                          static_cast<std::uint32_t>(static_cast<unsigned char>(header[5])) << 8 |
                          static_cast<std::uint32_t>(static_cast<unsigned char>(header[6])) << 16 |
                          static_cast<std::uint32_t>(static_cast<unsigned char>(header[7])) << 24;
    EXPECT_EQ(riffSize, size - 8);
}

// A CSW file taken apart by its own layout, apart from the writer's code.
struct Csw {
    std::string signature;
    int terminator = 0;
    int major = 0;
    int minor = 0;
    std::uint32_t rate = 0;
    std::uint32_t pulses = 0;
    int compression = 0;
    int flags = 0;
    int extension = 0;
    std::string application;
    std::vector<std::uint64_t> runs;
};

std::uint32_t Le32(const std::vector<std::uint8_t>& bytes, std::size_t at) {
    return bytes[at] | bytes[at + 1] << 8 | bytes[at + 2] << 16 |
           static_cast<std::uint32_t>(bytes[at + 3]) << 24;
}

Csw ReadCsw(const std::filesystem::path& path) {
    const std::vector<std::uint8_t> bytes = ReadFileBytes(path);
    Csw csw;
    if (bytes.size() < 0x34) {
        ADD_FAILURE() << "a CSW file of " << bytes.size() << " bytes";
        return csw;
    }
    csw.signature.assign(bytes.begin(), bytes.begin() + 22);
    csw.terminator = bytes[0x16];
    csw.major = bytes[0x17];
    csw.minor = bytes[0x18];
    csw.rate = Le32(bytes, 0x19);
    csw.pulses = Le32(bytes, 0x1D);
    csw.compression = bytes[0x21];
    csw.flags = bytes[0x22];
    csw.extension = bytes[0x23];
    csw.application.assign(reinterpret_cast<const char*>(&bytes[0x24]),
                           strnlen(reinterpret_cast<const char*>(&bytes[0x24]), 16));

    std::vector<std::uint8_t> rle;
    z_stream z{};
    EXPECT_EQ(inflateInit(&z), Z_OK);
    z.next_in = const_cast<std::uint8_t*>(bytes.data()) + 0x34 + csw.extension;
    z.avail_in = static_cast<uInt>(bytes.size() - 0x34 - csw.extension);
    std::vector<std::uint8_t> out(4096);
    int status = Z_OK;
    while (status == Z_OK) {
        z.next_out = out.data();
        z.avail_out = static_cast<uInt>(out.size());
        status = inflate(&z, Z_NO_FLUSH);
        rle.insert(rle.end(), out.begin(), out.end() - z.avail_out);
    }
    EXPECT_EQ(status, Z_STREAM_END) << "the deflated runs end whole";
    EXPECT_EQ(z.avail_in, 0u) << "nothing follows them";
    inflateEnd(&z);

    for (std::size_t at = 0; at < rle.size();) {
        if (rle[at] != 0) {
            csw.runs.push_back(rle[at++]);
        } else if (at + 5 <= rle.size()) {
            csw.runs.push_back(Le32(rle, at + 1));
            at += 5;
        } else {
            ADD_FAILURE() << "a long run cut short";
            break;
        }
    }
    return csw;
}

// Samples that hold each level for the runs given, from the level given.
Samples Runs(const std::vector<std::uint64_t>& runs, bool startHigh, std::int16_t peak = 22937) {
    Samples samples;
    bool high = startHigh;
    for (const std::uint64_t run : runs) {
        samples.insert(samples.end(), run, static_cast<std::int16_t>(high ? peak : -peak));
        high = !high;
    }
    return samples;
}

struct CswCase {
    const char* name;
    std::vector<std::uint64_t> runs;
    bool startsHigh;
};

class CswWriter : public testing::TestWithParam<CswCase> {};

TEST_P(CswWriter, RunLengthsAndHeader) {
    const CswCase& c = GetParam();
    TempDir dir;
    const auto path = dir / "tape.csw";
    AudioFileWriter writer(path, AudioFileType::Csw, 48'000);
    WriteInPieces(writer, Runs(c.runs, c.startsHigh));
    writer.Finish();
    const Csw csw = ReadCsw(path);
    EXPECT_EQ(csw.signature, "Compressed Square Wave");
    EXPECT_EQ(csw.terminator, 0x1A);
    EXPECT_EQ(csw.major, 2);
    EXPECT_EQ(csw.minor, 0);
    EXPECT_EQ(csw.rate, 48'000u);
    EXPECT_EQ(csw.compression, 2) << "Z-RLE";
    EXPECT_EQ(csw.flags, c.startsHigh ? 1 : 0);
    EXPECT_EQ(csw.extension, 0);
    EXPECT_EQ(csw.application, "Bitreel");
    EXPECT_EQ(csw.pulses, c.runs.size());
    EXPECT_EQ(csw.runs, c.runs);
}

std::vector<std::uint64_t> ManyRuns() {
    // More run bytes than the writer deflates at once, long runs among them.
    std::vector<std::uint64_t> runs;
    for (std::uint64_t i = 0; i < 100'000; ++i) {
        runs.push_back(i % 1000 == 999 ? 100'000 + i : 1 + i % 300);
    }
    return runs;
}

INSTANTIATE_TEST_SUITE_P(
    Cases, CswWriter,
    testing::Values(CswCase{"Empty", {}, false}, CswCase{"OneSample", {1}, false},
                    CswCase{"StartsHigh", {3, 1, 2}, true},
                    // 255 is the last length of one byte; 256 needs the long form.
                    CswCase{"ByteBoundary", {254, 255, 256, 257, 1}, false},
                    CswCase{"LongSilence", {5'000'000, 10, 70'000}, false},
                    CswCase{"ManyRuns", ManyRuns(), true}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(CswFile, InvertedSilenceStartsHigh) {
    // An inverted tape's silence is above zero: CSW's first level is high.
    TempDir dir;
    AudioFileWriter writer(dir / "tape.csw", AudioFileType::Csw, 44'100);
    writer.Write(Samples{22937, 22937, -22937, 22937});
    writer.Finish();
    const Csw csw = ReadCsw(dir / "tape.csw");
    EXPECT_EQ(csw.flags, 1);
    EXPECT_EQ(csw.runs, (std::vector<std::uint64_t>{2, 1, 1}));
}

TEST(AudioFileTypes, ByExtensionInAnyCase) {
    const std::vector<std::pair<const char*, std::optional<AudioFileType>>> cases{
        {"a.wav", AudioFileType::Wav},   {"B.WAV", AudioFileType::Wav},
        {"c.Flac", AudioFileType::Flac}, {"d/e.csw", AudioFileType::Csw},
        {"f.CSW", AudioFileType::Csw},   {"g.tap", std::nullopt},
        {"wav", std::nullopt},           {"h.wav.tap", std::nullopt},
        {"i.fla", std::nullopt},         {".wav", std::nullopt},
    };
    for (const auto& [name, type] : cases) {
        EXPECT_EQ(AudioFileTypeOf(name), type) << name;
    }
}

std::string TypeName(AudioFileType type) {
    switch (type) {
    case AudioFileType::Wav:
        return "Wav";
    case AudioFileType::Flac:
        return "Flac";
    case AudioFileType::Csw:
        break;
    }
    return "Csw";
}

class Failures : public testing::TestWithParam<AudioFileType> {};

TEST_P(Failures, AFileThereIsRefusedAndKept) {
    TempDir dir;
    const auto path = dir / "kept";
    std::ofstream(path) << "keep me";
    try {
        AudioFileWriter writer(path, GetParam(), 44'100, FileCreation::Refuse);
        ADD_FAILURE() << "an existing file was opened";
    } catch (const std::system_error& error) {
        EXPECT_EQ(error.code(), std::errc::file_exists);
    }
    std::string text;
    std::getline(std::ifstream(path), text);
    EXPECT_EQ(text, "keep me");
}

TEST_P(Failures, MessagesNameTheFile) {
    TempDir dir;
    const auto path = dir / "no-such-folder" / "tape.out";
    try {
        AudioFileWriter writer(path, GetParam(), 44'100);
        ADD_FAILURE() << "a file in a missing folder was created";
    } catch (const std::system_error& error) {
        EXPECT_EQ(error.code(), std::errc::no_such_file_or_directory);
        EXPECT_NE(std::string(error.what()).find(path.string()), std::string::npos) << error.what();
    }
}

TEST_P(Failures, AFullDiskIsAnError) {
    if (!std::filesystem::exists("/dev/full")) {
        GTEST_SKIP() << "no /dev/full to stand for a full disk";
    }
    // Whichever step first meets the full disk throws, naming the file.
    try {
        AudioFileWriter writer("/dev/full", GetParam(), 44'100);
        writer.Write(Pattern(100'000));
        writer.Finish();
        ADD_FAILURE() << "a full disk took a whole sound file";
    } catch (const std::system_error& error) {
        EXPECT_EQ(error.code(), std::errc::no_space_on_device) << error.what();
        EXPECT_NE(std::string(error.what()).find("/dev/full"), std::string::npos) << error.what();
    }
}

// A conversion that fails leaves no file behind, and an old file as it was:
// the sound takes OUT's name only when it is whole.
TEST_P(Failures, AWriterDroppedUnfinishedLeavesTheOldFile) {
    TempDir dir;
    for (const bool old : {false, true}) {
        const auto path = dir / (old ? "old" : "new");
        if (old) {
            std::ofstream(path) << "keep me";
        }
        {
            AudioFileWriter writer(path, GetParam(), 44'100);
            writer.Write(Runs({300'000, 300'000}, true));
        }
        EXPECT_EQ(std::filesystem::exists(path), old);
        if (old) {
            std::string text;
            std::getline(std::ifstream(path), text);
            EXPECT_EQ(text, "keep me");
        }
    }
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()),
                            std::filesystem::directory_iterator{}),
              1)
        << "nothing is left beside it";
}

TEST_P(Failures, NothingIsWrittenAfterFinish) {
    TempDir dir;
    AudioFileWriter writer(dir / "done", GetParam(), 44'100);
    writer.Finish();
    EXPECT_THROW(writer.Write(Samples{1, 2}), std::logic_error);
    writer.Finish(); // a second time does nothing
}

INSTANTIATE_TEST_SUITE_P(Types, Failures,
                         testing::Values(AudioFileType::Wav, AudioFileType::Flac,
                                         AudioFileType::Csw),
                         [](const auto& info) { return TypeName(info.param); });

} // namespace
} // namespace bitreel::test
