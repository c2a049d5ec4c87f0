// Tape images written to sound files and read back as a ROM loader reads
// them: the rows of the range, in their machine's encoding, to a corrupt
// row and no further, with each stop and select block told.
#include "signal/render/TapeAudioFile.h"
#include "support/EarDecoder.h"
#include "support/SoundFile.h"
#include "support/TapeBuilder.h"
#include "support/TempDir.h"
#include "support/TzxBuilder.h"
#include "tape/TapeImage.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace bitreel::test {
namespace {

const Bytes Header = DataBytes(0x00, SpectrumHeader(3, "tune", 3, 32768, 0));
const Bytes Data = DataBytes(0xFF, {1, 2, 3});
const Bytes More = DataBytes(0xFF, {0xAA, 0x55});

struct FileCase {
    const char* name;
    ImageFormat format;
    Bytes image;
    TapeLayout layout; // and so the machine
    std::vector<DecodedBlock> heard;
    PulseRange range = {};
    std::vector<std::string> told = {};
    std::optional<std::size_t> corruptRow = std::nullopt;
};

void PrintTo(const FileCase& c, std::ostream* out) {
    *out << c.name;
}

// A TAP image of the blocks, each with its length field.
Bytes Tap(const std::vector<Bytes>& blocks) {
    TapeBuilder tape;
    for (const Bytes& block : blocks) {
        tape.Length(static_cast<unsigned>(block.size())).Raw(block);
    }
    return tape.bytes();
}

std::vector<FileCase> FileCases() {
    constexpr auto Tzx = ImageFormat::Tzx;
    constexpr auto Tap_ = ImageFormat::Blocks;
    constexpr auto SpectrumTap = TapeLayout::SpectrumTap;
    const Bytes three = Tap({Header, Data, More});
    Bytes corrupt = Tap({Header, Data});
    corrupt.insert(corrupt.end(), {0x10, 0x00, 0xFF}); // a block cut short
    const Bytes aceHeader = AceHeader(0, "words", 4);
    const Bytes aceData{1, 2, 3, 4};
    return {
        {"WholeTap", Tap_, three, SpectrumTap, {Header, Data, More}},
        {"FromTheSecondRow", Tap_, three, SpectrumTap, {Data, More}, {1, std::nullopt}},
        {"OneRow", Tap_, three, SpectrumTap, {Data}, {1, 1}},
        {"CorruptRowEndsTheSound", Tap_, corrupt, SpectrumTap, {Header, Data}, {}, {}, 2},
        {"StopBlock",
         Tzx,
         TzxBuilder().Standard(Header).StopIf48K().Standard(Data).bytes(),
         SpectrumTap,
         {Header, Data},
         {},
         {"stop 1"}},
        {"SelectBlock",
         Tzx,
         TzxBuilder().Select({"one", "two"}).Standard(Data).bytes(),
         SpectrumTap,
         {Data},
         {},
         {"choice 0"}},
        // The Jupiter Ace's own encoding at its own clock.
        {"AceTap",
         Tap_,
         TapeBuilder().AceTapBlock(aceHeader).AceTapBlock(aceData).bytes(),
         TapeLayout::AceTap,
         {DataBytes(0x00, aceHeader), DataBytes(0xFF, aceData)}},
    };
}

class TapeToFile : public testing::TestWithParam<FileCase> {};

TEST_P(TapeToFile, HeardAsTheMachineWouldLoadIt) {
    const FileCase& c = GetParam();
    TempDir dir;
    const MachineKind machine =
        c.layout == TapeLayout::AceTap ? MachineKind::JupiterAce : MachineKind::Spectrum;
    TapeImage image(c.image, c.format, machine, c.layout, c.format == ImageFormat::Blocks);
    image.IndexAll();
    std::vector<std::string> told;
    const TapeAudioEvents events{
        {},
        [&](std::size_t row) { told.push_back("stop " + std::to_string(row)); },
        [&](std::size_t row) { told.push_back("choice " + std::to_string(row)); },
    };
    RenderOptions options;
    options.rate = 48'000;
    const TapeAudioResult result =
        WriteTapeAudio(image, c.range, options, dir / "tape.flac", AudioFileType::Flac, events);
    EXPECT_EQ(told, c.told);
    EXPECT_EQ(result.corruptRow, c.corruptRow);
    const Sound sound = ReadSound(dir / "tape.flac");
    EXPECT_EQ(sound.rate, 48'000);
    EXPECT_EQ(sound.samples.size(), result.samples);
    const auto& rom = machine == MachineKind::Spectrum ? SpectrumRom : AceRom;
    EXPECT_EQ(DecodeEar(sound.samples, 48'000, rom), c.heard);
}

INSTANTIATE_TEST_SUITE_P(Cases, TapeToFile, testing::ValuesIn(FileCases()),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(TapeToFile, AStopAddsTwoSecondsOfSilence) {
    const Bytes plain = TzxBuilder().Standard(Header).Standard(Data).bytes();
    const Bytes stopped = TzxBuilder().Standard(Header).StopIf48K().Standard(Data).bytes();
    TempDir dir;
    std::uint64_t lengths[2] = {};
    int i = 0;
    for (const Bytes& bytes : {plain, stopped}) {
        TapeImage image(bytes, ImageFormat::Tzx, MachineKind::Spectrum, TapeLayout::SpectrumTap,
                        false);
        image.IndexAll();
        RenderOptions options;
        options.rate = 22'050;
        lengths[i++] =
            WriteTapeAudio(image, {}, options, dir / "tape.csw", AudioFileType::Csw).samples;
    }
    EXPECT_EQ(lengths[1] - lengths[0], 2u * 22'050);
}

} // namespace
} // namespace bitreel::test
