// Reads TZX tape images, every block of revision 1.20, into list entries.
#include "tape/formats/TzxReader.h"

#include "tape/BlockDescription.h"
#include "tape/HeaderFields.h"
#include "tape/RowText.h"
#include "tape/formats/ByteCursor.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <string>
#include <string_view>

namespace bitreel {
namespace {

using Span = std::span<const std::uint8_t>;

constexpr std::array<std::uint8_t, 8> Signature = {'Z', 'X', 'T', 'a', 'p', 'e', '!', 0x1A};
constexpr std::uint8_t MajorVersion = 1;
constexpr std::size_t MaxFrameData = 0xFFFF;
constexpr double TStatesPerSecond = 3500000.0;

// Turbo speed data up to its data length: pilot, two sync, zero and one
// pulse lengths and the pilot tone length, six words.
constexpr std::size_t TurboTimings = 12;
// Pure data up to its used-bits byte: zero and one pulse lengths.
constexpr std::size_t PureTimings = 4;
// The layout table of the custom info block says CHAR[10], but its offsets
// and its "Decode info" + 5 spaces example both make the ID 16 characters.
constexpr std::size_t CustomIdSize = 16;
constexpr std::size_t EmulationInfoSize = 8;
constexpr std::size_t GlueSize = 9;

// Each reader below takes the bytes after the block ID and returns false
// when the block runs past the end of the file.

// A data block goes out as a frame when its last byte is whole and it fits
// the frame's length field; otherwise it is listed with its bit count.
void AddData(EntryBuilder& out, Span data, unsigned usedBits, bool turbo, std::string_view label) {
    if (usedBits == 8 && data.size() <= MaxFrameData) {
        out.AddFrame(data, turbo);
        return;
    }
    const std::uint64_t bits = data.empty() ? 0 : (data.size() - 1) * 8 + std::min(usedBits, 8u);
    out.Add(EntryKind::Skipped, NotSentRow(label, Counted(bits, "bit")));
}

void AddRow(EntryBuilder& out, std::string row) {
    out.Add(EntryKind::Skipped, std::move(row));
}

bool StandardData(ByteCursor& in, EntryBuilder& out) {
    const auto pause = in.U16();
    const auto length = in.U16();
    const auto data = length ? in.Bytes(*length) : std::nullopt;
    if (!pause || !data) {
        return false;
    }
    AddData(out, *data, 8, false, "Data");
    return true;
}

bool TurboData(ByteCursor& in, EntryBuilder& out, std::size_t timings, std::string_view label) {
    const bool skipped = in.Skip(timings);
    const auto usedBits = in.U8();
    const auto pause = in.U16();
    const auto length = in.U24();
    const auto data = length ? in.Bytes(*length) : std::nullopt;
    if (!skipped || !usedBits || !pause || !data) {
        return false;
    }
    AddData(out, *data, *usedBits, true, label);
    return true;
}

bool PureTone(ByteCursor& in, EntryBuilder& out) {
    const auto pulseLength = in.U16();
    const auto pulses = in.U16();
    if (!pulseLength || !pulses) {
        return false;
    }
    AddRow(out, NotSentRow("Pure tone", Counted(*pulses, "pulse")));
    return true;
}

bool PulseSequence(ByteCursor& in, EntryBuilder& out) {
    const auto pulses = in.U8();
    if (!pulses || !in.Skip(2 * std::size_t{*pulses})) {
        return false;
    }
    AddRow(out, NotSentRow("Pulses", Counted(*pulses, "pulse")));
    return true;
}

std::string SecondsText(double seconds) {
    std::array<char, 32> text{};
    std::snprintf(text.data(), text.size(), "%.1f s", seconds);
    return text.data();
}

bool DirectRecording(ByteCursor& in, EntryBuilder& out) {
    const auto tStatesPerSample = in.U16();
    const auto pause = in.U16();
    const auto usedBits = in.U8();
    const auto length = in.U24();
    if (!tStatesPerSample || !pause || !usedBits || !length || !in.Skip(*length)) {
        return false;
    }
    const double samples =
        *length == 0 ? 0.0 : (*length - 1) * 8.0 + std::min<unsigned>(*usedBits, 8);
    AddRow(out,
           NotSentRow("Direct rec.", SecondsText(samples * *tStatesPerSample / TStatesPerSecond)));
    return true;
}

// The blocks that carry their own 4-byte length: the block's body, or no
// value when it runs past the end of the file.
std::optional<Span> LengthPrefixed(ByteCursor& in) {
    const auto length = in.U32();
    return length ? in.Bytes(*length) : std::nullopt;
}

bool CswRecording(ByteCursor& in, EntryBuilder& out) {
    const auto body = LengthPrefixed(in);
    if (!body) {
        return false;
    }
    // pause, sample rate, compression, then the number of pulses.
    ByteCursor fields(*body);
    const bool skipped = fields.Skip(2 + 3 + 1);
    const auto pulses = fields.U32();
    AddRow(out, NotSentRow("CSW rec.", skipped && pulses ? Counted(*pulses, "pulse")
                                                         : std::string(DamagedValue)));
    return true;
}

// The bytes a generalized data block's tables and streams take, from its
// counts: no value when a count runs past what the block can hold.
std::optional<std::uint64_t> GeneralizedSize(ByteCursor& fields) {
    const auto pilotSymbols = fields.U32();
    const auto pilotPulses = fields.U8();
    const auto pilotAlphabet = fields.U8();
    const auto dataSymbols = fields.U32();
    const auto dataPulses = fields.U8();
    const auto dataAlphabet = fields.U8();
    if (!dataAlphabet) {
        return std::nullopt;
    }
    // An alphabet of 0 stands for 256 symbols; each symbol is a flag byte and
    // its pulses, each stream entry of the pilot a symbol and a count.
    const auto alphabet = [](std::uint8_t size) { return size == 0 ? 256u : unsigned{size}; };
    std::uint64_t size = 0;
    if (*pilotSymbols > 0) {
        size += alphabet(*pilotAlphabet) * (1 + 2 * std::uint64_t{*pilotPulses});
        size += 3 * std::uint64_t{*pilotSymbols};
    }
    if (*dataSymbols > 0) {
        unsigned bits = 0;
        while ((1u << bits) < alphabet(*dataAlphabet)) {
            ++bits;
        }
        size += alphabet(*dataAlphabet) * (1 + 2 * std::uint64_t{*dataPulses});
        size += (std::uint64_t{*dataSymbols} * bits + 7) / 8;
    }
    return size;
}

bool GeneralizedData(ByteCursor& in, EntryBuilder& out) {
    const auto body = LengthPrefixed(in);
    if (!body) {
        return false;
    }
    // pause, the pilot's and the data's counts, then their tables and streams.
    ByteCursor fields(*body);
    ByteCursor counts(body->subspan(std::min<std::size_t>(2, body->size())));
    const auto symbols = fields.Skip(2 + 4 + 1 + 1) ? fields.U32() : std::nullopt;
    const auto size = GeneralizedSize(counts);
    const bool whole = symbols && size && *size <= counts.Left();
    AddRow(out, NotSentRow("Gen. data",
                           whole ? Counted(*symbols, "symbol") : std::string(DamagedValue)));
    return true;
}

bool PauseOrStop(ByteCursor& in, EntryBuilder& out) {
    const auto pause = in.U16();
    if (!pause) {
        return false;
    }
    if (*pause == 0) {
        out.Add(EntryKind::Stop, "Stop tape");
    } else {
        AddRow(out, LabelRow("Pause", std::to_string(*pause) + " ms"));
    }
    return true;
}

// A text after its one-byte length.
std::optional<std::string> ShortText(ByteCursor& in) {
    const auto length = in.U8();
    const auto text = length ? in.Bytes(*length) : std::nullopt;
    if (!text) {
        return std::nullopt;
    }
    return ByteText(*text);
}

bool TextRow(ByteCursor& in, EntryBuilder& out, std::string_view label) {
    const auto text = ShortText(in);
    if (!text) {
        return false;
    }
    AddRow(out, LabelRow(label, *text));
    return true;
}

bool Message(ByteCursor& in, EntryBuilder& out) {
    const auto seconds = in.U8();
    return seconds && TextRow(in, out, "Message");
}

bool Jump(ByteCursor& in, EntryBuilder& out) {
    const auto jump = in.U16();
    if (!jump) {
        return false;
    }
    // A signed count of blocks, relative to this one.
    const int by = static_cast<std::int16_t>(*jump);
    AddRow(out,
           LabelRow("Jump", (by < 0 ? "-" : "+") +
                                Counted(static_cast<std::uint64_t>(by < 0 ? -by : by), "block")));
    return true;
}

bool LoopStart(ByteCursor& in, EntryBuilder& out) {
    const auto times = in.U16();
    if (!times) {
        return false;
    }
    AddRow(out, LabelRow("Loop", Counted(*times, "time")));
    return true;
}

bool CallSequence(ByteCursor& in, EntryBuilder& out) {
    const auto calls = in.U16();
    if (!calls || !in.Skip(2 * std::size_t{*calls})) {
        return false;
    }
    AddRow(out, LabelRow("Call", Counted(*calls, "call")));
    return true;
}

bool SelectBlock(ByteCursor& in, EntryBuilder& out) {
    const auto length = in.U16();
    const auto body = length ? in.Bytes(*length) : std::nullopt;
    if (!body) {
        return false;
    }
    // Each choice: a relative jump and a text after its length.
    ByteCursor fields(*body);
    const auto choices = fields.U8();
    bool whole = choices.has_value();
    for (unsigned i = 0; whole && i < choices.value_or(0); ++i) {
        whole = fields.Skip(2) && ShortText(fields);
    }
    AddRow(out,
           LabelRow("Select", whole ? Counted(*choices, "choice") : std::string(DamagedValue)));
    return true;
}

bool StopIf48K(ByteCursor& in, EntryBuilder& out) {
    if (!LengthPrefixed(in)) {
        return false;
    }
    out.Add(EntryKind::Stop, "Stop tape (48K)");
    return true;
}

bool SignalLevel(ByteCursor& in, EntryBuilder& out) {
    const auto body = LengthPrefixed(in);
    if (!body) {
        return false;
    }
    const auto level = ByteCursor(*body).U8();
    AddRow(out, LabelRow("Signal level", !level ? "?" : *level == 0 ? "low" : "high"));
    return true;
}

// The title, publisher, author and year, as far as they are given; or the
// first text of another kind.
bool ArchiveInfo(ByteCursor& in, EntryBuilder& out) {
    const auto length = in.U16();
    const auto body = length ? in.Bytes(*length) : std::nullopt;
    if (!body) {
        return false;
    }
    ByteCursor info(*body);
    const unsigned count = info.U8().value_or(0);
    ArchiveFacts facts;
    std::string first;
    for (unsigned i = 0; i < count; ++i) {
        const auto kind = info.U8();
        const auto text = ShortText(info);
        if (!kind || !text) {
            AddRow(out, LabelRow("Archive info", DamagedValue));
            return true;
        }
        if (i == 0) {
            first = *text;
        }
        if (*kind < facts.size() && facts[*kind].empty()) {
            facts[*kind] = *text;
        }
    }
    const std::string value = ArchiveText(facts);
    AddRow(out, LabelRow("Archive info", value.empty() ? first : value));
    return true;
}

bool HardwareType(ByteCursor& in, EntryBuilder& out) {
    const auto types = in.U8();
    if (!types || !in.Skip(3 * std::size_t{*types})) {
        return false;
    }
    AddRow(out, LabelRow("Hardware", Counted(*types, "type")));
    return true;
}

bool CustomInfo(ByteCursor& in, EntryBuilder& out) {
    const auto id = in.Bytes(CustomIdSize);
    if (!id || !LengthPrefixed(in)) {
        return false;
    }
    std::string name = ByteText(*id);
    name.erase(name.find_last_not_of(' ') + 1);
    AddRow(out, LabelRow("Custom info", name));
    return true;
}

bool Snapshot(ByteCursor& in, EntryBuilder& out) {
    const auto type = in.U8();
    const auto length = in.U24();
    if (!type || !length || !in.Skip(*length)) {
        return false;
    }
    AddRow(out, NotSentRow("Snapshot", Counted(*length, "byte")));
    return true;
}

bool LengthPrefixedRow(ByteCursor& in, EntryBuilder& out, std::string_view label) {
    const auto body = LengthPrefixed(in);
    if (!body) {
        return false;
    }
    AddRow(out, NotSentRow(label, Counted(body->size(), "byte")));
    return true;
}

bool FixedRow(ByteCursor& in, EntryBuilder& out, std::size_t size, std::string row) {
    if (!in.Skip(size)) {
        return false;
    }
    AddRow(out, std::move(row));
    return true;
}

// An ID this reader does not know: every block since revision 1.10 starts
// with its 4-byte length, which is all it takes to pass over it.
bool Unknown(ByteCursor& in, EntryBuilder& out, std::uint8_t id) {
    if (!LengthPrefixed(in)) {
        return false;
    }
    constexpr std::string_view Hex = "0123456789ABCDEF";
    std::string value = "ID 0x";
    value += Hex[id >> 4];
    value += Hex[id & 0x0F];
    AddRow(out, NotSentRow("Unknown", value));
    return true;
}

bool ReadBlockAfterId(std::uint8_t id, ByteCursor& in, EntryBuilder& out) {
    switch (id) {
    case 0x10:
        return StandardData(in, out);
    case 0x11:
        return TurboData(in, out, TurboTimings, "Turbo data");
    case 0x12:
        return PureTone(in, out);
    case 0x13:
        return PulseSequence(in, out);
    case 0x14:
        return TurboData(in, out, PureTimings, "Pure data");
    case 0x15:
        return DirectRecording(in, out);
    case 0x16:
        return LengthPrefixedRow(in, out, "C64 ROM data");
    case 0x17:
        return LengthPrefixedRow(in, out, "C64 turbo");
    case 0x18:
        return CswRecording(in, out);
    case 0x19:
        return GeneralizedData(in, out);
    case 0x20:
        return PauseOrStop(in, out);
    case 0x21:
        return TextRow(in, out, "Group");
    case 0x22:
        return FixedRow(in, out, 0, "Group end");
    case 0x23:
        return Jump(in, out);
    case 0x24:
        return LoopStart(in, out);
    case 0x25:
        return FixedRow(in, out, 0, "Loop end");
    case 0x26:
        return CallSequence(in, out);
    case 0x27:
        return FixedRow(in, out, 0, "Return");
    case 0x28:
        return SelectBlock(in, out);
    case 0x2A:
        return StopIf48K(in, out);
    case 0x2B:
        return SignalLevel(in, out);
    case 0x30:
        return TextRow(in, out, TextLabel);
    case 0x31:
        return Message(in, out);
    case 0x32:
        return ArchiveInfo(in, out);
    case 0x33:
        return HardwareType(in, out);
    case 0x34:
        return FixedRow(in, out, EmulationInfoSize, "Emulation info");
    case 0x35:
        return CustomInfo(in, out);
    case 0x40:
        return Snapshot(in, out);
    case 0x5A:
        return FixedRow(in, out, GlueSize, "Glue block");
    default:
        return Unknown(in, out, id);
    }
}

} // namespace

std::optional<bool> TzxReader::IsJupiterAceTape(std::span<const std::uint8_t> file) {
    constexpr std::uint8_t HardwareId = 0x33;
    constexpr std::uint8_t ComputerType = 0;
    constexpr std::uint8_t JupiterAceId = 0x1A;
    // The values up to this say the tape runs on the machine; above, that it
    // does not.
    constexpr std::uint8_t RunsOn = 2;
    std::size_t at = 0;
    while (const auto entry = ReadEntry(file, at)) {
        if (entry->kind == EntryKind::Frame) {
            const auto data = entry->data;
            return data.size() == static_cast<std::size_t>(AceHeaderLength) &&
                   data[0] == HeaderFlag &&
                   (data[1 + HeaderTypeAt] == AceDictionaryType ||
                    data[1 + HeaderTypeAt] == AceBytesType);
        }
        // A hardware block: its count, then a type, an ID and a value each.
        const std::size_t start = at == 0 ? Signature.size() + 2 : at;
        if (!entry->last && file[start] == HardwareId) {
            ByteCursor in(file.subspan(start + 1));
            for (unsigned types = in.U8().value_or(0); types > 0; --types) {
                const auto type = in.U8();
                const auto id = in.U8();
                const auto value = in.U8();
                if (type == ComputerType && id == JupiterAceId && value <= RunsOn) {
                    return true;
                }
            }
        }
        if (entry->last) {
            return std::nullopt; // the bytes end inside a block
        }
        at = entry->next;
    }
    return false;
}

std::optional<TapeEntry> TzxReader::ReadEntry(std::span<const std::uint8_t> file, std::size_t at) {
    // A file without the signature is corrupt from its first byte on.
    const auto corrupt = [&file, &at] {
        return CorruptEntry(CorruptBlockRow, file.subspan(std::min(at, file.size())));
    };
    EntryBuilder out(file.size());
    if (at == 0) {
        ByteCursor in(file);
        const auto signature = in.Bytes(Signature.size());
        const auto major = in.U8();
        const auto minor = in.U8();
        if (!signature || !std::equal(signature->begin(), signature->end(), Signature.begin()) ||
            !major || *major != MajorVersion || !minor) {
            return corrupt();
        }
        at = in.Offset();
    }
    if (at >= file.size()) {
        return std::nullopt;
    }
    ByteCursor in(file.subspan(at));
    const std::uint8_t id = *in.U8();
    if (!ReadBlockAfterId(id, in, out)) {
        return corrupt();
    }
    out.SetNext(at + in.Offset());
    return std::move(out).Finish();
}

} // namespace bitreel
