// Corpus tapes rendered, degraded one way at a time (fixed seeds) and read
// back into blocks; pulses made by hand for turbo blocks, drift, damage and
// repair; and recordings that hold no tape.
#include "pulses/PulseStream.h"
#include "signal/decode/RecordingReader.h"
#include "signal/decode/RecordingTzx.h"
#include "signal/render/AudioFile.h"
#include "signal/render/TapeAudioFile.h"
#include "signal/rescue/RescueTakes.h"
#include "support/Degradations.h"
#include "support/RenderedTape.h"
#include "support/TapeBuilder.h"
#include "support/TempDir.h"
#include "support/TzxBuilder.h"
#include "tape/HeaderFields.h"
#include "tape/TapeImage.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <iostream>
#include <numbers>
#include <optional>
#include <random>
#include <string>
#include <vector>

namespace bitreel::test {
namespace {

namespace fs = std::filesystem;
using Block = BlockBytes;
constexpr std::uint32_t Rate = 44'100;

using Degrade = std::function<void(Sound&)>;

struct Degradation {
    const char* name;
    Degrade degrade;
    std::size_t damagedAtMost; // blocks that may be damaged (a dropout's)
};

void PrintTo(const Degradation& d, std::ostream* out) {
    *out << d.name;
}

std::vector<Degradation> Degradations() {
    return {
        {"Clean", [](auto&) {}, 0},
        {"Noise12dB", [](auto& s) { AddNoise(s, 12); }, 0},
        {"LowPass4kHz", [](auto& s) { LowPass(s, 4000, Rate); }, 0},
        {"LowPass3kHzNoise20dB", [](auto& s) { LowPass(s, 3000, Rate), AddNoise(s, 20); }, 0},
        {"Faster8Percent", [](auto& s) { Speed(s, 1.08); }, 0},
        {"Slower8Percent", [](auto& s) { Speed(s, 0.92); }, 0},
        {"Wow2Percent", [](auto& s) { Wow(s, 0.02, 0.5, Rate); }, 0},
        {"DcOffset", [](auto& s) { Offset(s, 0.25f); }, 0},
        {"Hum50Hz", [](auto& s) { Hum(s, 50, 0.3, Rate); }, 0},
        {"Inverted", [](auto& s) { Scale(s, -1); }, 0},
        {"Clipped", [](auto& s) { Scale(s, 4), Clip(s, 0.7f); }, 0},
        {"Minus30dB", [](auto& s) { Scale(s, std::pow(10, -30 / 20.0)); }, 0},
        // 5 ms of nothing in the middle: one block damaged, none lost.
        {"Dropout5ms", [](auto& s) { AddDropout(s, s.size() / 2, 5, Rate); }, 1},
        // A worn tape: dropouts 12 to 24 dB deep, all 16 dB or more above
        // the hiss: every bit stands above it.
        {"WornTape", [](auto& s) { (void)WornTape(s, 12, 24, 40, Rate); }, 0},
        // Deeper, to 6 dB above the hiss: a block may be damaged, none
        // lost, none wrong called good.
        {"WornTapeToSixDbAboveTheHiss", [](auto& s) { (void)WornTape(s, 24, 34, 40, Rate); }, 1},
    };
}

struct CorpusTape {
    const char* file;
    MachineKind machine;
};

void PrintTo(const CorpusTape& t, std::ostream* out) {
    *out << t.file;
}

class Degraded : public testing::TestWithParam<std::tuple<CorpusTape, Degradation>> {};

TEST_P(Degraded, ReadsEveryBlockBack) {
    const auto& [corpus, degradation] = GetParam();
    RenderedTape tape =
        RenderTape(fs::path(BITREEL_CORPUS_DIR) / corpus.file, corpus.machine, Rate);
    ASSERT_FALSE(tape.blocks.empty());
    degradation.degrade(tape.samples);
    const DecodedRecording read = DecodeSamples(tape.samples, 1, Rate, corpus.machine);
    std::size_t good = 0;
    std::size_t damaged = 0;
    for (const auto& block : read.tape.blocks) {
        const bool known =
            std::find(tape.blocks.begin(), tape.blocks.end(), block.bytes) != tape.blocks.end();
        // A wrong block is never called good, nor one read exactly damaged
        // unless guesses the checksum cannot check made it so.
        EXPECT_EQ(block.checksumGood, known && block.uncheckedGuesses == 0)
            << "block of " << block.bytes.size() << " bytes";
        (block.checksumGood ? good : damaged) += 1;
        EXPECT_EQ(block.confidence.size(), block.bytes.size());
    }
    // Every block is read good or listed damaged: none is lost.
    EXPECT_EQ(good + damaged, tape.blocks.size());
    EXPECT_LE(damaged, degradation.damagedAtMost);
    EXPECT_LE(read.tape.blocks.size(), tape.blocks.size());
}

INSTANTIATE_TEST_SUITE_P(
    Corpus, Degraded,
    testing::Combine(testing::Values(CorpusTape{"spectrum/standard-tap.tap", MachineKind::Spectrum},
                                     CorpusTape{"spectrum/relocate.tap", MachineKind::Spectrum},
                                     CorpusTape{"ace/hello_ace.TAP", MachineKind::JupiterAce}),
                     testing::ValuesIn(Degradations())),
    [](const auto& info) {
        std::string name = fs::path(std::get<0>(info.param).file).stem().string() + "_" +
                           std::get<1>(info.param).name;
        std::replace_if(
            name.begin(), name.end(), [](char c) { return !std::isalnum(c); }, '_');
        return name;
    });

// Debian's audio2tape, run on the same degraded sound as a 16-bit WAV:
// Bitreel recovers at least the blocks it recovers.
TEST_P(Degraded, RecoversAtLeastWhatAudio2tapeDoes) {
    const std::string audio2tape = BITREEL_AUDIO2TAPE;
    if (audio2tape.empty()) {
        GTEST_SKIP() << "audio2tape not installed (Debian: fuse-emulator-utils)";
    }
    const auto& [corpus, degradation] = GetParam();
    if (corpus.machine != MachineKind::Spectrum) {
        GTEST_SKIP() << "audio2tape reads Spectrum tapes only";
    }
    RenderedTape tape =
        RenderTape(fs::path(BITREEL_CORPUS_DIR) / corpus.file, corpus.machine, Rate);
    degradation.degrade(tape.samples);
    TempDir dir;
    const std::vector<Block> theirs = Audio2tapeBlocks(audio2tape, tape.samples, Rate, dir.path());
    std::vector<Block> ours;
    for (const auto& b : DecodeSamples(tape.samples, 1, Rate, corpus.machine).tape.blocks) {
        ours.push_back(b.bytes);
    }
    EXPECT_GE(ExactBlocks(tape.blocks, ours), ExactBlocks(tape.blocks, theirs));
    std::cout << "[ BLOCKS   ] " << degradation.name << " " << corpus.file << ": Bitreel "
              << ExactBlocks(tape.blocks, ours) << ", audio2tape "
              << ExactBlocks(tape.blocks, theirs) << " of " << tape.blocks.size() << "\n";
}

// Edges from pulses in 3.5 MHz T-states, at the rate.
std::vector<double> EdgesOf(const std::vector<double>& pulses) {
    std::vector<double> edges{100.0};
    for (const double p : pulses) {
        edges.push_back(edges.back() + p * Rate / 3'500'000.0);
    }
    return edges;
}

// A block of the given timings, each pulse times speed(its index share).
std::vector<double> BlockPulses(const Block& bytes, double pilot, double sync1, double sync2,
                                double zero, double one,
                                const std::function<double(double)>& speed = {}) {
    std::vector<double> pulses(3000, pilot);
    pulses.push_back(sync1);
    pulses.push_back(sync2);
    for (const auto byte : bytes) {
        for (int bit = 7; bit >= 0; --bit) {
            const double p = (byte >> bit & 1) != 0 ? one : zero;
            pulses.insert(pulses.end(), {p, p});
        }
    }
    pulses.push_back(50'000); // the signal rests
    if (speed) {
        for (std::size_t i = 0; i < pulses.size(); ++i) {
            pulses[i] *= speed(double(i) / double(pulses.size()));
        }
    }
    return pulses;
}

const Block Sample{0xFF, 0x12, 0x34, 0x56, 0x00, 0xFF, 0x12 ^ 0x34 ^ 0x56 ^ 0xFF ^ 0xFF};

TEST(Decode, TurboBlockKeepsItsMeasuredTimings) {
    const auto edges = EdgesOf(BlockPulses(Sample, 1200, 400, 450, 500, 1000));
    const DecodedTape tape = DecodeEdges(edges, Rate, SpectrumRom);
    ASSERT_EQ(tape.blocks.size(), 1u);
    const auto& b = tape.blocks[0];
    EXPECT_EQ(b.bytes, Sample);
    EXPECT_TRUE(b.checksumGood);
    EXPECT_FALSE(b.romTimings);
    EXPECT_NEAR(b.pilot, 1200, 20);
    EXPECT_NEAR(b.zero, 500, 20);
    EXPECT_NEAR(b.one, 1000, 20);
}

// A TZX image's data blocks played as Bitreel plays them and read back from
// that sound: each comes back as stored, a block of its own where the one
// before left no pause, at the ROM's timings as 0x10 and at any others as
// 0x11 with its own, with the bits it used of its last byte.
struct OwnSound {
    const char* name;
    TzxBuilder tzx;
};

void PrintTo(const OwnSound& c, std::ostream* out) {
    *out << c.name;
}

// A data block's fields as a TZX image stores them (0x10 or 0x11); a text
// (0x30), such as one that says the block after it is damaged, is listed by
// its ID alone.
struct StoredData {
    unsigned id = 0;
    std::array<unsigned, 2> syncs{}; // 0x11 only
    unsigned usedBits = 8;
    unsigned pauseMs = 0;
    Block bytes;
};

std::vector<StoredData> DataBlocks(const Block& tzx) {
    TapeImage image(tzx, ImageFormat::Tzx, MachineKind::Spectrum, TapeLayout::SpectrumTap, false);
    image.IndexAll();
    const auto at = [&](std::size_t k) { return unsigned(image.Bytes()[k]); };
    const auto word = [&](std::size_t k) { return at(k) | at(k + 1) << 8; };
    std::vector<StoredData> blocks;
    for (std::size_t row = 0; row < image.RowCount(); ++row) {
        const auto k = std::size_t(std::max<std::uint64_t>(image.RowOffset(row), 10));
        StoredData d;
        d.id = at(k);
        std::size_t data = 0;
        if (d.id == 0x10) {
            d.pauseMs = word(k + 1);
            data = k + 5;
        } else if (d.id == 0x11) {
            d.syncs = {word(k + 3), word(k + 5)};
            d.usedBits = at(k + 13);
            d.pauseMs = word(k + 14);
            data = k + 19;
        } else {
            if (d.id == 0x30) {
                blocks.push_back(d);
            }
            continue;
        }
        const std::size_t length = d.id == 0x10 ? word(k + 3) : word(k + 16) | at(k + 18) << 16;
        d.bytes.assign(image.Bytes().begin() + std::ptrdiff_t(data),
                       image.Bytes().begin() + std::ptrdiff_t(data + length));
        blocks.push_back(std::move(d));
    }
    return blocks;
}

class OwnSoundBack : public testing::TestWithParam<OwnSound> {};

TEST_P(OwnSoundBack, GivesEachDataBlockAsStored) {
    TempDir dir;
    GetParam().tzx.WriteTo(dir.path() / "t.tzx");
    const RenderedTape tape = RenderTape(dir.path() / "t.tzx", MachineKind::Spectrum, Rate);
    const auto want = DataBlocks(GetParam().tzx.bytes());
    const auto got = DataBlocks(RecordingTzx(
        DecodeSamples(tape.samples, 1, Rate, MachineKind::Spectrum), MachineKind::Spectrum));
    ASSERT_EQ(got.size(), want.size());
    for (std::size_t k = 0; k < want.size(); ++k) {
        EXPECT_EQ(got[k].id, want[k].id) << "block " << k;
        EXPECT_EQ(got[k].usedBits, want[k].usedBits) << "block " << k;
        // The bits of the last byte that are not used are not played.
        Block played = want[k].bytes;
        played.back() &= std::uint8_t(0xFF00 >> want[k].usedBits);
        EXPECT_EQ(got[k].bytes, played) << "block " << k;
        // Back to back stays back to back.
        EXPECT_EQ(got[k].pauseMs == 0, want[k].pauseMs == 0) << "block " << k;
        for (std::size_t t = 0; t < 2; ++t) {
            // The filters move the edge between the syncs by up to three
            // samples: a third of the ROM's first sync.
            EXPECT_NEAR(got[k].syncs[t], want[k].syncs[t], 0.34 * want[k].syncs[t])
                << "block " << k;
        }
    }
}

// A header and a block of random bytes, its checksum right.
const Block OwnHeader = DataBytes(HeaderFlag, SpectrumHeader(3, "own", 300, 32768, 0));
const Block OwnData = [] {
    Bytes payload(300);
    std::mt19937 random(11);
    for (auto& byte : payload) {
        byte = std::uint8_t(random());
    }
    return DataBytes(DataFlag, payload);
}();
constexpr TzxBuilder::TurboTimings Turbo{1400, 400, 500, 500, 1000, 1000};
// The ROM's pilot and bits after syncs of a loader's own.
constexpr TzxBuilder::TurboTimings OwnSyncs{2168, 1100, 1300, 855, 1710, 3223};

INSTANTIATE_TEST_SUITE_P(
    Blocks, OwnSoundBack,
    testing::Values(
        OwnSound{"HeaderWithoutPause", TzxBuilder().Standard(OwnHeader, 0).Standard(OwnData)},
        OwnSound{"TurboBlocksBackToBack",
                 TzxBuilder().Turbo(OwnHeader, 8, 0, Turbo).Turbo(OwnData, 3, 1000, Turbo)},
        OwnSound{"SyncsOfItsOwn", TzxBuilder().Turbo(OwnData, 8, 1000, OwnSyncs)},
        OwnSound{"PartOfTheLastByte", TzxBuilder().Turbo(OwnData, 1, 1000, OwnSyncs)}),
    [](const auto& info) { return std::string(info.param.name); });

// A tape slowing by 12% through a long block, the pilot at ROM speed: the
// bit lengths follow it, where fixed ones would misread the end.
TEST(Decode, FollowsDriftThroughTheBlock) {
    Block bytes(2000);
    std::mt19937 random(5);
    std::uint8_t all = 0xFF;
    bytes[0] = 0xFF;
    for (std::size_t i = 1; i + 1 < bytes.size(); ++i) {
        bytes[i] = std::uint8_t(random());
        all ^= bytes[i];
    }
    bytes.back() = all;
    const auto edges = EdgesOf(
        BlockPulses(bytes, 2168, 667, 735, 855, 1710, [](double at) { return 1 + 0.12 * at; }));
    const DecodedTape tape = DecodeEdges(edges, Rate, SpectrumRom);
    ASSERT_EQ(tape.blocks.size(), 1u);
    EXPECT_EQ(tape.blocks[0].bytes, bytes);
    EXPECT_TRUE(tape.blocks[0].checksumGood);
}

// One bit's pulses moved to midway between a 0 and a 1 and read wrong:
// the block is damaged, that bit is the least certain, the repair flips it,
// and the bytes stay as read.
TEST(Decode, DamagedBlockOffersRepairWithoutApplyingIt) {
    auto pulses = BlockPulses(Sample, 2168, 667, 735, 855, 1710);
    const std::size_t byte = 2;
    const unsigned bit = 4; // of 0x34: a 0
    const std::size_t first = 3000 + 2 + (byte * 8 + bit) * 2;
    pulses[first] = pulses[first + 1] = 1300; // just over the middle: read as 1
    const DecodedTape tape = DecodeEdges(EdgesOf(pulses), Rate, SpectrumRom);
    ASSERT_EQ(tape.blocks.size(), 1u);
    const auto& b = tape.blocks[0];
    EXPECT_FALSE(b.checksumGood);
    ASSERT_FALSE(b.weakest.empty());
    EXPECT_EQ(b.weakest.front(), (BitPosition{byte, bit}));
    ASSERT_TRUE(b.repair);
    EXPECT_EQ(*b.repair, (std::vector{BitPosition{byte, bit}}));
    Block read = Sample;
    read[byte] ^= 0x80 >> bit;
    EXPECT_EQ(b.bytes, read);
    EXPECT_LT(b.confidence[byte], 0.2f);
    EXPECT_GT(b.confidence[byte + 1], 0.9f);
    EXPECT_EQ(DamageText(b).rfind("damaged: least certain bits 3.4 ", 0), 0u) << DamageText(b);
    EXPECT_NE(DamageText(b).find("; repaired: flip 3.4"), std::string::npos);
}

// Among many doubtful bits a flip that fits the checksum may be chance: no
// repair is offered, though one flip would have mended this block.
TEST(Decode, ManyDoubtfulBitsGetNoRepair) {
    auto pulses = BlockPulses(Sample, 2168, 667, 735, 855, 1710);
    const auto at = [](std::size_t byte, unsigned bit) { return 3000 + 2 + (byte * 8 + bit) * 2; };
    pulses[at(2, 4)] = pulses[at(2, 4) + 1] = 1300; // just over the middle: a 0 read as 1
    for (unsigned bit = 0; bit < 5; ++bit) {
        pulses[at(4, bit)] = pulses[at(4, bit) + 1] = 1265; // just under: 0s read right
    }
    const DecodedTape tape = DecodeEdges(EdgesOf(pulses), Rate, SpectrumRom);
    ASSERT_EQ(tape.blocks.size(), 1u);
    EXPECT_FALSE(tape.blocks[0].checksumGood);
    EXPECT_EQ(tape.blocks[0].weakest.size(), WeakBitsListed);
    EXPECT_FALSE(tape.blocks[0].repair);
}

// Bits go on after a dropout in step with their pulses, even where the
// sound comes back half way through a bit, in a run of like bits whose
// halves pair as well either way: the first unlike bit sets the step.
// Where the guess of the bits lost falls, the bits after it are the bits
// sent, a few places on.
TEST(Decode, DropoutEndingInsideABitKeepsStep) {
    Block bytes(80);
    std::mt19937 random(9);
    for (auto& byte : bytes) {
        byte = std::uint8_t(random());
    }
    std::fill(bytes.begin() + 20, bytes.begin() + 28, 0x00);
    auto pulses = BlockPulses(bytes, 2168, 667, 735, 855, 1710);
    // From the start of byte 15 to the second pulse of byte 22's first bit.
    const std::size_t from = 3002 + 15 * 16;
    const std::size_t to = 3002 + 22 * 16 + 1;
    pulses.erase(pulses.begin() + std::ptrdiff_t(from), pulses.begin() + std::ptrdiff_t(to));
    pulses.insert(pulses.begin() + std::ptrdiff_t(from), 70'000.0); // 20 ms of nothing
    const DecodedTape tape = DecodeEdges(EdgesOf(pulses), Rate, SpectrumRom);
    ASSERT_EQ(tape.blocks.size(), 1u);
    const DecodedBlock& b = tape.blocks[0];
    ASSERT_FALSE(b.dropouts.empty());
    const auto bit = [](const Block& in, std::size_t i) { return in[i / 8] >> (7 - i % 8) & 1; };
    // Byte 22's second bit on, as read from the dropout's end.
    const std::size_t resumed = b.dropouts[0].resumeBit;
    std::size_t agree = 0;
    const std::size_t compared = (80 - 23) * 8;
    for (std::size_t i = 0; i < compared; ++i) {
        agree += bit(b.bytes, resumed + i) == bit(bytes, 22 * 8 + 1 + i) ? 1 : 0;
    }
    EXPECT_EQ(agree, compared);
}

// A loader's short pilot after a pause shorter than a dropout: the bits
// after it come soon enough to pass for the last block's after a dropout,
// but the pilot starts a block of its own.
TEST(Decode, ShortPilotAfterAShortPauseStartsABlock) {
    auto pulses = BlockPulses(Sample, 1000, 300, 350, 400, 800);
    pulses.back() = 7000; // 2 ms of silence
    auto next = BlockPulses(Sample, 1000, 300, 350, 400, 800);
    next.erase(next.begin(), next.begin() + (3000 - 260)); // a pilot of 260 pulses
    pulses.insert(pulses.end(), next.begin(), next.end());
    const DecodedTape tape = DecodeEdges(EdgesOf(pulses), Rate, SpectrumRom);
    ASSERT_EQ(tape.blocks.size(), 2u);
    EXPECT_EQ(tape.blocks[0].bytes, Sample);
    EXPECT_EQ(tape.blocks[1].bytes, Sample);
}

// A header and its data block, whose run of zeros loses `removed` bytes
// to a gap as long as `gap` zero bytes: the bits bridged are counted at the
// run's own bit length, and a block that comes out short is damaged by its
// header's length though its XOR, blind to zeros, is right.
struct ZerosLost {
    const char* name;
    bool header;
    std::size_t removed;
    std::size_t gap;
    const char* damage; // how its text starts
};

void PrintTo(const ZerosLost& z, std::ostream* out) {
    *out << z.name;
}

// The tape: a code header and its 300-byte block, bytes 100 to 199 zeros.
Block ZerosData() {
    Block data(300);
    std::mt19937 random(3);
    for (auto& byte : data) {
        byte = std::uint8_t(random());
    }
    std::fill(data.begin() + 100, data.begin() + 200, 0x00);
    data[150] = data[151] = 0x55; // a pair whose XOR is 0 too
    data[0] = DataFlag;
    data.back() = 0;
    data.back() = Xor(Block(data.begin() + 1, data.end()));
    return data;
}

std::vector<double> ZerosHeaderPulses() {
    Block header{HeaderFlag};
    const Block fields = SpectrumHeader(3, "zeros", 298, 32768, 0);
    header.insert(header.end(), fields.begin(), fields.end());
    header.push_back(Xor(fields));
    return BlockPulses(header, 2168, 667, 735, 855, 1710);
}

// The data block's pulses with `removed` bytes from byte `at` on lost in a
// gap as long as `gap` zero bytes.
std::vector<double> CutDataPulses(std::size_t at, std::size_t removed, std::size_t gap) {
    auto bits = BlockPulses(ZerosData(), 2168, 667, 735, 855, 1710);
    const auto from = bits.begin() + std::ptrdiff_t(3002 + at * 16);
    bits.erase(from, from + std::ptrdiff_t(removed * 16));
    bits.insert(from, double(gap) * 8 * 1710);
    return bits;
}

class DropoutInZeros : public testing::TestWithParam<ZerosLost> {};

TEST_P(DropoutInZeros, CountsTheBitsAndHoldsTheBlockToItsHeader) {
    const ZerosLost& z = GetParam();
    const Block data = ZerosData();
    auto pulses = z.header ? ZerosHeaderPulses() : std::vector<double>{};
    const auto bits = CutDataPulses(120, z.removed, z.gap);
    pulses.insert(pulses.end(), bits.begin(), bits.end());
    const DecodedTape tape = DecodeEdges(EdgesOf(pulses), Rate, SpectrumRom);
    ASSERT_EQ(tape.blocks.size(), z.header ? 2u : 1u);
    const DecodedBlock& b = tape.blocks.back();
    ASSERT_EQ(b.dropouts.size(), 1u);
    EXPECT_EQ(b.bytes.size(), data.size() - z.removed + z.gap);
    EXPECT_TRUE(ChecksumRight(b.bytes));
    // Whole bytes of zeros lost leave the XOR as it was: the guesses are
    // right here, but nothing vouches for them.
    EXPECT_FALSE(b.checksumGood);
    EXPECT_TRUE(z.removed != z.gap || b.bytes == data);
    EXPECT_EQ(b.announced.has_value(), z.header && z.removed != z.gap);
    EXPECT_EQ(DamageText(b).rfind(z.damage, 0), 0u) << DamageText(b);
}

INSTANTIATE_TEST_SUITE_P(
    Gaps, DropoutInZeros,
    testing::Values(ZerosLost{"GapAsLongAsTheBytesLost", true, 4, 4,
                              "damaged: 32 bits guessed in dropouts that the checksum cannot "
                              "check; least certain bits 121.0;"},
                    ZerosLost{"ShortGapAfterAHeader", true, 4, 2,
                              "damaged: 298 bytes where the header says 300; 16 bits guessed"},
                    // No header to say: the length is as read.
                    ZerosLost{"ShortGapWithoutAHeader", false, 4, 2, "damaged: 16 bits guessed"}),
    [](const auto& info) { return std::string(info.param.name); });

// Bits lost in a dropout are guessed as 0s. The checksum vouches for them
// only where it checks each: one to a column (a bit's place in its byte).
struct Guesses {
    const char* name;
    std::vector<std::size_t> ones; // bits set to 1 (the rest are 0)
    std::vector<std::size_t> lost; // bits whose pulses become one gap as long as a 1
    bool good;
    std::uint8_t flag = DataFlag;
};

void PrintTo(const Guesses& g, std::ostream* out) {
    *out << g.name;
}

class GuessedBits : public testing::TestWithParam<Guesses> {};

TEST_P(GuessedBits, AreGoodOnlyWhereTheChecksumChecksThem) {
    const Guesses& g = GetParam();
    Block data(40);
    std::mt19937 random(5);
    for (auto& byte : data) {
        byte = std::uint8_t(random());
    }
    for (const std::size_t bit : g.lost) {
        data[bit / 8] &= std::uint8_t(~(0x80 >> bit % 8));
    }
    for (const std::size_t bit : g.ones) {
        data[bit / 8] |= std::uint8_t(0x80 >> bit % 8);
    }
    data[0] = g.flag;
    data.back() = 0;
    data.back() = Xor(Block(data.begin() + 1, data.end()));
    auto pulses = BlockPulses(data, 2168, 667, 735, 855, 1710);
    for (auto bit = g.lost.rbegin(); bit != g.lost.rend(); ++bit) {
        const auto at = pulses.begin() + std::ptrdiff_t(3002 + 2 * *bit);
        *at = 2 * 1710.0;
        pulses.erase(at + 1);
    }
    const DecodedTape tape = DecodeEdges(EdgesOf(pulses), Rate, SpectrumRom);
    ASSERT_EQ(tape.blocks.size(), 1u);
    const DecodedBlock& b = tape.blocks[0];
    EXPECT_EQ(b.dropouts.size(), g.lost.size());
    EXPECT_TRUE(ChecksumRight(b.bytes));
    EXPECT_EQ(b.checksumGood, g.good);
    EXPECT_EQ(b.bytes == data, g.good);
}

INSTANTIATE_TEST_SUITE_P(
    Dropouts, GuessedBits,
    testing::Values(Guesses{"EachInAColumnOfItsOwn", {}, {82, 163}, true},
                    // Two 1s guessed as 0s: the XOR is as it was.
                    Guesses{"TwoInOneColumn", {82, 162}, {82, 162}, false},
                    // A 1 guessed as 0 in the column of a flag's only bit: the
                    // XOR of all the bytes is 0, as the ROM's rule has it.
                    Guesses{"OneInTheColumnOfTheFlagsOnlyBit", {82}, {82}, false, 0x20}),
    [](const auto& info) { return std::string(info.param.name); });

// Two takes of the header and block above, read in their own ways, and
// the block rescue makes of them.
struct Read {
    bool header = true;
    bool misreadHeader = false;
    std::optional<std::array<std::size_t, 3>> cut; // as CutDataPulses takes it
    std::optional<std::size_t> flipped;            // a bit read as the other, sure of it
    bool weakly = false;                           // or a 0 read as 1, barely
};

struct TwoReads {
    const char* name;
    Read first;
    Read second;
    RescueSource source;
    std::size_t take; // for a take's block
};

void PrintTo(const TwoReads& r, std::ostream* out) {
    *out << r.name;
}

DecodedRecording TakeOf(const Read& read) {
    auto pulses = read.header ? ZerosHeaderPulses() : std::vector<double>{};
    if (read.misreadHeader) {
        pulses[3002 + 12 * 16] = pulses[3002 + 12 * 16 + 1] = 1300;
    }
    auto bits = read.cut ? CutDataPulses((*read.cut)[0], (*read.cut)[1], (*read.cut)[2])
                         : BlockPulses(ZerosData(), 2168, 667, 735, 855, 1710);
    if (read.flipped) {
        const std::size_t at = 3002 + 2 * *read.flipped;
        bits[at] = bits[at + 1] = read.weakly ? 1390 : bits[at] == 855 ? 1710 : 855;
    }
    pulses.insert(pulses.end(), bits.begin(), bits.end());
    DecodedRecording r;
    r.rate = Rate;
    r.channels = 1;
    r.edges = EdgesOf(pulses);
    r.tape = DecodeEdges(r.edges, Rate, SpectrumRom);
    return r;
}

class RescueOfTwoReads : public testing::TestWithParam<TwoReads> {};

TEST_P(RescueOfTwoReads, GivesTheBlockAsSentOrNamesItDamaged) {
    const TwoReads& c = GetParam();
    const std::vector<DecodedRecording> takes{TakeOf(c.first), TakeOf(c.second)};
    const auto rescued = RescueTakes(takes);
    ASSERT_EQ(rescued.size(), c.first.header ? 2u : 1u) << "each block once";
    const RescuedBlock& b = rescued.back();
    EXPECT_EQ(b.source, c.source);
    if (c.source == RescueSource::Take) {
        EXPECT_EQ(b.take, c.take);
    }
    EXPECT_EQ(b.block.bytes == ZerosData(), c.source != RescueSource::Damaged);
}

constexpr std::array<std::size_t, 3> ShortInZeros{120, 4, 2};
constexpr std::array<std::size_t, 3> PairLost{150, 2, 2}; // length and XOR right, bytes not
constexpr std::array<std::size_t, 3> ShortElsewhere{250, 3, 2};

INSTANTIATE_TEST_SUITE_P(
    Reads, RescueOfTwoReads,
    testing::Values(
        // The good header, from the second take, holds the first's short
        // block (its XOR right) to its length: the takes vote.
        TwoReads{"HeldToTheOtherTakesHeader",
                 {true, true, ShortInZeros, {}},
                 {true, false, ShortElsewhere, {}},
                 RescueSource::Vote,
                 0},
        // A good read across a dropout guessed the pair; the whole read wins
        // in either order.
        TwoReads{"WholeReadSecond", {true, false, PairLost, {}}, {}, RescueSource::Take, 1},
        TwoReads{"WholeReadFirst", {}, {true, false, PairLost, {}}, RescueSource::Take, 0},
        // Without a header a short good read is still the same block.
        TwoReads{"ShortReadIsTheSameBlock",
                 {false, false, ShortInZeros, {}},
                 {false, false, {}, {}},
                 RescueSource::Take,
                 1},
        // Each take sure of a wrong bit in the same place of another byte:
        // a tie is no vote, though those bytes would make the XOR right.
        // The surest take is good across its dropout, but a whole read is
        // sure the pair it guessed was not zeros: no take is trusted.
        TwoReads{"GoodAcrossADropoutContradicted",
                 {true, false, PairLost, {}},
                 {true, false, {}, 10 * 8 + 3},
                 RescueSource::Damaged,
                 0},
        // A byte placed after the other take's dropout outweighs one read
        // barely the other way.
        TwoReads{"PlacedByteOutweighsAWeakOne",
                 {true, false, {}, 180 * 8 + 3, true},
                 {true, false, std::array<std::size_t, 3>{50, 1, 1}, {}},
                 RescueSource::Vote,
                 0},
        TwoReads{"SureDisagreementIsNoVote",
                 {true, false, {}, 10 * 8 + 3},
                 {true, false, {}, 20 * 8 + 3},
                 RescueSource::Damaged,
                 0}),
    [](const auto& info) { return std::string(info.param.name); });

// A dropout inside a long data block: the block is damaged, not lost, and
// its least certain bits are those at the dropout; the blocks after it read.
class DropoutInBlock : public testing::TestWithParam<double> {};

TEST_P(DropoutInBlock, DamagesThatBlockAlone) {
    TempDir dir;
    WriteCodeTape(dir.path() / "t.tap", {600, 90});
    RenderedTape tape = RenderTape(dir.path() / "t.tap", MachineKind::Spectrum, Rate);
    const auto spans = BitSpans(tape.samples, Rate, MachineKind::Spectrum);
    ASSERT_EQ(spans.size(), 4u);
    // Two fifths into the data block: its byte, at the block's even pace.
    const auto [first, last] = spans[1];
    const std::size_t at = first + (last - first) * 2 / 5;
    const double dropoutByte = 600.0 * 2 / 5;
    AddDropout(tape.samples, at, GetParam(), Rate);
    const DecodedRecording read = DecodeSamples(tape.samples, 1, Rate, MachineKind::Spectrum);
    ASSERT_EQ(read.tape.blocks.size(), 4u);
    for (std::size_t k = 0; k < 4; ++k) {
        if (k != 1) {
            EXPECT_EQ(read.tape.blocks[k].bytes, tape.blocks[k]) << "block " << k;
        }
    }
    const DecodedBlock& damaged = read.tape.blocks[1];
    EXPECT_FALSE(damaged.checksumGood);
    EXPECT_FALSE(damaged.repair) << "no bit or two mends a dropout";
    ASSERT_FALSE(damaged.dropouts.empty());
    EXPECT_NEAR(double(damaged.dropouts[0].firstBit) / 8, dropoutByte, 24);
    // The bytes before it are as sent.
    const std::size_t before = damaged.dropouts[0].firstBit / 8;
    EXPECT_TRUE(std::equal(damaged.bytes.begin(), damaged.bytes.begin() + std::ptrdiff_t(before),
                           tape.blocks[1].begin()));
    ASSERT_EQ(damaged.weakest.size(), WeakBitsListed);
    for (const BitPosition& p : damaged.weakest) {
        EXPECT_GE(p.byte * 8 + p.bit, damaged.dropouts[0].firstBit);
        EXPECT_LE(p.byte * 8 + p.bit, damaged.dropouts[0].resumeBit + WeakBitsListed);
    }
    EXPECT_NE(DamageText(damaged).find("; 1 dropout bridged"), std::string::npos)
        << DamageText(damaged);
}

INSTANTIATE_TEST_SUITE_P(Milliseconds, DropoutInBlock, testing::Values(5.0, 20.0),
                         [](const auto& info) { return std::to_string(int(info.param)) + "ms"; });

struct Nothing {
    const char* name;
    std::function<std::vector<float>()> samples;
};

void PrintTo(const Nothing& n, std::ostream* out) {
    *out << n.name;
}

class NoTape : public testing::TestWithParam<Nothing> {};

TEST_P(NoTape, FindsNoBlocks) {
    const auto samples = GetParam().samples();
    const DecodedRecording read = DecodeSamples(samples, 1, Rate, MachineKind::Spectrum);
    EXPECT_TRUE(read.tape.blocks.empty());
    const auto tzx = RecordingTzx(read, MachineKind::Spectrum);
    TapeImage image(tzx, ImageFormat::Tzx, MachineKind::Spectrum, TapeLayout::SpectrumTap, false);
    image.IndexAll();
    EXPECT_FALSE(image.HasCorrupt());
    EXPECT_FALSE(image.Playable());
}

INSTANTIATE_TEST_SUITE_P(
    Recordings, NoTape,
    testing::Values(Nothing{"Empty", [] { return std::vector<float>{}; }},
                    Nothing{"Silent", [] { return std::vector<float>(Rate * 2, 0.0f); }},
                    Nothing{"Noise",
                            [] {
                                std::vector<float> s(Rate * 2);
                                std::mt19937 random(7);
                                std::normal_distribution<float> noise(0, 0.3f);
                                for (float& x : s) {
                                    x = noise(random);
                                }
                                return s;
                            }},
                    Nothing{"Tone1kHz",
                            [] {
                                std::vector<float> s(Rate * 2);
                                for (std::size_t i = 0; i < s.size(); ++i) {
                                    s[i] = float(0.5 * std::sin(2 * std::numbers::pi * 1000 *
                                                                double(i) / Rate));
                                }
                                return s;
                            }}),
    [](const auto& info) { return std::string(info.param.name); });

// Hiss 40 dB under a clean recording is silence between its blocks: no
// stretch of sound.
TEST(Decode, HissInTheGapsIsSilence) {
    RenderedTape tape = RenderTape(fs::path(BITREEL_CORPUS_DIR) / "spectrum/standard-tap.tap",
                                   MachineKind::Spectrum, Rate);
    AddNoise(tape.samples, 40);
    const DecodedRecording read = DecodeSamples(tape.samples, 1, Rate, MachineKind::Spectrum);
    ASSERT_EQ(read.tape.blocks.size(), tape.blocks.size());
    EXPECT_TRUE(read.tape.stretches.empty()) << read.tape.stretches.size() << " stretches";
}

// Sound no block explains but a loader could read (a tone, then pairs of
// pulses of two lengths) is kept between silences as a direct recording
// (0x15) that every TZX reader takes (tzxlist lists it), and plays back as
// the same pulses.
TEST(Decode, ReadableStretchIsKeptAsADirectRecording) {
    std::vector<double> pulses(200, 1000); // too short for a pilot
    for (int bit = 0; bit < 200; ++bit) {
        const double p = bit * 7 % 3 == 0 ? 1100 : 550;
        pulses.insert(pulses.end(), {p, p});
    }
    pulses.push_back(50'000);
    DecodedRecording recording;
    recording.rate = Rate;
    recording.channels = 1;
    recording.edges = EdgesOf(pulses);
    recording.tape = DecodeEdges(recording.edges, Rate, SpectrumRom);
    ASSERT_TRUE(recording.tape.blocks.empty());
    ASSERT_EQ(recording.tape.stretches.size(), 1u);
    const auto tzx = RecordingTzx(recording, MachineKind::Spectrum);
    ASSERT_GT(tzx.size(), 10u);
    EXPECT_EQ(tzx[10], 0x15);
    TapeImage image(tzx, ImageFormat::Tzx, MachineKind::Spectrum, TapeLayout::SpectrumTap, false);
    image.IndexAll();
    ASSERT_EQ(image.RowCount(), 1u);
    EXPECT_EQ(image.Row(0).rfind("Direct rec. : ", 0), 0u) << image.Row(0);
    // Each edge on the sample (79 T-states) nearest its time: every pulse
    // within one of its length, none of the error building up.
    std::vector<double> back;
    PulseStream stream(image, {});
    PulseEvent event;
    std::optional<Level> level;
    while (stream.Next(event)) {
        if (event.kind != PulseEvent::Kind::Pulse || event.tstates == 0) {
            continue;
        }
        if (event.level == level) {
            back.back() += event.tstates;
        } else {
            back.push_back(event.tstates);
            level = event.level;
        }
    }
    ASSERT_GE(back.size(), pulses.size() - 1);
    double at = 0, backAt = 0;
    for (std::size_t k = 0; k + 1 < pulses.size(); ++k) {
        at += pulses[k];
        backAt += back[k];
        ASSERT_NEAR(back[k], pulses[k], 3'500'000.0 / Rate) << "pulse " << k;
        ASSERT_NEAR(backAt, at, 3'500'000.0 / Rate) << "pulse " << k;
    }
    const std::string tzxlist = BITREEL_TZXLIST;
    if (tzxlist.empty()) {
        GTEST_SKIP() << "tzxlist not installed (Debian: fuse-emulator-utils)";
    }
    TempDir dir;
    const fs::path file = dir.path() / "t.tzx";
    std::ofstream(file, std::ios::binary)
        .write(reinterpret_cast<const char*>(tzx.data()), std::streamsize(tzx.size()));
    const fs::path log = dir.path() / "log";
    const int status =
        std::system((tzxlist + " '" + file.string() + "' > '" + log.string() + "' 2>&1").c_str());
    const auto bytes = ReadFileBytes(log);
    const std::string said(bytes.begin(), bytes.end());
    EXPECT_EQ(status, 0) << said;
    EXPECT_NE(said.find("Block type 0x15"), std::string::npos) << said;
}

// Stereo: the tape on one channel, noise on the other; the tape's is kept.
TEST(Decode, StereoKeepsTheBetterChannel) {
    RenderedTape tape = RenderTape(fs::path(BITREEL_CORPUS_DIR) / "spectrum/standard-tap.tap",
                                   MachineKind::Spectrum, Rate);
    std::vector<float> stereo(tape.samples.size() * 2);
    std::mt19937 random(3);
    std::normal_distribution<float> noise(0, 0.4f);
    for (std::size_t i = 0; i < tape.samples.size(); ++i) {
        stereo[2 * i] = noise(random);
        stereo[2 * i + 1] = tape.samples[i];
    }
    const DecodedRecording read = DecodeSamples(stereo, 2, Rate, MachineKind::Spectrum);
    EXPECT_EQ(read.channel, 1u);
    ASSERT_EQ(read.tape.blocks.size(), tape.blocks.size());
}

TEST(RecordingFile, NotAudioIsAClearError) {
    TempDir dir;
    const fs::path path = dir.path() / "notes.wav";
    std::ofstream(path) << "this is no sound at all";
    try {
        (void)DecodeRecordingFile(path, MachineKind::Spectrum);
        FAIL() << "read";
    } catch (const std::runtime_error& e) {
        EXPECT_NE(std::string(e.what()).find("notes.wav"), std::string::npos) << e.what();
    }
    std::ofstream(dir.path() / "cut.csw") << "Compressed Square Wave";
    EXPECT_THROW((void)DecodeRecordingFile(dir.path() / "cut.csw", MachineKind::Spectrum),
                 std::runtime_error);
}

// A CSW file cut short (or damaged inside its compressed stream) keeps the
// blocks before the cut; one of more pulses than a tape holds is refused
// before its edges fill the memory.
TEST(RecordingFile, ACswReadsAsFarAsItsPulsesGo) {
    TempDir dir;
    const fs::path tap = fs::path(BITREEL_CORPUS_DIR) / "spectrum/standard-tap.tap";
    TapeImage image(tap, MachineKind::Spectrum, TapeLayout::SpectrumTap);
    image.IndexAll();
    const std::vector<BlockBytes> sent = SentBlocks(image);
    (void)WriteTapeAudio(image, {}, RenderOptions{}, dir.path() / "t.csw", AudioFileType::Csw);
    std::vector<std::uint8_t> bytes = ReadFileBytes(dir.path() / "t.csw");
    bytes.resize(bytes.size() * 3 / 4); // into the data block's sound
    std::uint32_t rate = 0;
    const std::vector<double> edges = CswEdges(bytes, rate);
    const DecodedTape read = DecodeEdges(edges, rate, SpectrumRom);
    ASSERT_FALSE(read.blocks.empty());
    EXPECT_EQ(read.blocks.front().bytes, sent.front());
    EXPECT_THROW((void)CswEdges(bytes, rate, edges.size() - 2), std::length_error);
}

// The sound files Bitreel writes of a tape open as that tape again: its
// rows are the same blocks, through the hook TapeImage reads them by.
class WrittenFile : public testing::TestWithParam<AudioFileType> {};

TEST_P(WrittenFile, OpensAsTheTape) {
    InstallRecordingFiles();
    TempDir dir;
    const fs::path tap = fs::path(BITREEL_CORPUS_DIR) / "spectrum/standard-tap.tap";
    TapeImage image(tap, MachineKind::Spectrum, TapeLayout::SpectrumTap);
    image.IndexAll();
    const char* names[] = {"t.wav", "t.flac", "t.csw"};
    const fs::path out = dir.path() / names[int(GetParam())];
    (void)WriteTapeAudio(image, {}, RenderOptions{}, out, GetParam());
    TapeImage read(out, MachineKind::Spectrum, TapeLayout::SpectrumTap);
    read.IndexAll();
    std::vector<Block> want;
    std::vector<Block> got;
    image.ForEachBlock([&](std::size_t, const ImageBlock& b) { want.push_back(b.stored); });
    read.ForEachBlock([&](std::size_t, const ImageBlock& b) {
        if (b.Sent()) {
            got.push_back(b.stored);
        }
    });
    EXPECT_EQ(got, want);
}

INSTANTIATE_TEST_SUITE_P(Types, WrittenFile,
                         testing::Values(AudioFileType::Wav, AudioFileType::Flac,
                                         AudioFileType::Csw));

} // namespace
} // namespace bitreel::test
