// The fast loader's packer: an optimal parse of the chunk into literal runs
// and matches by their cost in bits, then the cut that keeps the unpacking
// in place.
#include "fastload/Packer.h"

#include <algorithm>
#include <array>
#include <bit>
#include <deque>
#include <limits>
#include <optional>

namespace bitreel::fastload {
namespace {

using Cost = std::int64_t;
constexpr Cost Unreached = std::numeric_limits<Cost>::max() / 4;
constexpr std::uint32_t NoPlace = std::numeric_limits<std::uint32_t>::max();

// An offset's high byte + 1 is one byte of the unpacker's register.
constexpr std::size_t MaxOffset = 255 * 256;
constexpr std::size_t MaxLength = 0xFFFF;
// The match finder: how many earlier places with the same two bytes it
// tries, and a length good enough to stop looking.
constexpr std::size_t ChainDepth = 512;
constexpr std::size_t GoodLength = 2048;
// Matches up to this long are tried at every length; longer ones at their
// full length only.
constexpr std::size_t EveryLengthUpTo = 64;

constexpr unsigned BitsBelowTop(std::size_t value) {
    return static_cast<unsigned>(std::bit_width(value)) - 1;
}

constexpr Cost NumberBits(std::size_t value) {
    return 2 * static_cast<Cost>(BitsBelowTop(value)) + 1;
}

constexpr std::size_t OffsetHigh(std::size_t offset) {
    return (offset - 1) >> 8;
}

// The unpacker's T-states (machine/fastmain.asm, memory uncontended),
// counted from its instructions: setting out, the check for the end before
// each token (after a run: before the match that follows), the bit that
// says what comes and its jump, a number, a match's own part, LDIR, what
// fetching a byte of bits adds, and the last check, which finds the end.
constexpr std::uint64_t StartT = 7;
constexpr std::uint64_t EndCheckT = 26;
constexpr std::uint64_t FlagT = 16;
constexpr std::uint64_t RunJumpT = 7;
constexpr std::uint64_t MatchJumpT = 12;
constexpr std::uint64_t MatchBodyT = 117;
constexpr std::uint64_t RefillT = 12;
constexpr std::uint64_t FinishT = 55;
// A check that finds the low byte of the end but not the high byte.
constexpr std::uint64_t LowByteMetT = 28;
constexpr std::uint64_t NumberT(std::size_t value) {
    return value == 1 ? 36 : 48 + 60 * std::uint64_t{BitsBelowTop(value)};
}
constexpr std::uint64_t LdirT(std::size_t bytes) {
    return 21 * std::uint64_t{bytes} - 5;
}
constexpr std::uint64_t RunT(std::size_t length) {
    return EndCheckT + FlagT + RunJumpT + NumberT(length) + LdirT(length);
}
constexpr std::uint64_t MatchT(std::size_t length, std::size_t offset, bool flagged) {
    return EndCheckT + (flagged ? FlagT + MatchJumpT : 0) + NumberT(length - 1) +
           NumberT(OffsetHigh(offset) + 1) + MatchBodyT + LdirT(length);
}
// A chunk loaded as it is still goes through the unpacker's first check.
constexpr std::uint64_t UnpackedT = StartT + FinishT;

// What the parse minimises, in eighths of a T-state: the tape's time for
// the bits (with the refills they cause) and the unpacker's time, or bits
// alone.
class Weights {
public:
    explicit Weights(std::uint32_t tstatesPerBit)
        : bit_(tstatesPerBit == 0 ? 8 : 8 * Cost{tstatesPerBit} + static_cast<Cost>(RefillT)),
          time_(tstatesPerBit == 0 ? 0 : 8) {}
    [[nodiscard]] Cost Of(Cost bits, std::uint64_t tstates) const {
        return bits * bit_ + static_cast<Cost>(tstates) * time_;
    }
    [[nodiscard]] Cost Run(std::size_t length) const {
        return Of(1 + NumberBits(length) + 8 * static_cast<Cost>(length), RunT(length));
    }
    [[nodiscard]] Cost Match(std::size_t length, std::size_t offset, bool flagged) const {
        return Of((flagged ? 1 : 0) + NumberBits(length - 1) + NumberBits(OffsetHigh(offset) + 1) +
                      8,
                  MatchT(length, offset, flagged));
    }

private:
    Cost bit_;
    Cost time_;
};

struct Token {
    bool match = false;
    std::size_t length = 0;
    std::size_t offset = 0;
};

// The cheapest tokens for the chunk. A run's cost is a fixed part for each
// band of lengths from 2^k to 2^(k+1) - 1 and a part for each byte, so runs
// are found from the best start in each band, kept in a sliding window.
std::vector<Token> Parse(const PackRequest& request) {
    const auto& memory = request.memory;
    const std::size_t start = request.start;
    const std::size_t n = request.end - request.start;
    const Weights weights(request.tstatesPerBit);
    auto key = [&](std::size_t at) { return memory[at] | std::size_t{memory[at + 1]} << 8; };
    // Where each place's two bytes were last seen, and before that:
    // settled bytes below the chunk first, then the chunk as it is parsed.
    std::vector<std::uint32_t> head(1 << 16, NoPlace);
    std::vector<std::uint32_t> previous(request.end, NoPlace);
    for (std::size_t p = start > MaxOffset ? start - MaxOffset : 0; p + 1 < start; ++p) {
        if (request.settled[p] && request.settled[p + 1]) {
            previous[p] = head[key(p)];
            head[key(p)] = static_cast<std::uint32_t>(p);
        }
    }
    // Cost with the last token a match (or nothing yet), and a run.
    std::vector<Cost> afterMatch(n + 1, Unreached);
    std::vector<Cost> afterRun(n + 1, Unreached);
    struct Back {
        std::size_t from = 0;
        std::size_t offset = 0;
        bool fromRun = false;
    };
    std::vector<Back> matchBack(n + 1);
    std::vector<std::size_t> runBack(n + 1);
    afterMatch[0] = 0;

    constexpr unsigned Bands = 17;
    const Cost perByte = weights.Run(3) - weights.Run(2); // within a band

    std::array<std::deque<std::size_t>, Bands> windows;
    auto runBase = [&](std::size_t j) { return afterMatch[j] - perByte * static_cast<Cost>(j); };

    std::size_t lastOffset = 0;
    std::size_t lastLength = 0;
    for (std::size_t i = 0; i <= n; ++i) {
        // Runs ending here.
        for (unsigned k = 0; k < Bands; ++k) {
            const std::size_t shortest = std::size_t{1} << k;
            if (i < shortest) {
                break;
            }
            auto& window = windows[k];
            const std::size_t newest = i - shortest;
            if (afterMatch[newest] < Unreached) {
                while (!window.empty() && runBase(window.back()) >= runBase(newest)) {
                    window.pop_back();
                }
                window.push_back(newest);
            }
            const std::size_t longest = (std::size_t{2} << k) - 1;
            while (!window.empty() && i - window.front() > longest) {
                window.pop_front();
            }
            if (!window.empty()) {
                const std::size_t j = window.front();
                const Cost cost = afterMatch[j] + weights.Run(i - j);
                if (cost < afterRun[i]) {
                    afterRun[i] = cost;
                    runBack[i] = j;
                }
            }
        }
        if (i + 2 > n) {
            continue;
        }
        // Matches starting here, the nearest first: a farther one counts
        // only where it is longer. The match a place before, one shorter,
        // needs no comparing again.
        const std::size_t at = start + i;
        const std::size_t most = std::min(MaxLength, n - i);
        std::size_t best = 1;
        std::size_t depth = 0;
        std::size_t found = 0;
        std::size_t foundOffset = 0;
        for (std::uint32_t p = head[key(at)];
             p != NoPlace && depth < ChainDepth && best < std::min(most, GoodLength);
             p = previous[p], ++depth) {
            const std::size_t offset = at - p;
            if (offset > MaxOffset) {
                break;
            }
            if (best >= 2 && (best >= most || memory[p + best] != memory[at + best] ||
                              (p + best < start && !request.settled[p + best]))) {
                continue;
            }
            std::size_t length = offset == lastOffset && lastLength > 2 ? lastLength - 1 : 2;
            while (length < most && memory[p + length] == memory[at + length] &&
                   (p + length >= start || request.settled[p + length])) {
                ++length;
            }
            if (length <= best) {
                continue;
            }
            for (std::size_t l = best + 1; l <= length;
                 l = l < EveryLengthUpTo ? l + 1 : std::max(l + 1, length)) {
                const Cost fromMatch = afterMatch[i] < Unreached
                                           ? afterMatch[i] + weights.Match(l, offset, true)
                                           : Unreached;
                const Cost fromRun = afterRun[i] < Unreached
                                         ? afterRun[i] + weights.Match(l, offset, false)
                                         : Unreached;
                const Cost cost = std::min(fromMatch, fromRun);
                if (cost < afterMatch[i + l]) {
                    afterMatch[i + l] = cost;
                    matchBack[i + l] = {i, offset, fromRun < fromMatch};
                }
            }
            best = length;
            found = length;
            foundOffset = offset;
        }
        lastOffset = foundOffset;
        lastLength = found;
        previous[at] = head[key(at)];
        head[key(at)] = static_cast<std::uint32_t>(at);
    }

    std::vector<Token> tokens;
    std::size_t at = n;
    bool inRun = afterRun[n] < afterMatch[n];
    while (at > 0) {
        if (inRun) {
            const std::size_t from = runBack[at];
            tokens.push_back({false, at - from, 0});
            at = from;
            inRun = false;
        } else {
            const Back& back = matchBack[at];
            tokens.push_back({true, at - back.from, back.offset});
            inRun = back.fromRun;
            at = back.from;
        }
    }
    std::reverse(tokens.begin(), tokens.end());
    return tokens;
}

// The stream's bytes as the unpacker reads them: a byte of bits is taken
// when the first of its bits is needed.
class StreamWriter {
public:
    void Bit(bool one) {
        if (left_ == 0) {
            bitsAt_ = bytes_.size();
            bytes_.push_back(0);
            left_ = 8;
            ++bitBytes_;
        }
        --left_;
        if (one) {
            bytes_[bitsAt_] = static_cast<std::uint8_t>(bytes_[bitsAt_] | 1u << left_);
        }
    }
    void Byte(std::uint8_t value) { bytes_.push_back(value); }
    void Number(std::size_t value) {
        for (unsigned b = BitsBelowTop(value); b-- > 0;) {
            Bit(true);
            Bit(((value >> b) & 1u) != 0);
        }
        Bit(false);
    }
    [[nodiscard]] std::size_t Size() const { return bytes_.size(); }
    [[nodiscard]] std::uint64_t BitBytes() const { return bitBytes_; }
    std::vector<std::uint8_t> Take() { return std::move(bytes_); }

private:
    std::vector<std::uint8_t> bytes_;
    std::size_t bitsAt_ = 0;
    unsigned left_ = 0;
    std::uint64_t bitBytes_ = 0;
};

// After each token: the worst reach into the stream so far (the greatest of
// a write's place less the stream bytes read by then) and the bytes read
// and written.
struct Progress {
    std::int64_t reach = 0;
    std::size_t read = 0;
    std::size_t written = 0;
};

// tstates, when given, gets the unpacker's time for a chunk at start that
// unpacks up to end.
struct Timing {
    std::size_t start = 0;
    std::size_t end = 0;
    std::uint64_t tstates = 0;
};

std::vector<std::uint8_t> Emit(std::span<const std::uint8_t> data, std::span<const Token> tokens,
                               std::vector<Progress>* progress, Timing* timing) {
    StreamWriter out;
    std::size_t written = 0;
    std::uint64_t t = UnpackedT;
    bool afterRun = false;
    const auto at = [](std::size_t value) { return static_cast<std::int64_t>(value); };
    for (const Token& token : tokens) {
        std::int64_t reach = 0;
        if (!afterRun) {
            out.Bit(token.match);
        }
        if (token.match) {
            out.Number(token.length - 1);
            out.Number(OffsetHigh(token.offset) + 1);
            out.Byte(static_cast<std::uint8_t>((token.offset - 1) & 0xFF));
            // Everything is read before the copy writes.
            reach = at(written + token.length - 1) - at(out.Size());
            t += MatchT(token.length, token.offset, !afterRun);
        } else {
            out.Number(token.length);
            // Each byte is read, then written.
            reach = at(written) - at(out.Size()) - 1;
            for (std::size_t i = 0; i < token.length; ++i) {
                out.Byte(data[written + i]);
            }
            t += RunT(token.length);
        }
        if (timing && ((timing->start + written) & 0xFF) == (timing->end & 0xFF)) {
            t += LowByteMetT;
        }
        written += token.length;
        afterRun = !token.match;
        if (progress) {
            progress->push_back({reach, out.Size(), written});
        }
    }
    if (timing) {
        timing->tstates = t + RefillT * out.BitBytes();
    }
    return out.Take();
}

} // namespace

PackedChunk Pack(const PackRequest& request) {
    const auto chunk = request.memory.subspan(request.start, request.end - request.start);
    PackedChunk packed;
    packed.loaded.assign(chunk.begin(), chunk.end());
    packed.unpackTStates = UnpackedT;
    const std::vector<Token> tokens = Parse(request);
    std::vector<Progress> progress;
    (void)Emit(chunk, tokens, &progress, nullptr);

    // The cut after the first count tokens saves written - read bytes: the
    // stream then starts that far into the chunk, and the unpacking stays
    // in place when every write so far fell below its start plus what was
    // read by then.
    std::size_t bestCount = 0;
    std::size_t bestSaving = 0;
    std::int64_t reach = std::numeric_limits<std::int64_t>::min();
    for (std::size_t i = 0; i < progress.size(); ++i) {
        const Progress& p = progress[i];
        reach = std::max(reach, p.reach);
        if (p.written > p.read && reach < static_cast<std::int64_t>(p.written - p.read) &&
            p.written - p.read > bestSaving) {
            bestSaving = p.written - p.read;
            bestCount = i + 1;
        }
    }
    if (bestCount == 0) {
        return packed;
    }
    packed.unpackedEnd = progress[bestCount - 1].written;
    Timing timing{request.start, request.start + packed.unpackedEnd, 0};
    std::vector<std::uint8_t> stream =
        Emit(chunk, std::span(tokens).first(bestCount), nullptr, &timing);
    packed.unpackTStates = timing.tstates;
    packed.loaded = std::move(stream);
    packed.loaded.insert(packed.loaded.end(), chunk.begin() + static_cast<long>(packed.unpackedEnd),
                         chunk.end());
    return packed;
}

bool UnpackInPlace(std::span<std::uint8_t> memory, std::span<const std::uint8_t> settled,
                   std::size_t start, std::size_t end, std::size_t loadedSize,
                   std::size_t unpackedEnd) {
    if (start > end || end > memory.size() || loadedSize > end - start ||
        unpackedEnd > end - start) {
        return false;
    }
    std::size_t in = end - loadedSize;
    const std::size_t streamEnd = start + unpackedEnd;
    std::size_t out = start;
    unsigned buffer = 0;
    unsigned left = 0;
    bool damaged = false;
    auto byte = [&]() -> std::uint8_t {
        if (in >= streamEnd) {
            damaged = true;
            return 0;
        }
        return memory[in++];
    };
    auto bit = [&]() {
        if (left == 0) {
            buffer = byte();
            left = 8;
        }
        --left;
        return ((buffer >> left) & 1u) != 0;
    };
    auto number = [&]() {
        std::size_t value = 1;
        while (!damaged && bit()) {
            value = (value << 1 | (bit() ? 1u : 0u)) & 0xFFFF;
        }
        return value;
    };
    auto put = [&](std::uint8_t value) {
        if (out >= in || out >= streamEnd) {
            damaged = true;
            return;
        }
        memory[out++] = value;
    };
    bool afterRun = false;
    while (out < streamEnd && !damaged) {
        if (afterRun || bit()) {
            const std::size_t length = number() + 1;
            const std::size_t offset = ((number() - 1) << 8 | byte()) + 1;
            for (std::size_t i = 0; i < length && !damaged; ++i) {
                const std::size_t from = out - offset;
                if (offset > out || (from < start && !settled[from])) {
                    return false;
                }
                put(memory[from]);
            }
            afterRun = false;
        } else {
            const std::size_t length = number();
            for (std::size_t i = 0; i < length && !damaged; ++i) {
                put(byte());
            }
            afterRun = true;
        }
    }
    return !damaged && out == streamEnd;
}

} // namespace bitreel::fastload
