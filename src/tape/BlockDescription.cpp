// Turns one block into its kind, header fields and contents-list line, by the
// Spectrum or the Jupiter Ace rules.
#include "tape/BlockDescription.h"

#include "tape/formats/BlockReader.h"

#include <cstdint>
#include <span>
#include <string_view>

namespace bitreel {
namespace {

constexpr std::size_t FlagAt = 2;
constexpr std::string_view ChecksumNote = " (Invalid Checksum)";

std::string Number(long long value) {
    return std::to_string(value);
}

std::string Bracketed(std::string_view label, long long value) {
    std::string text(label);
    text += " [Length=";
    text += Number(value);
    text += ']';
    return text;
}

std::string HeaderLine(std::string_view label, std::string_view name, std::string_view detail) {
    std::string text;
    text.reserve(label.size() + name.size() + detail.size());
    text += label;
    text += name;
    text += detail;
    return text;
}

std::string DataLine(std::int32_t length) {
    return "{Data block [Length=" + Number(static_cast<long long>(length) - 2) + "]}";
}

// A block the rule cannot read far enough: the row stands in for a
// description.
BlockFacts Abandoned(std::int32_t length) {
    BlockFacts facts;
    facts.row = Bracketed("Unknown block type", length);
    return facts;
}

BlockFacts Described(BlockKind kind, std::string row) {
    BlockFacts facts;
    facts.kind = kind;
    facts.row = std::move(row);
    facts.described = true;
    return facts;
}

std::string VariableText(const HeaderFields& fields, bool characters) {
    const auto letter = ArrayLetter(*fields.variable, characters);
    return std::string(1, letter ? *letter : static_cast<char>(*fields.variable)) +
           (characters ? "$()" : "()");
}

std::string SpectrumHeaderRow(const HeaderFields& f) {
    switch (f.typeByte) {
    case 0:
        if (f.line) {
            return HeaderLine("Program     : ", f.name,
                              " [Line=" + Number(*f.line) + ", Vars Area=+" + Number(*f.variables) +
                                  "]");
        }
        return HeaderLine("Program     : ", f.name, " [Vars Area=" + Number(*f.variables) + "]");
    case 1:
        return HeaderLine("Number Array: ", f.name, " [Variable=" + VariableText(f, false) + "]");
    case 2:
        return HeaderLine("Char Array  : ", f.name, " [Variable=" + VariableText(f, true) + "]");
    default:
        return HeaderLine("Code        : ", f.name,
                          " [Start=" + Number(*f.start) + ", Length=" + Number(f.dataLength) + "]");
    }
}

BlockFacts DescribeSpectrum(const TapeBlock& block) {
    const std::uint8_t flag = block.Bytes[FlagAt];
    const std::int32_t length = block.Length;
    if (length == SpectrumHeaderLength && flag == HeaderFlag) {
        const auto fields = std::span(block.Bytes).subspan(FramePayloadAt);
        BlockFacts facts;
        if (fields.empty()) {
            facts = Abandoned(length);
        } else if (fields[HeaderTypeAt] > 3) {
            facts =
                Described(BlockKind::Unknown, Bracketed("Invalid header descriptor", length - 2));
        } else if (auto header = DecodeSpectrumHeader(fields)) {
            facts = Described(BlockKind::Header, SpectrumHeaderRow(*header));
            facts.header = std::move(header);
        } else {
            facts = Abandoned(length);
        }
        facts.headerPlace = true;
        return facts;
    }
    if (flag == DataFlag) {
        return Described(BlockKind::Data, DataLine(length));
    }
    if (length == SpectrumHeaderLength) {
        return Described(BlockKind::Unknown, Bracketed("Unknown header type", 17));
    }
    return Described(BlockKind::Unknown, Bracketed("Unknown block type", length));
}

BlockFacts DescribeAce(const TapeBlock& block, bool isTapFile, bool& ExpectHeader) {
    const std::uint8_t flag = block.Bytes[FlagAt];
    const std::int32_t length = block.Length;
    BlockFacts facts;
    bool recognised = true;
    if ((isTapFile && ExpectHeader) ||
        (!isTapFile && length == AceHeaderLength && flag == HeaderFlag)) {
        auto header = DecodeAceHeader(std::span(block.Bytes).subspan(FramePayloadAt));
        if (!header) {
            facts = Abandoned(length);
            facts.headerPlace = true;
            return facts;
        }
        const std::string detail = " [Length=" + Number(header->dataLength) + "]";
        if (header->typeByte == AceDictionaryType) {
            facts =
                Described(BlockKind::Header, HeaderLine("Dictionary  : ", header->name, detail));
        } else if (header->typeByte == AceBytesType) {
            facts =
                Described(BlockKind::Header, HeaderLine("Bytes       : ", header->name, detail));
        } else {
            // Padded like the other labels so that the name stays in its column.
            std::string label = "Type " + Number(header->typeByte);
            label.resize(12, ' ');
            label += ": ";
            facts.kind = BlockKind::Header;
            facts.row = HeaderLine(label, header->name, detail);
        }
        facts.header = std::move(header);
        facts.headerPlace = true;
    } else if (isTapFile || flag == DataFlag) {
        facts = Described(BlockKind::Data, DataLine(length));
    } else {
        facts = Described(BlockKind::Unknown, Bracketed("Unknown block type", length));
        recognised = false;
    }
    if (block.BadChecksum) {
        facts.row += ChecksumNote;
    }
    ExpectHeader = recognised ? !ExpectHeader : true;
    return facts;
}

} // namespace

BlockFacts DescribeFacts(const TapeBlock& block, MachineKind machine, bool isTapFile,
                         bool& ExpectHeader) {
    if (block.Length == 0) {
        BlockFacts facts;
        facts.kind = BlockKind::Empty;
        facts.row = "Empty block [Length=0]";
        return facts;
    }
    if (block.Bytes.size() <= FlagAt) {
        return Abandoned(block.Length);
    }
    if (machine == MachineKind::Spectrum) {
        // Only a checksum that fits neither rule is shown: one that covers
        // the flag too is replaced on reading and lists as good.
        BlockFacts facts = DescribeSpectrum(block);
        if (facts.described && block.Verdict == ChecksumVerdict::Damaged) {
            facts.row += ChecksumNote;
        }
        return facts;
    }
    return DescribeAce(block, isTapFile, ExpectHeader);
}

std::optional<std::string> DescribeBlock(const TapeBlock& block, MachineKind machine,
                                         bool isTapFile, bool& ExpectHeader) {
    BlockFacts facts = DescribeFacts(block, machine, isTapFile, ExpectHeader);
    if (!facts.described) {
        return std::nullopt;
    }
    return std::move(facts.row);
}

std::string ContentsRow(const TapeBlock& block, MachineKind machine, bool isTapFile,
                        bool& ExpectHeader) {
    return DescribeFacts(block, machine, isTapFile, ExpectHeader).row;
}

} // namespace bitreel
