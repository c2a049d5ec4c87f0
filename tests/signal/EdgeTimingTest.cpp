// Every block kind rendered at every rate: each edge of the samples falls
// on the sample nearest its exact time, counted from the tape's T-states,
// and nothing drifts by the end of a long block.
#include "pulses/PulseStream.h"
#include "signal/render/SampleRenderer.h"
#include "support/EarDecoder.h"
#include "support/PulseList.h"
#include "support/TempDir.h"
#include "support/TestNames.h"
#include "support/TzxBuilder.h"
#include "tape/Conversion.h"
#include "tape/TapeImage.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

namespace bitreel {
namespace {

using test::Bytes;
using test::PzxBuilder;
using test::TzxBuilder;

struct Image {
    const char* name;
    Bytes bytes;
    ImageFormat format;
    MachineKind machine = MachineKind::Spectrum;
};

TapeImage Open(const Image& image) {
    const TapeLayout layout =
        image.machine == MachineKind::Spectrum ? TapeLayout::SpectrumTap : TapeLayout::AceTap;
    TapeImage tape(image.bytes, image.format, image.machine, layout, false);
    tape.IndexAll();
    return tape;
}

// The tape's pulses, as the renderer gets them from its stream.
std::vector<PulseEvent> PulsesOf(const TapeImage& tape) {
    PulseStream stream(tape, {});
    std::vector<PulseEvent> pulses;
    PulseEvent e;
    while (stream.Next(e)) {
        if (e.kind == PulseEvent::Kind::Pulse) {
            pulses.push_back(e);
        }
    }
    return pulses;
}

std::vector<std::int16_t> Render(const TapeImage& tape, const RenderOptions& options) {
    PulseStream stream(tape, {});
    SampleRenderer renderer(stream, options);
    std::vector<std::int16_t> samples;
    std::vector<std::int16_t> buffer(4096);
    for (;;) {
        const auto filled = renderer.Fill(buffer);
        samples.insert(samples.end(), buffer.begin(),
                       buffer.begin() + static_cast<std::ptrdiff_t>(filled.samples));
        if (filled.ended) {
            return samples;
        }
    }
}

Bytes TapOf(std::uint8_t flag, const Bytes& payload) {
    Bytes tap{static_cast<std::uint8_t>((payload.size() + 2) & 0xFF),
              static_cast<std::uint8_t>((payload.size() + 2) >> 8), flag};
    tap.insert(tap.end(), payload.begin(), payload.end());
    tap.push_back(test::Xor(payload));
    return tap;
}

Bytes Ramp(std::size_t size) {
    Bytes bytes(size);
    for (std::size_t i = 0; i < size; ++i) {
        bytes[i] = static_cast<std::uint8_t>(i * 7 + i / 256);
    }
    return bytes;
}

std::vector<Image> Images() {
    std::vector<Image> images = {
        {"SpectrumTap", TapOf(0x00, Ramp(17)), ImageFormat::Blocks},
        {"AceTap", Bytes{0x03, 0x00, 0x11, 0x22, 0x33}, ImageFormat::Blocks,
         MachineKind::JupiterAce},
        {"Turbo", TzxBuilder().Turbo(Ramp(40), 5).bytes(), ImageFormat::Tzx},
        {"PureToneAndPulses", TzxBuilder().PureTone(999, 301).Pulses({1, 2, 3000}).bytes(),
         ImageFormat::Tzx},
        {"PureData", TzxBuilder().PureData(Ramp(33), 3).bytes(), ImageFormat::Tzx},
        {"DirectRecording", TzxBuilder().DirectRecording(79, 8, Ramp(200)).bytes(),
         ImageFormat::Tzx},
        {"Csw", TzxBuilder().Csw(4, {3, 200, 0, 0x10, 0x27, 0, 0, 7}).bytes(), ImageFormat::Tzx},
        {"Generalized", TzxBuilder().Generalized(100).bytes(), ImageFormat::Tzx},
        {"Pause", TzxBuilder().PureTone(2168, 3).Pause(1234).PureTone(2168, 3).bytes(),
         ImageFormat::Tzx},
        {"Pzx", PzxBuilder().Pulses({{20, 2168}, {1, 0x18000}}).Data(Ramp(9)).Pause(7001).bytes(),
         ImageFormat::Pzx},
        // The longest block a TAP holds: three minutes of tape.
        {"LongBlock", TapOf(0xFF, Ramp(65533)), ImageFormat::Blocks},
    };
    return images;
}

class EdgeTiming : public testing::TestWithParam<std::tuple<Image, std::uint32_t>> {};

TEST_P(EdgeTiming, EveryEdgeIsOnTheSampleNearestItsTime) {
    const auto& [image, rate] = GetParam();
    const TapeImage tape = Open(image);
    RenderOptions options;
    options.rate = rate;
    const auto samples = Render(tape, options);
    const auto pulses = PulsesOf(tape);
    const std::uint64_t lead = (std::uint64_t{options.leadMs} * rate + 500) / 1000;
    const std::uint64_t end = lead + test::NearestSample(test::Ticks(pulses), rate);
    std::vector<test::Edge> want = test::ExpectedEdges(pulses, rate, lead);
    if (!want.empty() && want.back().level == Level::High) {
        want.push_back({end, Level::Low}); // the silence after the tape
    }
    ASSERT_GE(want.size(), 4u);
    EXPECT_EQ(test::EdgesOf(samples), want);
    // The end of the last pulse, where drift would show most, then the
    // trailing silence.
    EXPECT_EQ(samples.size(), end + (std::uint64_t{options.tailMs} * rate + 500) / 1000);
}

INSTANTIATE_TEST_SUITE_P(BlockKinds, EdgeTiming,
                         testing::Combine(testing::ValuesIn(Images()),
                                          testing::ValuesIn(SampleRates)),
                         [](const auto& info) {
                             return std::string(std::get<0>(info.param).name) + "_" +
                                    std::to_string(std::get<1>(info.param));
                         });

// The corpus's Jupiter Ace tapes, rendered at every rate and read back by a
// decoder written from the Ace ROM's timings, are the same blocks as their
// JUP conversions hold.
class AceAudio : public testing::TestWithParam<std::tuple<std::filesystem::path, std::uint32_t>> {};

TEST_P(AceAudio, ReadsBackIntoTheJupBlocks) {
    const auto& [path, rate] = GetParam();
    const Bytes tap = test::ReadFileBytes(path);
    const AceConversion jup = AceTapToJup(tap);
    ASSERT_FALSE(jup.corruptBlock);
    const std::vector<test::DecodedBlock> blocks = test::TapBlocks(jup.bytes);
    RenderOptions options;
    options.rate = rate;
    for (const auto layout : {TapeLayout::AceTap, TapeLayout::AceJup}) {
        TapeImage played(layout == TapeLayout::AceTap ? tap : jup.bytes, ImageFormat::Blocks,
                         MachineKind::JupiterAce, layout, false);
        played.IndexAll();
        EXPECT_EQ(test::DecodeEar(Render(played, options), rate, AceRom), blocks);
    }
}

std::vector<std::filesystem::path> AceCorpus() {
    std::vector<std::filesystem::path> files;
    for (const auto& entry :
         std::filesystem::directory_iterator(std::filesystem::path(BITREEL_CORPUS_DIR) / "ace")) {
        files.push_back(entry.path());
    }
    std::sort(files.begin(), files.end());
    return files;
}

INSTANTIATE_TEST_SUITE_P(Corpus, AceAudio,
                         testing::Combine(testing::ValuesIn(AceCorpus()),
                                          testing::ValuesIn(SampleRates)),
                         [](const auto& info) {
                             return test::TestName(std::get<0>(info.param).stem().string() + "_" +
                                                   std::to_string(std::get<1>(info.param)));
                         });

} // namespace
} // namespace bitreel
