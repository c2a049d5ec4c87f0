// Takes' bits after a dropout moved to where the other takes say they
// belong, so that the bytes after it can be voted.
#include "signal/rescue/TakeRealign.h"

#include <cstdlib>
#include <optional>

namespace bitreel {
namespace {

// How far a stretch may stand from where its take guessed: a 20 ms
// dropout at the ROM's speed loses from 20 to 40 bits.
constexpr long MostShift = 24;
// The bits of a stretch compared, at most, and at least for a verdict.
constexpr std::size_t Window = 8192;
constexpr std::size_t CompareAtLeast = 48;
// A stretch is placed where it agrees on this share of the bits compared.
constexpr double AgreeAtLeast = 0.9;
// Shifts within this much agreement of the best are as good: the one
// nearest the guess is taken.
constexpr double AsGood = 0.005;

constexpr std::uint8_t Unknown = 2;

struct Take {
    const DecodedBlock* block = nullptr;
    std::vector<std::uint8_t> placed; // by place in the block: 0, 1 or Unknown
    std::size_t stretchesPlaced = 0;  // the stretches after dropouts placed, in order
    long shift = 0;                   // where the last one placed stands
};

std::uint8_t BitOf(const DecodedBlock& b, std::size_t i) {
    return std::uint8_t(b.bytes[i / 8] >> (7 - i % 8) & 1);
}

// The bits, as read, of the stretch after dropout k.
std::pair<std::size_t, std::size_t> StretchOf(const DecodedBlock& b, std::size_t k) {
    const std::size_t bits = b.bytes.size() * 8;
    const std::size_t to = k + 1 < b.dropouts.size() ? b.dropouts[k + 1].firstBit : bits;
    return {std::min(b.dropouts[k].resumeBit, to), std::min(to, bits)};
}

void Place(Take& take, std::size_t from, std::size_t to, long shift) {
    for (std::size_t i = from; i < to; ++i) {
        const long at = long(i) + shift;
        if (at < 0) {
            continue;
        }
        if (std::size_t(at) >= take.placed.size()) {
            take.placed.resize(std::size_t(at) + 1, Unknown);
        }
        take.placed[std::size_t(at)] = BitOf(*take.block, i);
    }
}

// The shift at which the stretch agrees with the other takes' known bits,
// when it agrees well enough.
std::optional<long> BestShift(const std::vector<Take>& takes, std::size_t self, std::size_t from,
                              std::size_t to) {
    const Take& take = takes[self];
    std::optional<long> best;
    double bestShare = 0;
    for (long delta = -MostShift; delta <= MostShift; ++delta) {
        const long shift = take.shift + delta;
        std::size_t compared = 0;
        std::size_t agree = 0;
        for (std::size_t i = from; i < std::min(to, from + Window); ++i) {
            const long at = long(i) + shift;
            if (at < 0) {
                continue;
            }
            const std::uint8_t bit = BitOf(*take.block, i);
            for (std::size_t other = 0; other < takes.size(); ++other) {
                const auto& placed = takes[other].placed;
                if (other != self && std::size_t(at) < placed.size() &&
                    placed[std::size_t(at)] != Unknown) {
                    ++compared;
                    agree += placed[std::size_t(at)] == bit ? 1 : 0;
                }
            }
        }
        if (compared < CompareAtLeast) {
            continue;
        }
        const double share = double(agree) / double(compared);
        const bool better =
            share > bestShare + AsGood ||
            (share > bestShare - AsGood && best && std::abs(delta) < std::abs(*best - take.shift));
        if (!best || better) {
            best = shift;
            bestShare = std::max(share, bestShare);
        }
    }
    return best && bestShare >= AgreeAtLeast ? best : std::nullopt;
}

PlacedBlock Bytes(const Take& take) {
    const DecodedBlock& b = *take.block;
    PlacedBlock out;
    out.lengthKnown = take.stretchesPlaced == b.dropouts.size();
    const std::size_t sure = b.dropouts.empty() ? b.bytes.size() * 8 : b.dropouts[0].firstBit;
    const std::size_t length = out.lengthKnown ? take.placed.size() / 8 : b.bytes.size();
    for (std::size_t k = 0; k < length; ++k) {
        std::uint8_t byte = 0;
        bool known = true;
        for (std::size_t i = 8 * k; i < 8 * k + 8; ++i) {
            const std::uint8_t bit = i < take.placed.size() ? take.placed[i] : Unknown;
            known = known && bit != Unknown;
            byte = std::uint8_t(byte << 1 | (bit == 1 ? 1 : 0));
        }
        out.bytes.push_back(byte);
        out.confidence.push_back(!known              ? 0.0f
                                 : 8 * k + 8 <= sure ? b.confidence[k]
                                                     : PlacedConfidence);
    }
    return out;
}

} // namespace

std::vector<PlacedBlock> PlaceTakes(std::span<const DecodedBlock* const> blocks) {
    std::vector<Take> takes;
    for (const DecodedBlock* b : blocks) {
        Take take{b, {}, 0, 0};
        Place(take, 0, b->dropouts.empty() ? b->bytes.size() * 8 : b->dropouts[0].firstBit, 0);
        takes.push_back(std::move(take));
    }
    // A stretch can be placed once another take knows the bits it covers;
    // each round places at least one, or ends.
    for (bool placedAny = true; placedAny;) {
        placedAny = false;
        for (std::size_t t = 0; t < takes.size(); ++t) {
            Take& take = takes[t];
            while (take.stretchesPlaced < take.block->dropouts.size()) {
                const auto [from, to] = StretchOf(*take.block, take.stretchesPlaced);
                // Nothing after the dropout (it ends the block): in place.
                const auto shift = from < to ? BestShift(takes, t, from, to) : take.shift;
                if (!shift) {
                    break;
                }
                Place(take, from, to, *shift);
                take.shift = *shift;
                ++take.stretchesPlaced;
                placedAny = true;
            }
        }
    }
    std::vector<PlacedBlock> placed;
    for (const Take& take : takes) {
        placed.push_back(Bytes(take));
    }
    return placed;
}

} // namespace bitreel
