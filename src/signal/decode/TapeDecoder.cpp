// Blocks from edges: each block's pilot is measured and the bit lengths
// scaled from it, then followed through the block as the tape drifts.
#include "signal/decode/TapeDecoder.h"

#include "tape/HeaderFields.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cmath>
#include <numeric>

namespace bitreel {
namespace {

// A pilot is at least this many like pulses; shorter runs are noise.
constexpr std::size_t PilotAtLeast = 256;
// Pulses of a pilot differ from their mean by less than this share.
constexpr double PilotSpread = 0.18;
// Pilot pulses that show a glitch was no sync.
constexpr std::size_t GlitchCheck = 8;
// Turbo pilots are looked for between these lengths (3.5 MHz T-states).
constexpr double TurboPilotMin = 600;
constexpr double TurboPilotMax = 4000;
// The syncs are two short pulses after a long tone, and the filters that
// find edges in sound move the edge between them: in clean sound of the
// ROM's they measure up to a third off, their sum a tenth. Syncs further
// off than this are a loader's own.
constexpr double SyncTolerance = 0.5;
constexpr double SyncsTolerance = 0.25;
// How fast the bit lengths follow drift: the share of each bit taken in.
constexpr double DriftFollow = 0.03;
// Stretches shorter than this many edges are clicks, or hiss whose pulses
// happened to look alike, not content.
constexpr std::size_t StretchAtLeast = 64;
// A loader reads a pulse it can time (from a fast loader's shortest to
// past the longest pilot) and that is like a pulse beside it, as every
// pulse of a tone or a bit is. Hiss makes pulses of random lengths: about a
// third of them happen to be like a neighbour, and almost never sixteen
// pulses on end.
constexpr double ReadablePulseMin = 150;
constexpr double ReadablePulseMax = 6000;
constexpr double AlikeShare = 0.25;
// Bits go on after a dropout when this many clean pulse pairs follow it.
constexpr std::size_t ResumeAtLeast = 32;
// How close a clean pair comes to a 0 or a 1.
constexpr double CleanPair = 0.2;
// How many bits on from a dropout the step of its pulses is looked for.
constexpr std::size_t Window = 4096;
// The bits on each side of a dropout whose length counts the bits lost.
constexpr std::size_t LocalBits = 16;
// The dropouts bridged in one block at most.
constexpr std::size_t DropoutsAtMost = 64;

// The bits guessed in the block's dropouts that share a column with another
// guess, or stand in the flag (which one of the checksum rules leaves out).
// Where the flag has a single bit set, that rule takes a wrong guess in the
// bit's column for the flag: a guess there is not checked either.
std::size_t UncheckedGuesses(const DecodedBlock& block) {
    std::array<std::size_t, 8> inColumn{};
    std::size_t unchecked = 0;
    for (const Dropout& d : block.dropouts) {
        for (std::size_t bit = d.firstBit; bit < std::min(d.resumeBit, block.Bits()); ++bit) {
            (bit < 8 ? unchecked : inColumn[bit % 8]) += 1;
        }
    }
    const std::uint8_t flag = block.bytes.empty() ? 0 : block.bytes[0];
    for (std::size_t column = 0; column < 8; ++column) {
        const bool flagsBit = std::has_single_bit(flag) && (flag & (0x80 >> column)) != 0;
        if (inColumn[column] > 1 || (flagsBit && inColumn[column] > 0)) {
            unchecked += inColumn[column];
        }
    }
    return unchecked;
}

bool Near(double value, double target, double share) {
    return std::abs(value - target) <= target * share;
}

// A pilot run and whether a block starts with it.
struct Pilot {
    std::size_t end = 0; // its first sync
    double mean = 0;
    bool romLike = false;
    bool starts = false;
};

struct Reader {
    std::span<const double> edges;
    double toTStates; // 3.5 MHz T-states per sample
    const RomEncoding& rom;
    double romScale; // the ROM's T-states to 3.5 MHz ones

    std::size_t Pulses() const { return edges.size() < 2 ? 0 : edges.size() - 1; }
    double Pulse(std::size_t i) const { return (edges[i + 1] - edges[i]) * toTStates; }

    // The pilot run from i: its end and mean; a pulse out of line is
    // passed over when the pilot goes on after it.
    std::size_t PilotEnd(std::size_t i, double& mean) const {
        mean = Pulse(i);
        std::size_t count = 1;
        std::size_t j = i + 1;
        while (j < Pulses()) {
            const double p = Pulse(j);
            if (Near(p, mean, PilotSpread)) {
                mean += (p - mean) / double(std::min<std::size_t>(count + 1, 64));
                ++count;
                ++j;
                continue;
            }
            // A glitch splits or merges a pulse or two: the pilot goes on
            // if the pulses after it are pilot again, closer than the spread
            // (a 1 bit is within the spread of some pilots).
            bool goesOn = false;
            for (std::size_t skip = 1; skip <= 3 && !goesOn && count >= PilotAtLeast; ++skip) {
                goesOn = j + skip + GlitchCheck < Pulses();
                for (std::size_t k = j + skip; goesOn && k < j + skip + GlitchCheck; ++k) {
                    goesOn = Near(Pulse(k), mean, PilotSpread / 2);
                }
                if (goesOn) {
                    j += skip;
                }
            }
            if (!goesOn) {
                break;
            }
        }
        return j;
    }

    // The pilot run from i: a block starts with it when it is long enough,
    // at the ROM's length or a turbo one, and two syncs follow it.
    Pilot PilotFrom(std::size_t i) const {
        Pilot pilot;
        pilot.end = PilotEnd(i, pilot.mean);
        const double romPilot = rom.pilotPulse * romScale;
        pilot.romLike = Near(pilot.mean, romPilot, SpeedTolerance);
        if (pilot.end - i < PilotAtLeast ||
            (!pilot.romLike && (pilot.mean < TurboPilotMin || pilot.mean > TurboPilotMax)) ||
            pilot.end + 2 >= Pulses()) {
            return pilot;
        }
        const double sync1 = Pulse(pilot.end);
        const double sync2 = Pulse(pilot.end + 1);
        pilot.starts = sync1 <= 0.8 * pilot.mean && sync1 >= 0.1 * pilot.mean &&
                       sync2 <= 0.9 * pilot.mean && sync2 >= 0.1 * pilot.mean;
        return pilot;
    }

    // A new block's pilot from pulse k, unlike the bits of the block being
    // read: that block ends there, whatever the silence before it (none,
    // where a loader of its own saves its blocks back to back). A run that
    // was looked at already (up to scanned) starts none.
    bool NewPilot(std::size_t k, double zeroSum, double oneSum, std::size_t& scanned) const {
        const auto unlikeBits = [&](double pulse) {
            return !Near(pulse, zeroSum / 2, PilotSpread) && !Near(pulse, oneSum / 2, PilotSpread);
        };
        if (k < scanned || !unlikeBits(Pulse(k))) {
            return false;
        }
        const Pilot pilot = PilotFrom(k);
        scanned = pilot.end;
        return pilot.starts && unlikeBits(pilot.mean);
    }

    // A clean 0 or 1: its pulses alike and their sum near a bit's.
    bool CleanBit(std::size_t k, double zeroSum, double oneSum) const {
        const double s = Pulse(k) + Pulse(k + 1);
        return Near(Pulse(k), s / 2, 0.25) &&
               (Near(s, zeroSum, CleanPair) || Near(s, oneSum, CleanPair));
    }

    // Pairs of pulses that are clean bits from k may be halves of two bits
    // where the bits are all alike: the first change between a 0 and a 1
    // tells. Out of step, it is a pair of unlike halves.
    std::size_t InPhase(std::size_t k, double zeroSum, double oneSum) const {
        const double mid = (zeroSum + oneSum) / 2;
        for (std::size_t j = k; j + 3 < Pulses() && j < k + 2 * Window; j += 2) {
            if (!CleanBit(j, zeroSum, oneSum)) {
                return CleanBit(j + 1, zeroSum, oneSum) ? k + 1 : k;
            }
            if ((Pulse(j) + Pulse(j + 1) > mid) != (Pulse(j + 2) + Pulse(j + 3) > mid) &&
                CleanBit(j + 2, zeroSum, oneSum)) {
                return k;
            }
        }
        return k;
    }

    // Where the bits go on after a gap at pulse b: the first of
    // ResumeAtLeast clean pairs within DropoutAtMost of it. None when the
    // block ended there.
    std::optional<std::size_t> Resume(std::size_t b, double zeroSum, double oneSum) const {
        const double most = DropoutAtMost * ClockHz(PulseClock::Spectrum);
        std::size_t scanned = 0;
        for (std::size_t k = b + 1;
             k + 2 * ResumeAtLeast < Pulses() && (edges[k] - edges[b]) * toTStates <= most; ++k) {
            if (NewPilot(k, zeroSum, oneSum, scanned)) {
                return std::nullopt;
            }
            std::size_t clean = 0;
            while (clean < ResumeAtLeast && CleanBit(k + 2 * clean, zeroSum, oneSum)) {
                ++clean;
            }
            if (clean == ResumeAtLeast) {
                return InPhase(k, zeroSum, oneSum);
            }
        }
        return std::nullopt;
    }

    // The mean length of the bits on either side of a gap from pulse b to
    // pulse resume, the bits starting at pulse from.
    double LocalBitLength(std::size_t from, std::size_t b, std::size_t resume) const {
        double sum = 0;
        std::size_t pairs = 0;
        for (std::size_t k = b; k >= from + 2 && pairs < LocalBits; k -= 2, ++pairs) {
            sum += Pulse(k - 2) + Pulse(k - 1);
        }
        for (std::size_t k = resume, after = 0; k + 1 < Pulses() && after < LocalBits;
             k += 2, ++after, ++pairs) {
            sum += Pulse(k) + Pulse(k + 1);
        }
        return sum / double(pairs);
    }

    bool Read(std::size_t& i, DecodedBlock& block) const;
};

bool Reader::Read(std::size_t& i, DecodedBlock& block) const {
    const Pilot pilot = PilotFrom(i);
    if (!pilot.starts) {
        i = std::max(pilot.end, i + 1);
        return false;
    }
    const std::size_t end = pilot.end;
    const std::size_t count = end - i;
    const double mean = pilot.mean;
    const double romPilot = rom.pilotPulse * romScale;
    const bool romLike = pilot.romLike;
    const double sync1 = Pulse(end);
    const double sync2 = Pulse(end + 1);
    // The bit lengths: the ROM's scaled by the pilot, or for a turbo block
    // the two clusters of the first bits' pair lengths.
    const double speed = mean / romPilot;
    double zeroSum = 2.0 * rom.zeroPulse * romScale * speed;
    double oneSum = 2.0 * rom.onePulse * romScale * speed;
    std::size_t b = end + 2;
    if (!romLike) {
        std::vector<double> sums;
        for (std::size_t k = b; k + 1 < Pulses() && sums.size() < 512; k += 2) {
            const double s = Pulse(k) + Pulse(k + 1);
            // The next block's pilot, where the loader saves its blocks
            // with no silence between them, is no bit.
            if (s > 2.5 * mean || (!Near(Pulse(k - 1), mean, PilotSpread) &&
                                   Near(Pulse(k), mean, PilotSpread) && PilotFrom(k).starts)) {
                break;
            }
            sums.push_back(s);
        }
        if (sums.size() < 16) {
            i = end;
            return false;
        }
        double lo = *std::min_element(sums.begin(), sums.end());
        double hi = *std::max_element(sums.begin(), sums.end());
        if (hi < 1.4 * lo) {
            // One length only: which bit it is, the ROM's proportions tell.
            hi = lo * double(rom.onePulse) / rom.zeroPulse;
        }
        for (int round = 0; round < 8; ++round) {
            double sumLo = 0, sumHi = 0, nLo = 0, nHi = 0;
            for (const double s : sums) {
                if (s < (lo + hi) / 2) {
                    sumLo += s, ++nLo;
                } else {
                    sumHi += s, ++nHi;
                }
            }
            lo = nLo > 0 ? sumLo / nLo : lo;
            hi = nHi > 0 ? sumHi / nHi : hi;
        }
        zeroSum = lo;
        oneSum = hi;
    }
    block = DecodedBlock{};
    block.pilot = mean;
    block.pilotPulses = count;
    block.sync1 = sync1;
    block.sync2 = sync2;
    block.firstEdge = i;
    block.dataEdge = b;
    std::vector<float>& bitConfidence = block.bitCertainty;
    double zeros = 0, ones = 0, nZero = 0, nOne = 0;
    std::uint8_t byte = 0;
    float byteConfidence = 1;
    unsigned bits = 0;
    const auto addBit = [&](bool one, float confidence) {
        bitConfidence.push_back(confidence);
        byte = static_cast<std::uint8_t>((byte << 1) | (one ? 1 : 0));
        byteConfidence = std::min(byteConfidence, confidence);
        if (++bits == 8) {
            block.bytes.push_back(byte);
            block.confidence.push_back(byteConfidence);
            bits = 0;
            byte = 0;
            byteConfidence = 1;
        }
    };
    std::size_t scanned = 0;
    while (b + 1 < Pulses() && !NewPilot(b, zeroSum, oneSum, scanned)) {
        const double first = Pulse(b);
        const double second = Pulse(b + 1);
        const double longest = oneSum * 0.8;
        const double shortest = zeroSum * 0.2;
        if (first > longest || second > longest || first < shortest || second < shortest) {
            const auto resume =
                block.dropouts.size() < DropoutsAtMost ? Resume(b, zeroSum, oneSum) : std::nullopt;
            if (!resume) {
                break;
            }
            // The bits lost: as many as fit the gap at the length of the
            // bits around it, since a run of zeros or of ones holds more
            // or fewer bits than the mean of the two lengths says.
            const double gap = (edges[*resume] - edges[b]) * toTStates;
            const long lost =
                std::max(1L, std::lround(gap / LocalBitLength(block.dataEdge, b, *resume)));
            const std::size_t firstBit = bitConfidence.size();
            for (long k = 0; k < lost; ++k) {
                addBit(false, 0.0f);
            }
            block.dropouts.push_back({firstBit, bitConfidence.size()});
            b = *resume;
            continue;
        }
        const double s = first + second;
        const double mid = (zeroSum + oneSum) / 2;
        const bool one = s > mid;
        const float confidence =
            float(std::clamp(std::abs(s - mid) / ((oneSum - zeroSum) / 2), 0.0, 1.0));
        if (confidence > 0.3) {
            double& target = one ? oneSum : zeroSum;
            target += DriftFollow * (s - target);
        }
        (one ? ones : zeros) += s;
        (one ? nOne : nZero) += 1;
        addBit(one, block.dropouts.empty() ? confidence : std::min(confidence, AfterDropout));
        b += 2;
    }
    // After a dropout the count of bits is a guess, so the bits past the
    // last whole byte may be the last byte's: they are kept, the rest of
    // the byte guessed as one more dropout, no less sure than the bits
    // before it.
    if (!block.dropouts.empty() && bits > 0) {
        const std::size_t firstBit = bitConfidence.size();
        while (bits > 0) {
            addBit(false, AfterDropout);
        }
        block.dropouts.push_back({firstBit, bitConfidence.size()});
    }
    if (block.bytes.empty()) {
        i = end;
        return false;
    }
    block.zero = nZero > 0 ? zeros / nZero / 2 : zeroSum / 2;
    block.one = nOne > 0 ? ones / nOne / 2 : oneSum / 2;
    block.romTimings = romLike && Near(mean, romPilot, RomTolerance) &&
                       Near(block.zero, rom.zeroPulse * romScale, RomTolerance) &&
                       Near(block.one, rom.onePulse * romScale, RomTolerance) &&
                       Near(sync1 + sync2, (rom.sync1 + rom.sync2) * romScale, SyncsTolerance) &&
                       Near(sync1, rom.sync1 * romScale, SyncTolerance) &&
                       Near(sync2, rom.sync2 * romScale, SyncTolerance);
    // The ROM's saver writes whole bytes, but a loader of its own may save
    // part of its last one. The bits past the last whole byte are that part
    // when every bit was read without doubt and the whole bytes alone do
    // not make the checksum right; else they are a slipped bit or noise
    // after the block, and go.
    if (!block.romTimings && bits > 0 && !ChecksumRight(block.bytes) &&
        std::none_of(bitConfidence.begin(), bitConfidence.end(),
                     [](float c) { return c < RepairDoubt; })) {
        block.lastBits = bits;
        block.bytes.push_back(std::uint8_t(byte << (8 - bits)));
        block.confidence.push_back(byteConfidence);
    }
    bitConfidence.resize(block.Bits());
    block.endEdge = b + 1;
    // A part byte is kept only when every bit was read without doubt: the
    // block is then as its loader saved it, with the ROM's checksum or with
    // none of its own.
    block.checksumGood = block.lastBits < 8 || ChecksumRight(block.bytes);

    std::vector<std::size_t> order(bitConfidence.size());
    std::iota(order.begin(), order.end(), 0);
    const std::size_t listed = std::min(WeakBitsListed, order.size());
    std::partial_sort(order.begin(), order.begin() + std::ptrdiff_t(listed), order.end(),
                      // Of bits as unsure, the first: those right after a dropout.
                      [&](std::size_t a, std::size_t c) {
                          return bitConfidence[a] < bitConfidence[c] ||
                                 (bitConfidence[a] == bitConfidence[c] && a < c);
                      });
    if (!block.checksumGood) {
        for (std::size_t k = 0; k < listed; ++k) {
            block.weakest.push_back({order[k] / 8, unsigned(order[k] % 8)});
        }
    }
    // A bit or two flipped cannot mend bits lost in a dropout; and among
    // many doubtful bits some flip or pair of them matches an 8-bit checksum
    // by chance alone, so a repair is offered only where few bits are in
    // doubt, and only of those.
    const auto doubtful = std::size_t(std::count_if(bitConfidence.begin(), bitConfidence.end(),
                                                    [](float c) { return c < RepairDoubt; }));
    if (!block.checksumGood && block.dropouts.empty() && doubtful <= RepairAmongAtMost) {
        auto bytes = block.bytes;
        const auto flip = [&](const BitPosition& p) {
            bytes[p.byte] ^= std::uint8_t(0x80 >> p.bit);
        };
        const std::size_t candidates = std::min(doubtful, listed);
        for (std::size_t x = 0; x < candidates && !block.repair; ++x) {
            flip(block.weakest[x]);
            if (ChecksumRight(bytes)) {
                block.repair = std::vector{block.weakest[x]};
            }
            for (std::size_t y = x + 1; y < candidates && !block.repair; ++y) {
                flip(block.weakest[y]);
                if (ChecksumRight(bytes)) {
                    block.repair = std::vector{block.weakest[x], block.weakest[y]};
                }
                flip(block.weakest[y]);
            }
            flip(block.weakest[x]);
        }
    }
    // A right checksum vouches for the guessed bits only where it checks
    // each of them.
    if (block.checksumGood) {
        block.uncheckedGuesses = UncheckedGuesses(block);
        if (block.uncheckedGuesses > 0) {
            DamageAtDropouts(block);
        }
    }
    i = b;
    return true;
}

} // namespace

bool ChecksumRight(std::span<const std::uint8_t> bytes) noexcept {
    if (bytes.size() < 2) {
        return false;
    }
    std::uint8_t all = 0;
    for (const auto byte : bytes) {
        all ^= byte;
    }
    // Without the flag the payload's XOR equals the checksum exactly when
    // the XOR of everything but the flag is 0.
    return all == 0 || all == bytes.front();
}

std::optional<std::size_t> AnnouncedLength(std::span<const std::uint8_t> header) noexcept {
    if (header.empty() || header[0] != HeaderFlag || !ChecksumRight(header)) {
        return std::nullopt;
    }
    const auto payload = header.subspan(1);
    const auto fields = header.size() == std::size_t(SpectrumHeaderLength)
                            ? DecodeSpectrumHeader(payload)
                        : header.size() == std::size_t(AceHeaderLength) ? DecodeAceHeader(payload)
                                                                        : std::nullopt;
    // Flag and checksum around the payload.
    return fields ? std::optional(std::size_t(fields->dataLength) + 2) : std::nullopt;
}

void HoldToHeader(DecodedBlock& block, std::optional<std::size_t> announced) {
    // A header after a header is the next file's: its data block was lost.
    if (!announced || block.dropouts.empty() || block.bytes.size() == *announced ||
        (!block.bytes.empty() && block.bytes[0] == HeaderFlag)) {
        return;
    }
    block.announced = announced;
    if (!block.checksumGood) {
        return;
    }
    DamageAtDropouts(block);
}

void DamageAtDropouts(DecodedBlock& block) {
    block.checksumGood = false;
    // The bits guessed in the dropouts are the least certain.
    block.weakest.clear();
    for (const Dropout& d : block.dropouts) {
        if (d.firstBit < block.bytes.size() * 8 && block.weakest.size() < WeakBitsListed) {
            block.weakest.push_back({d.firstBit / 8, unsigned(d.firstBit % 8)});
        }
    }
}

DecodedTape DecodeEdges(std::span<const double> edges, std::uint32_t rate, const RomEncoding& rom) {
    DecodedTape tape;
    const Reader reader{edges, double(ClockHz(PulseClock::Spectrum)) / rate, rom,
                        double(ClockHz(PulseClock::Spectrum)) / ClockHz(rom.clock)};
    std::size_t i = 0;
    std::size_t unexplained = 0; // where edges not yet part of a block start
    std::optional<std::size_t> announced;
    // Pulse k, between edges from and to, is one a loader could read.
    const auto readable = [&](std::size_t k, std::size_t from, std::size_t to) {
        const double p = reader.Pulse(k);
        const auto alike = [&](std::size_t j) { return Near(reader.Pulse(j), p, AlikeShare); };
        return p >= ReadablePulseMin && p <= ReadablePulseMax &&
               ((k > from && alike(k - 1)) || (k + 2 < to && alike(k + 1)));
    };
    // Edges no block explains are kept as stretches where they are runs of
    // readable pulses; the rest is hiss, clicks or silence, and a silence
    // (a pulse longer than any a loader times) ends a stretch.
    const auto keepStretch = [&](std::size_t from, std::size_t to) {
        std::size_t start = from; // the run's first edge
        for (std::size_t k = from; k < to; ++k) {
            if (k + 1 == to || !readable(k, from, to)) {
                if (k + 1 - start >= StretchAtLeast) {
                    tape.stretches.push_back({start, k + 1});
                }
                start = k + 1;
            }
        }
    };
    while (i < reader.Pulses()) {
        const std::size_t at = i;
        DecodedBlock block;
        if (reader.Read(i, block)) {
            keepStretch(unexplained, at);
            unexplained = block.endEdge;
            HoldToHeader(block, announced);
            announced = AnnouncedLength(block.bytes);
            tape.blocks.push_back(std::move(block));
        }
    }
    keepStretch(unexplained, edges.size());
    return tape;
}

} // namespace bitreel
