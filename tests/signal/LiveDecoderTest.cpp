// Sound decoded as it comes, in pieces of odd sizes, against the decode of
// the whole recording: the same blocks and the same TZX bytes, holding no
// more than one block's edges.
#include "signal/decode/LiveDecoder.h"
#include "pulses/PulseStream.h"
#include "signal/decode/RecordingTzx.h"
#include "signal/render/TapeAudioFile.h"
#include "support/TempDir.h"
#include "support/TzxBuilder.h"
#include "tape/TapeImage.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>

namespace bitreel::test {
namespace {

namespace fs = std::filesystem;
const fs::path Corpus = BITREEL_CORPUS_DIR;
constexpr std::uint32_t Rate = 44'100;

struct FloatSink final : SampleSink {
    void Write(std::span<const std::int16_t> piece) override {
        for (const auto s : piece) {
            samples.push_back(float(s) / 32768.0f);
        }
    }
    std::vector<float> samples;
};

std::vector<float> Rendered(const fs::path& path, MachineKind machine, double noise) {
    TapeImage image(path, machine,
                    machine == MachineKind::Spectrum ? TapeLayout::SpectrumTap
                                                     : TapeLayout::AceTap);
    image.IndexAll();
    PulseStream stream(image, {});
    FloatSink sink;
    RenderOptions options;
    options.rate = Rate;
    (void)RenderTapeAudio(stream, options, sink);
    std::mt19937 random(6);
    std::normal_distribution<float> hiss(0, float(noise));
    for (float& x : sink.samples) {
        x += hiss(random);
    }
    return std::move(sink.samples);
}

// A code header and its 300-byte block, of which a dropout in a run of
// zeros took 4 bytes and left a gap as long as 2: the XOR is right, the
// length is not, and only the header, a cut earlier, tells.
fs::path ShortBlockTape() {
    static const TempDir dir;
    Bytes data(300, 0x00);
    std::mt19937 random(3);
    std::generate(data.begin(), data.begin() + 100, [&] { return std::uint8_t(random()); });
    const Bytes block = DataBytes(0xFF, data);
    const auto part = [&](std::size_t from, std::size_t to) {
        return Bytes(block.begin() + std::ptrdiff_t(from), block.begin() + std::ptrdiff_t(to));
    };
    // The gap: one pulse as long as two bytes of zeros.
    TzxBuilder()
        .Standard(DataBytes(0, SpectrumHeader(3, "short", 300, 32768, 0)))
        .Turbo(part(0, 151), 8, 0)
        .PureTone(16 * 1710, 1)
        .PureData(part(155, block.size()))
        .WriteTo(dir.path() / "short.tzx");
    return dir.path() / "short.tzx";
}

struct LiveCase {
    const char* name;
    const char* file;
    MachineKind machine;
    double noise; // of full scale
    std::size_t piece;
    // The silences between blocks stay below the edge finder's floor: the
    // decoder cuts at each of them.
    bool quietGaps = true;
};

void PrintTo(const LiveCase& c, std::ostream* os) {
    *os << c.name;
}

class LiveDecoding : public testing::TestWithParam<LiveCase> {};

TEST_P(LiveDecoding, GivesTheWholeDecodesBlocksAndTzxHoldingOneBlocksEdges) {
    const LiveCase& c = GetParam();
    const fs::path file = *c.file != 0 ? Corpus / c.file : ShortBlockTape();
    const std::vector<float> samples = Rendered(file, c.machine, c.noise);
    const DecodedRecording whole = DecodeSamples(samples, 1, Rate, c.machine);
    ASSERT_FALSE(whole.tape.blocks.empty());
    ASSERT_EQ(*c.file == 0, whole.tape.blocks.back().announced.has_value());

    LiveDecoder live(Rate, c.machine);
    std::vector<LiveItem> ended;
    std::vector<std::uint8_t> tzx = TzxFileHeader(c.machine);
    // Blocks come out while the sound still comes, not all at the end.
    std::size_t endedBeforeFlush = 0;
    for (std::size_t at = 0; at < samples.size(); at += c.piece) {
        live.Feed(std::span(samples).subspan(at, std::min(c.piece, samples.size() - at)));
        for (auto& item : live.TakeEnded()) {
            ended.push_back(std::move(item));
        }
        const auto more = live.TakeTzx();
        tzx.insert(tzx.end(), more.begin(), more.end());
    }
    endedBeforeFlush = ended.size();
    live.Flush();
    for (auto& item : live.TakeEnded()) {
        ended.push_back(std::move(item));
    }
    const auto last = live.TakeTzx();
    tzx.insert(tzx.end(), last.begin(), last.end());

    std::vector<std::vector<std::uint8_t>> liveBlocks;
    std::size_t stretches = 0;
    for (const LiveItem& item : ended) {
        if (item.block) {
            liveBlocks.push_back(item.block->bytes);
        } else {
            ++stretches;
        }
    }
    std::vector<std::vector<std::uint8_t>> wholeBlocks;
    std::size_t widest = 0;
    for (const DecodedBlock& block : whole.tape.blocks) {
        wholeBlocks.push_back(block.bytes);
        widest = std::max(widest, block.endEdge - block.firstEdge);
    }
    EXPECT_EQ(liveBlocks, wholeBlocks);
    EXPECT_EQ(stretches, whole.tape.stretches.size());
    EXPECT_EQ(tzx, RecordingTzx(whole, c.machine));
    if (c.quietGaps) {
        EXPECT_GE(endedBeforeFlush + 1, ended.size());
        // A block's edges, the edge that ends it and the one where the sound
        // settles after it: never two blocks' worth.
        EXPECT_LE(live.MostEdgesHeld(), widest + 3);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Tapes, LiveDecoding,
    testing::Values(LiveCase{"SpectrumInPiecesOfOne", "spectrum/standard-tap.tap",
                             MachineKind::Spectrum, 0, 1},
                    LiveCase{"SpectrumInOddPieces", "spectrum/template_tap.tap",
                             MachineKind::Spectrum, 0, 4099},
                    LiveCase{"SpectrumInPiecesLongerThanTheQuiet", "spectrum/template_tap.tap",
                             MachineKind::Spectrum, 0, 30011},
                    LiveCase{"AceInOddPieces", "ace/AUTORUN.tap", MachineKind::JupiterAce, 0, 997},
                    // "": a block its header, heard a cut before, shows short.
                    LiveCase{"ShortBlockAfterItsHeader", "", MachineKind::Spectrum, 0, 4099},
                    // Hiss below the edge finder's floor between blocks: still
                    // cut at each silence.
                    LiveCase{"SpectrumUnderFaintHiss", "spectrum/template_tap.tap",
                             MachineKind::Spectrum, 0.0004, 2053},
                    // Hiss loud enough to damage bytes and fill the silences with
                    // stretches: no quiet comes, and what is found at the end is
                    // still what the whole decode finds.
                    LiveCase{"SpectrumUnderLoudHiss", "spectrum/template_tap.tap",
                             MachineKind::Spectrum, 0.12, 2053, false}),
    [](const testing::TestParamInfo<LiveCase>& info) { return std::string(info.param.name); });

} // namespace
} // namespace bitreel::test
