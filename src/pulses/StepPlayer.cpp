// Makes the pulses of a row's steps, one at a time.
#include "pulses/StepPlayer.h"

#include "tape/formats/ByteCursor.h"
#include "tape/formats/PzxPulse.h"

#include <algorithm>
#include <limits>

namespace bitreel {
namespace {

bool BitAt(std::span<const std::uint8_t> data, std::uint64_t bit) {
    return ((data[bit / 8] >> (7 - bit % 8)) & 1u) != 0;
}

std::uint16_t WordAt(std::span<const std::uint8_t> words, std::size_t index) {
    return static_cast<std::uint16_t>(words[2 * index] | (words[2 * index + 1] << 8));
}

// TZX 0x19: each symbol is a flag byte, then its pulses as words.
constexpr std::uint8_t SymbolEdgeMask = 0x03;
enum SymbolEdge : std::uint8_t { Toggle = 0, Keep = 1, ForceLow = 2, ForceHigh = 3 };

} // namespace

void StepPlayer::Start(std::vector<PulseStep> steps) {
    steps_ = std::move(steps);
    step_ = 0;
    at_ = 0;
    part_ = 0;
    repeat_ = 0;
    csw_.reset();
}

bool StepPlayer::Next(PulseEvent& event) {
    while (step_ < steps_.size()) {
        if (Play(steps_[step_], event)) {
            return true;
        }
        ++step_;
        at_ = 0;
        part_ = 0;
        repeat_ = 0;
        csw_.reset();
    }
    return false;
}

bool StepPlayer::Emit(PulseEvent& event, std::uint32_t tstates, const PulseStep& step) {
    event = PulseOf(next_, tstates, step.clock, step.wholeSamples);
    next_ = Opposite(next_);
    return true;
}

bool StepPlayer::Play(const PulseStep& step, PulseEvent& event) {
    switch (step.kind) {
    case PulseStep::Kind::Tone:
        return Tone(step, event);
    case PulseStep::Kind::Words:
        return Words(step, event);
    case PulseStep::Kind::PzxPulses:
        return PzxPulses(step, event);
    case PulseStep::Kind::Bits:
    case PulseStep::Kind::RomBytes:
        return Bits(step, event);
    case PulseStep::Kind::PatternBits:
        return PatternBits(step, event);
    case PulseStep::Kind::Samples:
        return Samples(step, event);
    case PulseStep::Kind::Csw:
        return Csw(step, event);
    case PulseStep::Kind::SymbolRuns:
    case PulseStep::Kind::SymbolBits:
        return Symbols(step, event);
    case PulseStep::Kind::SetLevel:
        next_ = step.level;
        return false;
    case PulseStep::Kind::Hold:
        if (at_++ > 0) {
            return false;
        }
        event = PulseOf(step.level, step.length, step.clock);
        return true;
    case PulseStep::Kind::Pause:
        return Pause(step, event);
    }
    return false;
}

bool StepPlayer::Tone(const PulseStep& step, PulseEvent& event) {
    if (at_ >= step.count) {
        return false;
    }
    ++at_;
    const bool shortOne =
        step.rom && step.rom->shortPilotEvery != 0 && at_ % step.rom->shortPilotEvery == 0;
    return Emit(event, shortOne ? step.rom->shortPilotPulse : step.length, step);
}

bool StepPlayer::Words(const PulseStep& step, PulseEvent& event) {
    if (at_ >= step.count) {
        return false;
    }
    return Emit(event, WordAt(step.data, at_++), step);
}

bool StepPlayer::PzxPulses(const PulseStep& step, PulseEvent& event) {
    if (at_ == 0 && part_ == 0) {
        next_ = Level::Low; // each PULS block starts low
        part_ = 1;
    }
    while (repeat_ == 0) {
        ByteCursor in(step.data.subspan(std::min<std::size_t>(at_, step.data.size())));
        const auto pulse = ReadPzxPulse(in);
        if (!pulse) {
            return false;
        }
        at_ += in.Offset();
        repeat_ = pulse->count;
        duration_ = pulse->duration;
    }
    --repeat_;
    return Emit(event, duration_, step);
}

bool StepPlayer::Bits(const PulseStep& step, PulseEvent& event) {
    if (at_ >= step.count) {
        return false;
    }
    const bool one = BitAt(step.data, at_);
    std::uint32_t length = one ? step.one : step.zero;
    if (step.kind == PulseStep::Kind::RomBytes) {
        const std::uint64_t byte = at_ / 8;
        const RomByte role = byte == 0                      ? RomByte::Flag
                             : byte + 1 == step.data.size() ? RomByte::Checksum
                                                            : RomByte::Data;
        length = RomBitPulse(*step.rom, role, static_cast<unsigned>(at_ % 8), part_, one);
    }
    if (++part_ == 2) {
        part_ = 0;
        ++at_;
    }
    return Emit(event, length, step);
}

bool StepPlayer::PatternBits(const PulseStep& step, PulseEvent& event) {
    while (at_ < step.count) {
        const auto& pattern = BitAt(step.data, at_) ? step.ones : step.zeros;
        if (part_ < pattern.size() / 2) {
            return Emit(event, WordAt(pattern, part_++), step);
        }
        part_ = 0;
        ++at_;
    }
    return false;
}

// A run of equal samples is one pulse, at the level the samples give.
bool StepPlayer::Samples(const PulseStep& step, PulseEvent& event) {
    if (at_ >= step.count || step.length == 0) {
        return false;
    }
    const bool high = BitAt(step.data, at_);
    const std::uint64_t most = std::numeric_limits<std::uint32_t>::max() / step.length;
    std::uint64_t run = 0;
    while (at_ < step.count && BitAt(step.data, at_) == high && run < most) {
        ++at_;
        ++run;
    }
    const Level level = high ? Level::High : Level::Low;
    event = PulseOf(level, static_cast<std::uint32_t>(run * step.length), step.clock);
    next_ = Opposite(level);
    return true;
}

// Samples at the recording's rate become T-states by their running total,
// so that rounding never adds up.
bool StepPlayer::Csw(const PulseStep& step, PulseEvent& event) {
    if (step.length == 0) {
        return false;
    }
    if (!csw_) {
        csw_.emplace(step.data, static_cast<CswCompression>(step.count));
        samples_ = 0;
        tstates_ = 0;
    }
    const auto samples = csw_->Next();
    if (!samples) {
        return false;
    }
    samples_ += *samples;
    const std::uint64_t clock = ClockHz(step.clock);
    const std::uint64_t total = (samples_ * clock + step.length / 2) / step.length;
    const std::uint64_t length =
        std::min<std::uint64_t>(total - tstates_, std::numeric_limits<std::uint32_t>::max());
    tstates_ = total;
    return Emit(event, static_cast<std::uint32_t>(length), step);
}

// TZX 0x19. Runs: entries of a symbol and a 16-bit repeat count; bits:
// symbols of step.bits bits each. Each symbol sets the level of its first
// pulse by its flag, then plays its pulses up to the first of length 0.
bool StepPlayer::Symbols(const PulseStep& step, PulseEvent& event) {
    const std::size_t entrySize = 1 + 2 * std::size_t{step.symbolPulses};
    while (at_ < step.count) {
        std::size_t symbol = 0;
        std::uint32_t repeats = 1;
        if (step.kind == PulseStep::Kind::SymbolRuns) {
            symbol = step.data[3 * at_];
            repeats = WordAt(step.data.subspan(3 * at_ + 1), 0);
        } else {
            for (unsigned b = 0; b < step.bits; ++b) {
                symbol = (symbol << 1) | (BitAt(step.data, at_ * step.bits + b) ? 1u : 0u);
            }
        }
        if (repeat_ < repeats && (symbol + 1) * entrySize <= step.table.size()) {
            const auto entry = step.table.subspan(symbol * entrySize, entrySize);
            if (part_ == 0) {
                switch (entry[0] & SymbolEdgeMask) {
                case Keep:
                    next_ = Opposite(next_);
                    break;
                case ForceLow:
                    next_ = Level::Low;
                    break;
                case ForceHigh:
                    next_ = Level::High;
                    break;
                default:
                    break;
                }
            }
            const std::uint16_t length =
                part_ < step.symbolPulses ? WordAt(entry.subspan(1), part_) : 0;
            if (length != 0) {
                ++part_;
                return Emit(event, length, step);
            }
            // A symbol of no pulses sounds no different repeated: its run
            // is passed at once, so that a few bytes cannot spin for hours.
            repeat_ = part_ == 0 ? repeats : repeat_ + 1;
            part_ = 0;
            continue;
        }
        repeat_ = 0;
        part_ = 0;
        ++at_;
    }
    return false;
}

// The level after the last edge holds for 1 ms, so that the edge ends a
// whole pulse for the loader; then the signal goes low for the rest, where
// a tape at rest is, and where TZX and PZX start the next block.
bool StepPlayer::Pause(const PulseStep& step, PulseEvent& event) {
    constexpr std::uint32_t HoldMs = 1;
    if (step.length == 0 || part_ >= 2) {
        return false;
    }
    if (part_++ == 0) {
        event = PulseOf(next_, std::min(step.length, HoldMs) * TStatesPerMs);
        next_ = Level::Low;
        return true;
    }
    if (step.length <= HoldMs) {
        return false;
    }
    event = PulseOf(Level::Low, (step.length - HoldMs) * TStatesPerMs);
    return true;
}

} // namespace bitreel
