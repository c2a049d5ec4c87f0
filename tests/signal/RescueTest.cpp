// Several takes of one tape, each damaged in its own way, merged: which take
// each block comes from, when the takes vote, and what stays damaged.
#include "signal/decode/RecordingReader.h"
#include "signal/rescue/RescueTakes.h"
#include "support/Degradations.h"
#include "support/RenderedTape.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <string>
#include <vector>

namespace bitreel::test {
namespace {

namespace fs = std::filesystem;
constexpr std::uint32_t Rate = 44'100;
constexpr std::size_t Blocks = 4; // two headers, each with its data

// A dropout of ms in a block, a share of the way through it.
struct Cut {
    std::size_t block;
    double share;
    double ms;
};

// A bit lost, a share of the way through a block: its sound cut out, as
// where the tape skipped, so that every bit after it reads a place early
// and the take's bytes from there on are unlike any other's.
struct Slip {
    std::size_t block;
    double share;
};

struct Take {
    std::vector<Cut> cuts;
    std::size_t fromBlock = 0;    // the take starts in the pause before it
    std::size_t toBlock = Blocks; // and ends in the pause after the one before it
    std::vector<Slip> slips = {};
    double noiseDb = 0; // white noise this far below the sound, at a seed of the take's own
};

struct RescueCase {
    const char* name;
    std::vector<Take> takes;
    // Per block of the tape: where it comes from, and for a take's, which.
    std::vector<std::pair<RescueSource, std::size_t>> want;
};

// A block every take reads whole may come from any of them.
constexpr std::size_t AnyTake = std::numeric_limits<std::size_t>::max();

void PrintTo(const RescueCase& c, std::ostream* out) {
    *out << c.name;
}

class Rescue : public testing::TestWithParam<RescueCase> {};

TEST_P(Rescue, KeepsEveryBlockFromTheRightPlace) {
    TempDir dir;
    WriteCodeTape(dir.path() / "t.tap", {400, 300});
    const RenderedTape tape = RenderTape(dir.path() / "t.tap", MachineKind::Spectrum, Rate);
    const auto spans = BitSpans(tape.samples, Rate, MachineKind::Spectrum);
    ASSERT_EQ(spans.size(), Blocks);
    const DecodedRecording clean = DecodeSamples(tape.samples, 1, Rate, MachineKind::Spectrum);
    std::vector<DecodedRecording> takes;
    for (const Take& t : GetParam().takes) {
        Sound samples = tape.samples;
        for (const Cut& cut : t.cuts) {
            const auto [first, last] = spans[cut.block];
            AddDropout(samples, first + std::size_t(double(last - first) * cut.share), cut.ms,
                       Rate);
        }
        // The latest first, so that each stands where the clean sound has it.
        for (auto slip = t.slips.rbegin(); slip != t.slips.rend(); ++slip) {
            const DecodedBlock& b = clean.tape.blocks[slip->block];
            const auto bit = std::size_t(double(b.bytes.size() * 8) * slip->share);
            const auto at = [&](std::size_t edge) {
                return samples.begin() + std::lround(clean.edges[b.dataEdge + edge]);
            };
            samples.erase(at(2 * bit), at(2 * bit + 2));
        }
        if (t.noiseDb > 0) {
            AddNoise(samples, t.noiseDb, 11 + unsigned(takes.size()));
        }
        // Half a second before a block's bits is in its pilot.
        const std::size_t from = t.fromBlock == 0 ? 0 : spans[t.fromBlock].first - Rate / 2;
        const std::size_t to =
            t.toBlock == Blocks ? samples.size()
                                : std::min(samples.size(), spans[t.toBlock - 1].second + Rate / 2);
        takes.push_back(DecodeSamples(std::span(samples).subspan(from, to - from), 1, Rate,
                                      MachineKind::Spectrum));
    }
    const std::vector<RescuedBlock> rescued = RescueTakes(takes);
    const auto& want = GetParam().want;
    // No place named: each block from wherever, but once.
    ASSERT_EQ(rescued.size(), want.empty() ? Blocks : want.size());
    for (std::size_t k = 0; k < rescued.size(); ++k) {
        const RescuedBlock& b = rescued[k];
        EXPECT_TRUE(want.empty() || b.source == want[k].first) << "block " << k + 1;
        if (!want.empty() && b.source == RescueSource::Take && want[k].second != AnyTake) {
            EXPECT_EQ(b.take, want[k].second) << "block " << k + 1;
        }
        if (b.source == RescueSource::Damaged) {
            // A take's bytes as read: no checksum is made right.
            const auto& read = takes[b.take].tape.blocks;
            EXPECT_TRUE(
                std::any_of(read.begin(), read.end(),
                            [&](const DecodedBlock& r) { return r.bytes == b.block.bytes; }))
                << "block " << k + 1;
            EXPECT_FALSE(ChecksumRight(b.block.bytes)) << "block " << k + 1;
            EXPECT_NE(b.block.bytes, tape.blocks[k]);
        } else {
            EXPECT_EQ(b.block.bytes, tape.blocks[k]) << "block " << k + 1;
            EXPECT_TRUE(b.block.checksumGood);
        }
    }
}

constexpr auto FromTake = RescueSource::Take;
constexpr auto Voted = RescueSource::Vote;
constexpr auto StillDamaged = RescueSource::Damaged;

INSTANTIATE_TEST_SUITE_P(
    Takes, Rescue,
    testing::Values(RescueCase{"CleanTakesTheFirst",
                               {{}, {}},
                               {{FromTake, 0}, {FromTake, 0}, {FromTake, 0}, {FromTake, 0}}},
                    RescueCase{"DamagedInOneTake",
                               {{{{1, 0.5, 20}}}, {{{3, 0.3, 5}}}},
                               {{FromTake, 0}, {FromTake, 1}, {FromTake, 0}, {FromTake, 0}}},
                    // Each take loses other bits of the same block: the vote mends it.
                    RescueCase{"DamagedInBothElsewhere",
                               {{{{1, 0.2, 20}, {1, 0.7, 5}}}, {{{1, 0.5, 20}}}},
                               {{FromTake, 0}, {Voted, 1}, {FromTake, 0}, {FromTake, 0}}},
                    RescueCase{"DamagedInBothAlike",
                               {{{{3, 0.5, 20}}}, {{{3, 0.5, 20}}}},
                               {{FromTake, 0}, {FromTake, 0}, {FromTake, 0}, {StillDamaged, 0}}},
                    // The second take starts late and the first ends early: each block
                    // from the take that holds it.
                    RescueCase{
                        "TakesStartAndEndApart",
                        {Take{{}, 0, 3}, Take{{}, 1, Blocks}},
                        {{FromTake, 0}, {FromTake, AnyTake}, {FromTake, AnyTake}, {FromTake, 1}}},
                    RescueCase{"LateTakeMendsTheEarlyOne",
                               {Take{{{2, 0.5, 20}}, 0, Blocks}, Take{{}, 2, Blocks}},
                               {{FromTake, 0}, {FromTake, 0}, {FromTake, 1}, {FromTake, 0}}},
                    // Reads of one block that disagree after a slip are still one
                    // block: the takes' clocks, lined up by the blocks read alike,
                    // put them over the same stretch of tape.
                    RescueCase{"SlippedInOneTake",
                               {Take{{}, 0, Blocks, {{1, 0.1}}}, {}},
                               {{FromTake, 0}, {FromTake, 1}, {FromTake, 0}, {FromTake, 0}}},
                    RescueCase{"SlippedInBothElsewhere",
                               {Take{{}, 0, Blocks, {{3, 0.1}}}, Take{{}, 0, Blocks, {{3, 0.9}}}},
                               {{FromTake, 0}, {FromTake, 0}, {FromTake, 0}, {StillDamaged, 0}}},
                    // One sound with noise of its own in each take: the takes start
                    // at one moment, and a block read unlike in each is one block,
                    // good or damaged as the noise has it.
                    RescueCase{"SameMomentNoiseOfTheirOwn",
                               {Take{{}, 0, Blocks, {}, 3}, Take{{}, 0, Blocks, {}, 3}},
                               {}},
                    RescueCase{"ThreeTakesVote",
                               {{{{1, 0.2, 10}}}, {{{1, 0.5, 10}}}, {{{1, 0.8, 10}}}},
                               {{FromTake, 0}, {Voted, 0}, {FromTake, 0}, {FromTake, 0}}}),
    [](const auto& info) { return std::string(info.param.name); });

// No take at all, and one: nothing to line up, nothing lost.
TEST(Rescue, OneTakeIsItsOwnBlocks) {
    EXPECT_TRUE(RescueTakes({}).empty());
    TempDir dir;
    WriteCodeTape(dir.path() / "t.tap", {50});
    const RenderedTape tape = RenderTape(dir.path() / "t.tap", MachineKind::Spectrum, Rate);
    const DecodedRecording take = DecodeSamples(tape.samples, 1, Rate, MachineKind::Spectrum);
    const auto rescued = RescueTakes(std::span(&take, 1));
    ASSERT_EQ(rescued.size(), 2u);
    EXPECT_EQ(rescued[1].block.bytes, tape.blocks[1]);
    EXPECT_EQ(rescued[1].takes, std::vector<std::size_t>{0});
}

} // namespace
} // namespace bitreel::test
