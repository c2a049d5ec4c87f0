#include "view/HexDump.h"

#include "tape/formats/BlockReader.h"
#include "tape/HexText.h"

#include "view/BlockChecksum.h"

#include <algorithm>
#include <cstdio>

namespace bitreel::view {

namespace {

constexpr std::size_t kPerLine = 16;

void AppendByte(std::string& out, std::uint8_t byte) {
    constexpr const char* kDigits = "0123456789ABCDEF";
    out += kDigits[byte >> 4];
    out += kDigits[byte & 0x0F];
}

// Offsets and lengths of a body fit 4 hex digits: a block has at most 65535
// bytes after its length field.
class Marks {
public:
    // Which bytes are marked: the flag first, the checksum last.
    enum class Kind { FlagAndChecksum, FlagOnly, None };

    Marks(std::size_t size, Kind kind) : size_(size), kind_(kind) {}

    [[nodiscard]] char Open(std::size_t i) const {
        return IsFlag(i) ? '[' : IsChecksum(i) ? '<' : ' ';
    }
    [[nodiscard]] char Close(std::size_t i) const {
        return IsFlag(i) ? ']' : IsChecksum(i) ? '>' : ' ';
    }
    // The character between byte i - 1 and byte i of one line.
    [[nodiscard]] char Between(std::size_t i) const {
        const char close = Close(i - 1);
        const char open = Open(i);
        if (close != ' ' && open != ' ') {
            return '|';
        }
        return close != ' ' ? close : open;
    }

private:
    [[nodiscard]] bool IsFlag(std::size_t i) const { return i == 0 && kind_ != Kind::None; }
    [[nodiscard]] bool IsChecksum(std::size_t i) const {
        return i != 0 && i + 1 == size_ && kind_ == Kind::FlagAndChecksum;
    }

    std::size_t size_;
    Kind kind_;
};

std::string Heading(std::size_t size) {
    const std::string length = "Length " + std::to_string(size) + ": ";
    if (size == 0) {
        return length + "no flag, no checksum";
    }
    if (size == 1) {
        return length + "flag and checksum at 0000 in [ ]";
    }
    return length + "flag at 0000 in [ ], checksum at " + Hex(static_cast<unsigned>(size - 1), 4) +
           " in < >";
}

// The bytes 16 to a line, with their offsets from base, marks and characters.
std::string Lines(std::span<const std::uint8_t> body, Marks::Kind kind, unsigned base = 0) {
    std::string text;
    const Marks marks(body.size(), kind);
    for (std::size_t first = 0; first < body.size(); first += kPerLine) {
        const std::size_t count = std::min(kPerLine, body.size() - first);
        std::string line = Hex(static_cast<unsigned>(base + first), 4);
        std::string characters;
        for (std::size_t column = 0; column < kPerLine; ++column) {
            const std::size_t i = first + column;
            if (column < count) {
                line += column == 0 ? marks.Open(i) : marks.Between(i);
                AppendByte(line, body[i]);
                const auto byte = body[i];
                characters += byte >= 0x20 && byte < 0x7F ? static_cast<char>(byte) : '.';
            } else if (column == count) {
                line += marks.Close(i - 1);
                line += "  ";
            } else {
                line += "   ";
            }
        }
        line += count == kPerLine ? marks.Close(first + count - 1) : ' ';
        text += line + " " + characters + "\n";
    }
    return text;
}

} // namespace

std::string MemoryHex(std::span<const std::uint8_t> bytes, std::uint16_t address) {
    return Lines(bytes.first(std::min<std::size_t>(bytes.size(), 0x10000u - address)),
                 Marks::Kind::None, address);
}

std::string HexDump(std::span<const std::uint8_t> frame) {
    return HexDump(frame, FrameChecksumVerdict(frame));
}

std::string HexDump(std::span<const std::uint8_t> frame, ChecksumVerdict verdict) {
    const auto body = frame.size() > 2 ? frame.subspan(2) : frame.subspan(0, 0);
    return Heading(body.size()) + "\n" + Lines(body, Marks::Kind::FlagAndChecksum) +
           "Checksum: " + ChecksumText(CheckChecksum(frame, verdict)) + "\n";
}

std::string HexDump(const ImageBlock& block, TapeLayout layout) {
    if (block.kind != BlockKind::Corrupt) {
        return HexDump(block.stored, block.verdict);
    }
    const std::span<const std::uint8_t> stored = block.stored;
    if (block.imageBytesToEnd) {
        // A TZX or PZX block holds no frame: its bytes as the image has them.
        std::string text = "Corrupt block: the file holds " +
                           std::to_string(*block.imageBytesToEnd) +
                           " bytes from its start to its end";
        if (stored.size() < *block.imageBytesToEnd) {
            text += "; the first " + std::to_string(stored.size()) + " are shown";
        }
        return text + ".\n" + Lines(stored, Marks::Kind::None);
    }
    // What the file has of a block it cannot hold whole: from the flag on,
    // and no checksum, which never came.
    const std::size_t supplied = layout == TapeLayout::AceTap ? 1 : 0;
    const auto body = stored.size() > 2 ? stored.subspan(2) : stored.subspan(0, 0);
    const std::size_t held = body.size() > supplied ? body.size() - supplied : 0;
    const unsigned declared = stored.size() >= 2 ? stored[0] | (stored[1] << 8) : 0;
    return "Corrupt block: its length field gives " + std::to_string(declared) +
           " bytes; the file holds " + std::to_string(held) + " of them.\n" +
           (held > 0 ? Lines(body, Marks::Kind::FlagOnly) : std::string());
}

} // namespace bitreel::view
