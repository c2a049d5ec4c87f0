// Reads PZX tape images into list entries.
#include "tape/formats/PzxReader.h"

#include "tape/BlockDescription.h"
#include "tape/RowText.h"
#include "tape/formats/ByteCursor.h"
#include "tape/formats/PzxPulse.h"

#include <algorithm>
#include <array>
#include <string>
#include <string_view>

namespace bitreel {
namespace {

using Span = std::span<const std::uint8_t>;
using Tag = std::array<std::uint8_t, 4>;

constexpr Tag HeaderTag = {'P', 'Z', 'X', 'T'};
constexpr Tag PulsesTag = {'P', 'U', 'L', 'S'};
constexpr Tag DataTag = {'D', 'A', 'T', 'A'};
constexpr Tag PauseTag = {'P', 'A', 'U', 'S'};
constexpr Tag BrowseTag = {'B', 'R', 'W', 'S'};
constexpr Tag StopTag = {'S', 'T', 'O', 'P'};

constexpr std::uint8_t MajorVersion = 1;
constexpr std::uint32_t Low31Bits = 0x7FFFFFFF;
constexpr std::uint32_t MaxFrameData = 0xFFFF;
constexpr std::uint32_t TStatesPerMs = 3500;
// The ROM saver's pulses for a zero and a one bit, two pulses each.
constexpr std::uint16_t RomZeroPulse = 855;
constexpr std::uint16_t RomOnePulse = 1710;

bool Is(Span tag, const Tag& known) {
    return std::equal(tag.begin(), tag.end(), known.begin());
}

// The text up to the next zero byte (or the end), and the cursor after it.
Span NextString(ByteCursor& in) {
    const std::size_t left = in.Left();
    std::size_t size = 0;
    Span rest = *in.Bytes(left);
    while (size < rest.size() && rest[size] != 0) {
        ++size;
    }
    in = ByteCursor(rest.subspan(std::min(size + 1, rest.size())));
    return rest.first(size);
}

std::string HeaderRow(Span body) {
    ByteCursor in(body);
    const auto major = in.U8();
    const auto minor = in.U8();
    const Span title = NextString(in);
    if (!title.empty()) {
        // Then pairs of a key and its value; the publisher, author and year
        // follow the title, as a TZX archive info shows them.
        constexpr std::array<std::string_view, 4> Keys = {"", "Publisher", "Author", "Year"};
        ArchiveFacts facts;
        facts[0] = Utf8Text(title);
        while (!in.AtEnd()) {
            const Span key = NextString(in);
            const Span text = NextString(in);
            const std::string_view name(reinterpret_cast<const char*>(key.data()), key.size());
            const auto slot = std::find(Keys.begin() + 1, Keys.end(), name);
            if (slot != Keys.end() && facts[slot - Keys.begin()].empty()) {
                facts[slot - Keys.begin()] = Utf8Text(text);
            }
        }
        return LabelRow("Archive info", ArchiveText(facts));
    }
    return LabelRow("PZX header", "version " + std::to_string(major.value_or(0)) + "." +
                                      std::to_string(minor.value_or(0)));
}

std::uint64_t PulseCount(Span body) {
    ByteCursor in(body);
    std::uint64_t pulses = 0;
    while (const auto pulse = ReadPzxPulse(in)) {
        pulses += pulse->count;
    }
    return pulses;
}

bool RomPulses(Span words, std::uint16_t pulse) {
    ByteCursor in(words);
    return in.U16() == pulse && in.U16() == pulse && in.AtEnd();
}

void AddData(EntryBuilder& out, Span body) {
    ByteCursor in(body);
    const auto count = in.U32();
    const auto tail = in.U16();
    const auto zeroPulses = in.U8();
    const auto onePulses = in.U8();
    const auto zero = zeroPulses ? in.Bytes(2 * std::size_t{*zeroPulses}) : std::nullopt;
    const auto one = onePulses ? in.Bytes(2 * std::size_t{*onePulses}) : std::nullopt;
    const std::uint32_t bits = count.value_or(0) & Low31Bits;
    const auto data = in.Bytes(bits / 8 + (bits % 8 != 0 ? 1 : 0));
    if (!tail || !zero || !one || !data) {
        out.Add(EntryKind::Skipped, NotSentRow("Data", DamagedValue));
        return;
    }
    if (bits % 8 != 0 || data->size() > MaxFrameData) {
        out.Add(EntryKind::Skipped, NotSentRow("Data", Counted(bits, "bit")));
        return;
    }
    out.AddFrame(*data, !RomPulses(*zero, RomZeroPulse) || !RomPulses(*one, RomOnePulse));
}

std::string PauseRow(Span body) {
    const std::uint32_t tStates = ByteCursor(body).U32().value_or(0) & Low31Bits;
    return LabelRow("Pause", std::to_string((tStates + TStatesPerMs / 2) / TStatesPerMs) + " ms");
}

std::string UnknownRow(Span tag) {
    std::string name;
    for (const std::uint8_t c : tag) {
        name += c >= 0x20 && c < 0x7F ? static_cast<char>(c) : '?';
    }
    return NotSentRow("Unknown", "tag " + name);
}

void AddBlock(EntryBuilder& out, Span tag, Span body) {
    if (Is(tag, HeaderTag)) {
        out.Add(EntryKind::Skipped, HeaderRow(body));
    } else if (Is(tag, PulsesTag)) {
        out.Add(EntryKind::Skipped, NotSentRow("Pulses", Counted(PulseCount(body), "pulse")));
    } else if (Is(tag, DataTag)) {
        AddData(out, body);
    } else if (Is(tag, PauseTag)) {
        out.Add(EntryKind::Skipped, PauseRow(body));
    } else if (Is(tag, BrowseTag)) {
        out.Add(EntryKind::Skipped, LabelRow("Browse", Utf8Text(body)));
    } else if (Is(tag, StopTag)) {
        // Flags 1: stop only on a 48K machine.
        out.Add(EntryKind::Stop, ByteCursor(body).U16() == 1 ? "Stop tape (48K)" : "Stop tape");
    } else {
        out.Add(EntryKind::Skipped, UnknownRow(tag));
    }
}

} // namespace

std::optional<TapeEntry> PzxReader::ReadEntry(std::span<const std::uint8_t> file, std::size_t at) {
    const auto corrupt = [&file, at] {
        return CorruptEntry(CorruptBlockRow, file.subspan(std::min(at, file.size())));
    };
    EntryBuilder out(file.size());
    if (at == 0 && file.empty()) {
        return corrupt();
    }
    if (at >= file.size()) {
        return std::nullopt;
    }
    ByteCursor in(file.subspan(at));
    const auto tag = in.Bytes(HeaderTag.size());
    const auto size = in.U32();
    const auto body = size ? in.Bytes(*size) : std::nullopt;
    if (!tag || !body) {
        return corrupt();
    }
    // Only a header block of a version this reader knows makes the bytes a
    // PZX image.
    if (at == 0 && (!Is(*tag, HeaderTag) || ByteCursor(*body).U8() != MajorVersion)) {
        return corrupt();
    }
    AddBlock(out, *tag, *body);
    out.SetNext(at + in.Offset());
    return std::move(out).Finish();
}

} // namespace bitreel
