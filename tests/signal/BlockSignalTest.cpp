// What the inspector's Signal tab draws of a block read from a recording:
// its bits are the block's bytes, each between the edges it was read from,
// the damaged block's least certain bits are marked, and the same bytes
// twice are told apart.
#include "signal/decode/BlockSignal.h"
#include "signal/render/TapeAudioFile.h"
#include "support/TapeBuilder.h"
#include "support/TempDir.h"
#include "tape/TapeImage.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

namespace bitreel::test {
namespace {

namespace fs = std::filesystem;

// The tape as a WAV file of Bitreel's own sound.
fs::path Recorded(const TempDir& dir, const TapeBuilder& tape) {
    tape.WriteTo(dir / "TAPE.TAP");
    TapeImage image(dir / "TAPE.TAP", MachineKind::Spectrum, TapeLayout::SpectrumTap);
    image.IndexAll();
    (void)WriteTapeAudio(image, {}, RenderOptions{}, dir / "tape.wav", AudioFileType::Wav);
    return dir / "tape.wav";
}

Bytes BytesOfBits(const std::vector<SignalBit>& bits) {
    Bytes bytes(bits.size() / 8);
    for (std::size_t k = 0; k < bits.size(); ++k) {
        bytes[k / 8] |= static_cast<std::uint8_t>(bits[k].one ? 0x80 >> (k % 8) : 0);
    }
    return bytes;
}

TEST(BlockSignal, BitsAreTheBlocksBytesBetweenTheirEdges) {
    const TempDir dir;
    const Bytes good{0xFF, 1, 2, 3, 0xA5, 1 ^ 2 ^ 3 ^ 0xA5}; // the payload's XOR
    // The same block twice, then one whose checksum is wrong.
    const Bytes bad{0xFF, 9, 8, 7, 0x00};
    const fs::path wav = Recorded(dir, TapeBuilder()
                                           .Block(0xFF, {1, 2, 3, 0xA5})
                                           .Block(0xFF, {1, 2, 3, 0xA5})
                                           .Block(0xFF, {9, 8, 7}, 0x00));

    const auto first = SignalOfRecordedBlock(wav, MachineKind::Spectrum, good, 0);
    const auto second = SignalOfRecordedBlock(wav, MachineKind::Spectrum, good, 1);
    ASSERT_TRUE(first && second);
    EXPECT_LT(first->firstSample + std::uint64_t(first->length), second->firstSample);
    for (const auto& signal : {*first, *second}) {
        EXPECT_EQ(BytesOfBits(signal.bits), good);
        EXPECT_EQ(signal.rate, RenderOptions{}.rate);
        EXPECT_EQ(signal.samples.size(), std::size_t(std::ceil(signal.length)));
        // Each bit spans two pulses: three edges of the block's own, the
        // last bit's end its last edge.
        for (const SignalBit& bit : signal.bits) {
            EXPECT_TRUE(std::ranges::binary_search(signal.edges, bit.start));
            EXPECT_TRUE(std::ranges::binary_search(signal.edges, bit.end));
            EXPECT_GT(bit.certainty, 0.9f) << "clean sound";
            EXPECT_FALSE(bit.suspect);
        }
        EXPECT_EQ(signal.bits.back().end, signal.edges.back());
        EXPECT_GT(signal.bits.front().start, signal.edges.front()) << "the pilot comes first";
    }
    const auto damaged = SignalOfRecordedBlock(wav, MachineKind::Spectrum, bad, 0);
    ASSERT_TRUE(damaged);
    EXPECT_EQ(BytesOfBits(damaged->bits), bad);
    EXPECT_EQ(std::ranges::count_if(damaged->bits, &SignalBit::suspect),
              std::ptrdiff_t(std::min<std::size_t>(WeakBitsListed, bad.size() * 8)));

    EXPECT_FALSE(SignalOfRecordedBlock(wav, MachineKind::Spectrum, good, 2));
    EXPECT_FALSE(SignalOfRecordedBlock(wav, MachineKind::Spectrum, Bytes{0xFF, 0}, 0));
}

} // namespace
} // namespace bitreel::test
