// Several takes of one tape into one: the blocks lined up across the takes,
// a good one kept, else the bytes voted by their confidence.
#include "signal/rescue/RescueTakes.h"

#include "signal/decode/RecordingTzx.h"
#include "signal/rescue/TakeRealign.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <map>
#include <optional>
#include <tuple>

namespace bitreel {
namespace {

// Bytes read at this confidence or more are compared when lining up.
constexpr float Compared = 0.2f;
// Two blocks are one when they agree on this share of the bytes compared.
constexpr double AgreeAtLeast = 0.5;
// Blocks this alike (same length, nearly every byte) tell how two takes'
// clocks stand to each other.
constexpr double SureMatch = 1.9;
// How far apart the same block may start on two takes, once their clocks
// are lined up: a fixed part for a player's start, and a share of the time
// for its speed.
constexpr double DriftSeconds = 5;
constexpr double DriftShare = 0.05;
// Two reads whose bits lie over this share of the shorter one's time, once
// the takes' clocks are lined up, are one block however unlike their bytes.
constexpr double SameTimeAtLeast = 0.5;
// A guessed byte still counts for a little in the vote.
constexpr double VoteFloor = 0.01;
// A vote stands only where every byte won by this much confidence: the
// checksum alone passes one block of garbage in 128.
constexpr double VoteAtLeast = 0.5;
// And by this much over the next: two takes each sure of another byte are
// a tie, not a vote, while a byte placed after a dropout (PlacedConfidence)
// still outweighs one read weakly the other way.
constexpr double WinBy = 0.25;

struct Member {
    std::size_t take = 0;
    std::size_t index = 0; // of the block in its take
};

// Where a block's bits lie, from its first bit to its last edge, in
// seconds: on its take's clock, or on the first take's.
struct Span {
    double start = 0;
    double end = 0;
};

// One block of the tape, as the takes lined up so far hold it.
struct Slot {
    std::vector<Member> members;
    Span span; // on the first take's clock
};

Span BitsSpan(const DecodedRecording& take, const DecodedBlock& block) {
    const auto at = [&](std::size_t edge) {
        return take.edges.empty() ? 0.0
                                  : take.edges[std::min(edge, take.edges.size() - 1)] / take.rate;
    };
    return {at(block.dataEdge), at(block.endEdge - 1)};
}

// How a take's clock stands to the first take's: the shift (the take's time
// less the first's) at the blocks the two read alike, and between them
// along a line, so that a player a little fast or slow is followed too.
class Clock {
public:
    // The shifts at those blocks, by the take's time; those far from the
    // median are a block paired wrongly, and are left out.
    explicit Clock(std::vector<std::pair<double, double>> shifts) {
        if (shifts.empty()) {
            return;
        }
        std::vector<double> sorted;
        for (const auto& point : shifts) {
            sorted.push_back(point.second);
        }
        std::nth_element(sorted.begin(), sorted.begin() + std::ptrdiff_t(sorted.size() / 2),
                         sorted.end());
        const double median = sorted[sorted.size() / 2];
        std::sort(shifts.begin(), shifts.end());
        for (const auto& [at, shift] : shifts) {
            if (std::abs(shift - median) <= DriftSeconds + DriftShare * at) {
                points_.emplace_back(at, shift);
            }
        }
    }

    [[nodiscard]] bool Known() const noexcept { return !points_.empty(); }

    // A span of the take on the first take's clock.
    [[nodiscard]] Span OnFirst(Span span) const {
        const double shift = ShiftAt(span.start);
        return {span.start - shift, span.end - shift};
    }

private:
    [[nodiscard]] double ShiftAt(double at) const {
        if (points_.empty()) {
            return 0;
        }
        const auto after =
            std::lower_bound(points_.begin(), points_.end(), std::pair(at, 0.0),
                             [](const auto& a, const auto& b) { return a.first < b.first; });
        if (after == points_.begin()) {
            return after->second;
        }
        if (after == points_.end()) {
            return points_.back().second;
        }
        const auto before = after - 1;
        const double width = after->first - before->first;
        const double share = width > 0 ? (at - before->first) / width : 0.0;
        return before->second + share * (after->second - before->second);
    }

    std::vector<std::pair<double, double>> points_; // (the take's time, shift), by time
};

double MeanConfidence(const DecodedBlock& block) {
    double sum = 0;
    for (const float c : block.confidence) {
        sum += c;
    }
    return block.confidence.empty() ? 0.0 : sum / double(block.confidence.size());
}

// How alike two blocks are, whenever they start: more than 1 for the same
// length, plus the share of the sure bytes they agree on. None when they
// cannot be the same block.
std::optional<double> Alike(const DecodedBlock& a, const DecodedBlock& b) {
    if (a.bytes.empty() || b.bytes.empty() || a.bytes[0] != b.bytes[0]) {
        return std::nullopt;
    }
    const bool sameLength = a.bytes.size() == b.bytes.size();
    // Two reads of unlike length are two blocks when both were read whole.
    if (!sameLength && a.checksumGood && b.checksumGood && a.dropouts.empty() &&
        b.dropouts.empty()) {
        return std::nullopt;
    }
    std::size_t compared = 0;
    std::size_t agree = 0;
    for (std::size_t k = 1; k < std::min(a.bytes.size(), b.bytes.size()); ++k) {
        if (a.confidence[k] >= Compared && b.confidence[k] >= Compared) {
            ++compared;
            agree += a.bytes[k] == b.bytes[k] ? 1 : 0;
        }
    }
    // Too few sure bytes to tell: the flag and length alone decide.
    const double share = compared < 4 ? AgreeAtLeast : double(agree) / double(compared);
    if (share < AgreeAtLeast) {
        return std::nullopt;
    }
    return share + (sameLength ? 1.0 : 0.0);
}

class Aligner {
public:
    explicit Aligner(std::span<const DecodedRecording> takes) : takes_(takes) {}

    const DecodedBlock& BlockOf(const Member& m) const {
        return takes_[m.take].tape.blocks[m.index];
    }

    // The take lined up with the slots, and the slots with its blocks added:
    // paired ones to their slot, the others as new slots where they fall.
    void Add(std::size_t take) {
        const auto& blocks = takes_[take].tape.blocks;
        // First by bytes alone; the sure pairs then line up the clocks.
        std::vector<std::pair<double, double>> shifts;
        for (const auto& [slot, index] : Pairs(take, Clock({}))) {
            const auto alike = Similarity(slots_[slot], blocks[index]);
            if (alike && *alike >= SureMatch) {
                const double at = BitsSpan(takes_[take], blocks[index]).start;
                shifts.emplace_back(at, at - slots_[slot].span.start);
            }
        }
        Merge(take, Clock(std::move(shifts)));
    }

    std::vector<Slot> TakeSlots() { return std::move(slots_); }

private:
    std::optional<double> Similarity(const Slot& slot, const DecodedBlock& block) const {
        std::optional<double> best;
        for (const Member& m : slot.members) {
            const auto alike = Alike(BlockOf(m), block);
            if (alike && (!best || *alike > *best)) {
                best = alike;
            }
        }
        return best;
    }

    // How well the block fits the slot, its time on the slot's clock taken
    // in when the clocks are known: reads of one stretch of tape are one
    // block, damaged as they may be, and outweigh any likeness of bytes.
    std::optional<double> Score(const Slot& slot, std::size_t take, std::size_t index,
                                const Clock& clock) const {
        const DecodedBlock& block = takes_[take].tape.blocks[index];
        auto alike = Similarity(slot, block);
        if (!clock.Known()) {
            return alike;
        }
        const Span span = clock.OnFirst(BitsSpan(takes_[take], block));
        const double shorter = std::min(span.end - span.start, slot.span.end - slot.span.start);
        const double overlap =
            std::min(span.end, slot.span.end) - std::max(span.start, slot.span.start);
        if (shorter > 0 && overlap >= SameTimeAtLeast * shorter) {
            return alike.value_or(0.0) + 1.0 + overlap / shorter;
        }
        if (!alike) {
            return std::nullopt;
        }
        const double apart = std::abs(span.start - slot.span.start);
        const double most = DriftSeconds + DriftShare * slot.span.start;
        if (apart > most) {
            return std::nullopt;
        }
        return *alike - 0.5 * apart / most;
    }

    // The best order-keeping pairing of slots and the take's blocks: a
    // table of the best totals, walked back from the end.
    struct Step {
        std::optional<std::size_t> slot;
        std::optional<std::size_t> index;
    };
    std::vector<Step> Walk(std::size_t take, const Clock& clock) const {
        const std::size_t n = slots_.size();
        const std::size_t m = takes_[take].tape.blocks.size();
        std::vector<std::vector<double>> total(n + 1, std::vector<double>(m + 1, 0.0));
        std::vector<std::vector<std::optional<double>>> score(
            n, std::vector<std::optional<double>>(m));
        for (std::size_t i = 1; i <= n; ++i) {
            for (std::size_t j = 1; j <= m; ++j) {
                score[i - 1][j - 1] = Score(slots_[i - 1], take, j - 1, clock);
                total[i][j] = std::max(total[i - 1][j], total[i][j - 1]);
                if (score[i - 1][j - 1]) {
                    total[i][j] = std::max(total[i][j], total[i - 1][j - 1] + *score[i - 1][j - 1]);
                }
            }
        }
        std::vector<Step> steps;
        std::size_t i = n;
        std::size_t j = m;
        while (i > 0 || j > 0) {
            if (i > 0 && j > 0 && score[i - 1][j - 1] &&
                total[i][j] == total[i - 1][j - 1] + *score[i - 1][j - 1]) {
                steps.push_back({i - 1, j - 1});
                --i, --j;
                continue;
            }
            const bool slotFits = i > 0 && total[i][j] == total[i - 1][j];
            const bool blockFits = j > 0 && total[i][j] == total[i][j - 1];
            // Either way is as good: the later one goes last.
            bool slotLater = slotFits;
            if (slotFits && blockFits) {
                slotLater =
                    !clock.Known() ||
                    slots_[i - 1].span.start >=
                        clock.OnFirst(BitsSpan(takes_[take], takes_[take].tape.blocks[j - 1]))
                            .start;
            }
            if (slotLater) {
                steps.push_back({i - 1, std::nullopt});
                --i;
            } else {
                steps.push_back({std::nullopt, j - 1});
                --j;
            }
        }
        std::reverse(steps.begin(), steps.end());
        return steps;
    }

    std::vector<std::pair<std::size_t, std::size_t>> Pairs(std::size_t take,
                                                           const Clock& clock) const {
        std::vector<std::pair<std::size_t, std::size_t>> pairs;
        for (const Step& step : Walk(take, clock)) {
            if (step.slot && step.index) {
                pairs.emplace_back(*step.slot, *step.index);
            }
        }
        return pairs;
    }

    void Merge(std::size_t take, const Clock& clock) {
        std::vector<Slot> merged;
        const auto& blocks = takes_[take].tape.blocks;
        for (const Step& step : Walk(take, clock)) {
            if (step.slot) {
                merged.push_back(std::move(slots_[*step.slot]));
            } else {
                merged.push_back({{}, clock.OnFirst(BitsSpan(takes_[take], blocks[*step.index]))});
            }
            if (step.index) {
                merged.back().members.push_back({take, *step.index});
            }
        }
        slots_ = std::move(merged);
    }

    std::span<const DecodedRecording> takes_;
    std::vector<Slot> slots_;
};

std::uint32_t PauseAfter(const DecodedRecording& take, std::size_t index) {
    const auto& blocks = take.tape.blocks;
    const std::size_t next =
        index + 1 < blocks.size() ? blocks[index + 1].firstEdge : take.edges.size();
    return SilenceMs(take, blocks[index].endEdge, next);
}

// The bytes of the takes voted, each byte weighted by its confidence, at
// the length the header announced, else the length most takes that know it
// have (the longer of a tie). None when a byte won with less than
// VoteAtLeast, or by less than WinBy over the next.
std::optional<std::vector<std::uint8_t>> Vote(const std::vector<PlacedBlock>& takes,
                                              std::optional<std::size_t> announced) {
    std::map<std::size_t, std::size_t> lengths;
    for (const PlacedBlock& b : takes) {
        lengths[b.bytes.size()] += b.lengthKnown ? 1 : 0;
    }
    const std::size_t length =
        announced
            ? *announced
            : std::max_element(lengths.begin(), lengths.end(), [](const auto& a, const auto& b) {
                  return a.second < b.second || (a.second == b.second && a.first < b.first);
              })->first;
    std::vector<std::uint8_t> voted(length);
    for (std::size_t k = 0; k < length; ++k) {
        std::map<std::uint8_t, double> weights;
        for (const PlacedBlock& b : takes) {
            if (k < b.bytes.size()) {
                weights[b.bytes[k]] += b.confidence[k] + VoteFloor;
            }
        }
        // The winner and what the runner-up got: a byte two takes read
        // two ways, both sure, is no vote.
        double first = 0;
        double second = 0;
        std::uint8_t winner = 0;
        for (const auto& [byte, weight] : weights) {
            if (weight > first) {
                second = first;
                first = weight;
                winner = byte;
            } else {
                second = std::max(second, weight);
            }
        }
        if (first < VoteAtLeast || first - second < WinBy) {
            return std::nullopt;
        }
        voted[k] = winner;
    }
    return voted;
}

// A good block's bytes guessed in its dropouts, where another take that
// read up to them without one is sure of them and says otherwise: the
// checksum passed them by chance.
bool Contradicted(const DecodedBlock& good, std::span<const DecodedBlock* const> blocks) {
    for (const Dropout& d : good.dropouts) {
        for (std::size_t k = d.firstBit / 8; k * 8 < d.resumeBit && k < good.bytes.size(); ++k) {
            for (const DecodedBlock* other : blocks) {
                const bool inStep =
                    other->dropouts.empty() || other->dropouts[0].firstBit > 8 * k + 8;
                if (other != &good && inStep && k < other->bytes.size() &&
                    other->confidence[k] >= Compared && other->bytes[k] != good.bytes[k]) {
                    return true;
                }
            }
        }
    }
    return false;
}

// The block the slot's takes make, after a block that announced its length
// or not: a take held good by its own header may not be by the tape's.
RescuedBlock Choose(const Slot& slot, std::span<const DecodedRecording> takes,
                    std::optional<std::size_t> announced) {
    RescuedBlock out;
    std::vector<DecodedBlock> held;
    for (const Member& m : slot.members) {
        out.takes.push_back(m.take);
        out.indices.push_back(m.index);
        held.push_back(takes[m.take].tape.blocks[m.index]);
        HoldToHeader(held.back(), announced);
    }
    std::vector<const DecodedBlock*> blocks;
    for (const DecodedBlock& b : held) {
        blocks.push_back(&b);
    }
    const auto use = [&](std::size_t member, RescueSource source) {
        const Member& m = slot.members[member];
        out.block = *blocks[member];
        out.source = source;
        out.take = m.take;
        out.pauseMs = PauseAfter(takes[m.take], m.index);
    };
    // The best take: a good one first, then one as long as its header
    // says (a read cut short has no dropouts to hold it to it), then the
    // fewest dropouts (the bits a good one guessed in a dropout may still be
    // wrong), then the surest.
    std::size_t best = 0;
    const auto key = [&](std::size_t x) {
        return std::tuple(blocks[x]->checksumGood,
                          !announced || blocks[x]->bytes.size() == *announced,
                          -double(blocks[x]->dropouts.size()), MeanConfidence(*blocks[x]));
    };
    for (std::size_t k = 1; k < blocks.size(); ++k) {
        if (key(k) > key(best)) {
            best = k;
        }
    }
    if (blocks[best]->checksumGood && !Contradicted(*blocks[best], blocks)) {
        use(best, RescueSource::Take);
        return out;
    }
    // The header's length holds only where a take lost bits in a dropout:
    // takes that read the block whole read its length.
    const bool anyDropout = std::any_of(blocks.begin(), blocks.end(),
                                        [](const DecodedBlock* b) { return !b->dropouts.empty(); });
    const auto voted = blocks.size() > 1
                           ? Vote(PlaceTakes(blocks), anyDropout ? announced : std::nullopt)
                           : std::nullopt;
    if (voted && ChecksumRight(*voted)) {
        use(best, RescueSource::Vote);
        out.block.bytes = *voted;
        out.block.confidence.assign(voted->size(), 1.0f);
        out.block.checksumGood = true;
        out.block.weakest.clear();
        out.block.repair.reset();
        out.block.dropouts.clear();
        out.block.uncheckedGuesses = 0;
        out.block.announced.reset();
        out.block.bitCertainty.assign(out.block.Bits(), 1.0f);
        return out;
    }
    use(best, RescueSource::Damaged);
    if (out.block.checksumGood) {
        DamageAtDropouts(out.block);
    }
    return out;
}

} // namespace

std::vector<RescuedBlock> RescueTakes(std::span<const DecodedRecording> takes) {
    Aligner aligner(takes);
    for (std::size_t take = 0; take < takes.size(); ++take) {
        aligner.Add(take);
    }
    std::vector<RescuedBlock> rescued;
    std::optional<std::size_t> announced;
    for (const Slot& slot : aligner.TakeSlots()) {
        rescued.push_back(Choose(slot, takes, announced));
        announced = AnnouncedLength(rescued.back().block.bytes);
    }
    return rescued;
}

std::vector<RescuedStretch> RescueStretches(std::span<const DecodedRecording> takes,
                                            std::span<RescuedBlock> blocks) {
    const std::size_t n = blocks.size();
    // Per take, the rescued block each of its blocks is.
    std::vector<std::vector<std::size_t>> rescuedAs(takes.size());
    for (std::size_t t = 0; t < takes.size(); ++t) {
        rescuedAs[t].assign(takes[t].tape.blocks.size(), SIZE_MAX);
    }
    for (std::size_t k = 0; k < n; ++k) {
        for (std::size_t m = 0; m < blocks[k].takes.size(); ++m) {
            rescuedAs[blocks[k].takes[m]][blocks[k].indices[m]] = k;
        }
    }
    // Per gap of the tape (before rescued block g), the takes whose blocks
    // on both sides of it are the tape's, the one before it read whole, and
    // their stretches in it.
    struct InGap {
        std::size_t take = 0;
        std::optional<std::size_t> before; // the take's own blocks around the gap
        std::optional<std::size_t> after;
        std::vector<Stretch> stretches;
        std::size_t edges = 0;
    };
    std::vector<std::vector<InGap>> gaps(n + 1);
    for (std::size_t t = 0; t < takes.size(); ++t) {
        const auto& own = takes[t].tape;
        std::size_t s = 0;
        for (std::size_t b = 0; b <= own.blocks.size(); ++b) {
            InGap gap{t,
                      b > 0 ? std::optional(b - 1) : std::nullopt,
                      b < own.blocks.size() ? std::optional(b) : std::nullopt,
                      {},
                      0};
            for (; s < own.stretches.size() &&
                   (!gap.after || own.stretches[s].firstEdge < own.blocks[b].firstEdge);
                 ++s) {
                gap.stretches.push_back(own.stretches[s]);
                gap.edges += own.stretches[s].endEdge - own.stretches[s].firstEdge;
            }
            const std::size_t g = gap.after ? rescuedAs[t][b] : n;
            const bool spans = !gap.before ? g == 0 : rescuedAs[t][*gap.before] + 1 == g;
            // A block cut short by a long dropout leaves its tail as a
            // stretch: that take says nothing of the gap after it.
            const bool whole = !gap.before || (g > 0 && own.blocks[*gap.before].bytes.size() ==
                                                            blocks[g - 1].block.bytes.size());
            if (spans && whole) {
                gaps[g].push_back(std::move(gap));
            }
        }
    }
    std::vector<RescuedStretch> kept;
    for (std::size_t g = 0; g <= n; ++g) {
        const auto& in = gaps[g];
        const auto withSound = std::size_t(std::count_if(
            in.begin(), in.end(), [](const InGap& gap) { return !gap.stretches.empty(); }));
        if (2 * withSound <= in.size()) {
            continue;
        }
        const InGap& most = *std::max_element(
            in.begin(), in.end(), [](const InGap& a, const InGap& b) { return a.edges < b.edges; });
        const DecodedRecording& take = takes[most.take];
        // Pauses as that take has them: up to its next stretch or block.
        for (std::size_t k = 0; k < most.stretches.size(); ++k) {
            const std::size_t next = k + 1 < most.stretches.size() ? most.stretches[k + 1].firstEdge
                                     : most.after ? take.tape.blocks[*most.after].firstEdge
                                                  : take.edges.size();
            kept.push_back({most.take, most.stretches[k], g,
                            SilenceMs(take, most.stretches[k].SilenceEdge(), next)});
        }
        if (most.before) {
            blocks[g - 1].pauseMs = SilenceMs(take, take.tape.blocks[*most.before].endEdge,
                                              most.stretches.front().firstEdge);
        }
    }
    return kept;
}

} // namespace bitreel
