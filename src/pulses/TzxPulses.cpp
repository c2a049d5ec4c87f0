// The pulses of each TZX block, and what the tape does after it.
#include "pulses/CswPulses.h"
#include "pulses/RowPulseReaders.h"
#include "pulses/WholeSamples.h"
#include "tape/formats/ByteCursor.h"

#include <algorithm>
#include <array>

namespace bitreel {
namespace {

using Span = std::span<const std::uint8_t>;
using Kind = PulseStep::Kind;

// "ZXTape!", 0x1A and the two version bytes before the first block.
constexpr std::size_t TzxHeaderSize = 10;
constexpr std::array<std::uint8_t, 8> Signature = {'Z', 'X', 'T', 'a', 'p', 'e', '!', 0x1A};

RowPulses Corrupt() {
    RowPulses row;
    row.flow.kind = RowFlow::Kind::Corrupt;
    return row;
}

PulseStep PauseStep(std::uint32_t ms) {
    return {.kind = Kind::Pause, .length = ms};
}

std::uint32_t BitCount(std::size_t bytes, unsigned usedBits) {
    if (bytes == 0) {
        return 0;
    }
    return static_cast<std::uint32_t>((bytes - 1) * 8 + std::clamp(usedBits, 1u, 8u));
}

// Each reader takes the bytes after the block's ID and returns false when
// the block runs past the end of the file.

bool Standard(ByteCursor& in, MachineKind machine, RowPulses& row) {
    const auto pause = in.U16();
    const auto length = in.U16();
    const auto data = length ? in.Bytes(*length) : std::nullopt;
    if (!pause || !data) {
        return false;
    }
    row = RomRowPulses(*data, machine, *pause);
    return true;
}

bool Turbo(ByteCursor& in, RowPulses& row) {
    std::array<std::uint16_t, 6> t{}; // pilot, sync 1, sync 2, zero, one, pilot pulses
    for (auto& value : t) {
        const auto word = in.U16();
        if (!word) {
            return false;
        }
        value = *word;
    }
    const auto used = in.U8();
    const auto pause = in.U16();
    const auto length = in.U24();
    const auto data = length ? in.Bytes(*length) : std::nullopt;
    if (!used || !pause || !data) {
        return false;
    }
    auto& steps = row.steps;
    steps.push_back({.kind = Kind::Tone, .length = t[0], .count = t[5]});
    steps.push_back({.kind = Kind::Tone, .length = t[1], .count = 1});
    steps.push_back({.kind = Kind::Tone, .length = t[2], .count = 1});
    steps.push_back({.kind = Kind::Bits,
                     .count = BitCount(data->size(), *used),
                     .zero = t[3],
                     .one = t[4],
                     .data = *data});
    steps.push_back(PauseStep(*pause));
    return true;
}

bool PureTone(ByteCursor& in, RowPulses& row) {
    const auto length = in.U16();
    const auto pulses = in.U16();
    if (!length || !pulses) {
        return false;
    }
    row.steps.push_back({.kind = Kind::Tone, .length = *length, .count = *pulses});
    return true;
}

bool PulseSequence(ByteCursor& in, RowPulses& row) {
    const auto pulses = in.U8();
    const auto words = pulses ? in.Bytes(2 * std::size_t{*pulses}) : std::nullopt;
    if (!words) {
        return false;
    }
    row.steps.push_back({.kind = Kind::Words, .count = *pulses, .data = *words});
    return true;
}

bool PureData(ByteCursor& in, RowPulses& row) {
    const auto zero = in.U16();
    const auto one = in.U16();
    const auto used = in.U8();
    const auto pause = in.U16();
    const auto length = in.U24();
    const auto data = length ? in.Bytes(*length) : std::nullopt;
    if (!zero || !one || !used || !pause || !data) {
        return false;
    }
    row.steps.push_back({.kind = Kind::Bits,
                         .count = BitCount(data->size(), *used),
                         .zero = *zero,
                         .one = *one,
                         .data = *data});
    row.steps.push_back(PauseStep(*pause));
    return true;
}

bool DirectRecording(ByteCursor& in, RowPulses& row) {
    const auto perSample = in.U16();
    const auto pause = in.U16();
    const auto used = in.U8();
    const auto length = in.U24();
    const auto data = length ? in.Bytes(*length) : std::nullopt;
    if (!perSample || !pause || !used || !data) {
        return false;
    }
    row.steps.push_back({.kind = Kind::Samples,
                         .length = *perSample,
                         .count = BitCount(data->size(), *used),
                         .data = *data});
    row.steps.push_back(PauseStep(*pause));
    return true;
}

std::optional<Span> LengthPrefixed(ByteCursor& in) {
    const auto length = in.U32();
    return length ? in.Bytes(*length) : std::nullopt;
}

bool CswRecording(ByteCursor& in, RowPulses& row) {
    const auto body = LengthPrefixed(in);
    if (!body) {
        return false;
    }
    ByteCursor fields(*body);
    const auto pause = fields.U16();
    const auto rate = fields.U24();
    const auto compression = fields.U8();
    const bool counted = fields.Skip(4); // the pulse count: the data says as much
    // A recording that cannot be read whole is a corrupt block, as a cut
    // data block is: the tape stops there rather than play a silence.
    if (!pause || !rate || !compression || !counted || (*compression != 1 && *compression != 2)) {
        return false;
    }
    const Span data = *fields.Bytes(fields.Left());
    if (!CswDataWhole(data, static_cast<CswCompression>(*compression))) {
        return false;
    }
    row.steps.push_back({.kind = Kind::Csw, .length = *rate, .count = *compression, .data = data});
    row.steps.push_back(PauseStep(*pause));
    return true;
}

// A generalized data block's pilot (runs of symbols) and data (packed
// symbols), each with its table of symbols; a table or stream that runs
// past the block plays nothing, nor does a table whose symbols have no
// pulses (a stream of them would only take time).
bool SymbolsSound(Span table, std::uint8_t pulses) {
    const std::size_t entry = 1 + 2 * std::size_t{pulses};
    for (std::size_t at = 0; pulses > 0 && at + entry <= table.size(); at += entry) {
        if ((table[at + 1] | table[at + 2]) != 0) {
            return true;
        }
    }
    return false;
}

// True when every pulse of a symbol table is a whole number of samples
// (WholeSamples.h): such a block is played so, for a loader that reads one
// pulse a bit.
bool InWholeSamples(Span table, std::uint8_t pulses) {
    const std::size_t entry = 1 + 2 * std::size_t{pulses};
    for (std::size_t at = 0; at + entry <= table.size(); at += entry) {
        for (std::size_t p = 0; p < pulses; ++p) {
            const auto length =
                static_cast<std::uint32_t>(table[at + 1 + 2 * p] | table[at + 2 + 2 * p] << 8);
            if (length != 0 && !WholeSamplesOf(length)) {
                return false;
            }
        }
    }
    return true;
}

bool Generalized(ByteCursor& in, RowPulses& row) {
    const auto body = LengthPrefixed(in);
    if (!body) {
        return false;
    }
    ByteCursor f(*body);
    const auto pause = f.U16();
    const auto pilotSymbols = f.U32();
    const auto pilotPulses = f.U8();
    const auto pilotAlphabet = f.U8();
    const auto dataSymbols = f.U32();
    const auto dataPulses = f.U8();
    const auto dataAlphabet = f.U8();
    if (!dataAlphabet) {
        return true;
    }
    const auto alphabet = [](std::uint8_t size) { return size == 0 ? 256u : unsigned{size}; };
    const auto table = [&](std::uint8_t pulses, std::uint8_t size) {
        return f.Bytes(alphabet(size) * (1 + 2 * std::size_t{pulses}));
    };
    if (*pilotSymbols > 0) {
        const auto symbols = table(*pilotPulses, *pilotAlphabet);
        const auto stream = symbols ? f.Bytes(3 * std::size_t{*pilotSymbols}) : std::nullopt;
        if (!stream) {
            return true;
        }
        if (SymbolsSound(*symbols, *pilotPulses)) {
            row.steps.push_back({.kind = Kind::SymbolRuns,
                                 .count = *pilotSymbols,
                                 .data = *stream,
                                 .table = *symbols,
                                 .symbolPulses = *pilotPulses});
        }
    }
    if (*dataSymbols > 0) {
        std::uint8_t bits = 0;
        while ((1u << bits) < alphabet(*dataAlphabet)) {
            ++bits;
        }
        const auto symbols = table(*dataPulses, *dataAlphabet);
        const auto stream =
            symbols ? f.Bytes((std::uint64_t{*dataSymbols} * bits + 7) / 8) : std::nullopt;
        if (!stream) {
            row.steps.clear();
            return true;
        }
        if (SymbolsSound(*symbols, *dataPulses)) {
            row.steps.push_back({.kind = Kind::SymbolBits,
                                 .bits = bits,
                                 .count = *dataSymbols,
                                 .data = *stream,
                                 .table = *symbols,
                                 .symbolPulses = *dataPulses});
        }
    }
    bool whole = true;
    for (const PulseStep& step : row.steps) {
        whole = whole && InWholeSamples(step.table, static_cast<std::uint8_t>(step.symbolPulses));
    }
    for (PulseStep& step : row.steps) {
        step.wholeSamples = whole;
    }
    row.steps.push_back(PauseStep(*pause));
    return true;
}

bool PauseOrStop(ByteCursor& in, RowPulses& row) {
    const auto pause = in.U16();
    if (!pause) {
        return false;
    }
    if (*pause == 0) {
        row.flow.kind = RowFlow::Kind::Stop;
    } else {
        row.steps.push_back(PauseStep(*pause));
    }
    return true;
}

bool Flow(ByteCursor& in, RowFlow::Kind kind, RowPulses& row) {
    const auto word = in.U16();
    if (!word) {
        return false;
    }
    row.flow.kind = kind;
    row.flow.jump = static_cast<std::int16_t>(*word);
    row.flow.count = *word;
    return true;
}

bool Calls(ByteCursor& in, RowPulses& row) {
    const auto calls = in.U16();
    if (!calls) {
        return false;
    }
    row.flow.kind = RowFlow::Kind::Calls;
    for (unsigned i = 0; i < *calls; ++i) {
        const auto target = in.U16();
        if (!target) {
            return false;
        }
        row.flow.targets.push_back(static_cast<std::int16_t>(*target));
    }
    return true;
}

bool Select(ByteCursor& in, RowPulses& row) {
    const auto length = in.U16();
    const auto body = length ? in.Bytes(*length) : std::nullopt;
    if (!body) {
        return false;
    }
    ByteCursor f(*body);
    const auto choices = f.U8();
    const auto first = choices && *choices > 0 ? f.U16() : std::nullopt;
    if (first) {
        row.flow.kind = RowFlow::Kind::Select;
        row.flow.targets.push_back(static_cast<std::int16_t>(*first));
    }
    return true;
}

bool SignalLevel(ByteCursor& in, RowPulses& row) {
    const auto body = LengthPrefixed(in);
    if (!body) {
        return false;
    }
    if (const auto level = ByteCursor(*body).U8()) {
        row.steps.push_back(
            {.kind = Kind::SetLevel, .level = *level == 0 ? Level::Low : Level::High});
    }
    return true;
}

// The blocks that play nothing: each is only passed over, by its size.
bool Skip(ByteCursor& in, std::uint8_t id) {
    // A count of countSize bytes, then that many entries of per bytes.
    const auto skipCounted = [&](std::size_t per, unsigned countSize) {
        std::optional<unsigned> count;
        if (countSize == 1) {
            count = in.U8();
        } else {
            count = in.U16();
        }
        return count && in.Skip(per * *count);
    };
    switch (id) {
    case 0x21:
    case 0x30: {
        const auto length = in.U8();
        return length && in.Skip(*length);
    }
    case 0x22:
    case 0x25:
    case 0x27:
        return true;
    case 0x31:
        return in.Skip(1) && skipCounted(1, 1);
    case 0x32:
        return skipCounted(1, 2);
    case 0x33:
        return skipCounted(3, 1);
    case 0x34:
        return in.Skip(8);
    case 0x35:
        return in.Skip(16) && LengthPrefixed(in).has_value();
    case 0x40: {
        const bool type = in.Skip(1);
        const auto length = in.U24();
        return type && length && in.Skip(*length);
    }
    case 0x5A:
        return in.Skip(9);
    default:
        return LengthPrefixed(in).has_value();
    }
}

bool ReadAfterId(std::uint8_t id, ByteCursor& in, MachineKind machine, RowPulses& row) {
    switch (id) {
    case 0x10:
        return Standard(in, machine, row);
    case 0x11:
        return Turbo(in, row);
    case 0x12:
        return PureTone(in, row);
    case 0x13:
        return PulseSequence(in, row);
    case 0x14:
        return PureData(in, row);
    case 0x15:
        return DirectRecording(in, row);
    case 0x18:
        return CswRecording(in, row);
    case 0x19:
        return Generalized(in, row);
    case 0x20:
        return PauseOrStop(in, row);
    case 0x23:
        return Flow(in, RowFlow::Kind::Jump, row);
    case 0x24:
        return Flow(in, RowFlow::Kind::LoopStart, row);
    case 0x25:
        row.flow.kind = RowFlow::Kind::LoopEnd;
        return true;
    case 0x26:
        return Calls(in, row);
    case 0x27:
        row.flow.kind = RowFlow::Kind::Return;
        return true;
    case 0x28:
        return Select(in, row);
    case 0x2A:
        row.flow.kind = RowFlow::Kind::Stop;
        return LengthPrefixed(in).has_value();
    case 0x2B:
        return SignalLevel(in, row);
    default:
        return Skip(in, id);
    }
}

} // namespace

RowPulses TzxRowPulses(std::span<const std::uint8_t> file, std::size_t offset,
                       MachineKind machine) {
    if (offset == 0) {
        if (file.size() < TzxHeaderSize ||
            !std::equal(Signature.begin(), Signature.end(), file.begin())) {
            return Corrupt();
        }
        offset = TzxHeaderSize;
    }
    if (offset >= file.size()) {
        return Corrupt();
    }
    ByteCursor in(file.subspan(offset));
    const std::uint8_t id = *in.U8();
    RowPulses row;
    if (!ReadAfterId(id, in, machine, row)) {
        return Corrupt();
    }
    return row;
}

} // namespace bitreel
