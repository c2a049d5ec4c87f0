// Turns one block into its contents-list line, by the Spectrum or the Jupiter
// Ace rules.
#include "tape/BlockDescription.h"

#include "tape/ByteCursor.h"

#include <cstdint>
#include <span>
#include <string_view>

namespace bitreel {
namespace {

// Positions in Bytes (0 and 1 are the length field).
constexpr std::size_t FlagAt = 2;
constexpr std::size_t TypeAt = 3;
constexpr std::size_t NameAt = 4;
constexpr std::size_t NameSize = 10;
constexpr std::size_t DataLengthAt = 14;
constexpr std::size_t Param1At = 16;
constexpr std::size_t VariableAt = 17;
constexpr std::size_t Param2At = 18;

constexpr std::int32_t SpectrumHeaderLength = 19;
constexpr std::int32_t AceHeaderLength = 27;

constexpr std::string_view ChecksumNote = " (Invalid Checksum)";

enum class Outcome {
    Described, // the rules gave a text
    NoText,    // an Ace header of another type: recognised, but no text
    Abandoned, // a field the rule reads lies beyond the block
};

struct Description {
    Outcome outcome;
    std::string text; // the description, or the row used in its place
};

// Reads fields only where the block has them; any read past the end
// abandons the description.
class Fields {
public:
    explicit Fields(std::span<const std::uint8_t> bytes) : bytes_(bytes) {}

    [[nodiscard]] bool Has(std::size_t index, std::size_t count = 1) const {
        return index + count <= bytes_.size();
    }
    [[nodiscard]] std::uint8_t Byte(std::size_t index) const { return bytes_[index]; }
    [[nodiscard]] unsigned Word(std::size_t index) const {
        return Le16At(bytes_, index).value_or(0);
    }
    [[nodiscard]] std::string_view Name() const {
        return {reinterpret_cast<const char*>(bytes_.data() + NameAt), NameSize};
    }

private:
    std::span<const std::uint8_t> bytes_;
};

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

std::string UnknownBlockLine(std::int32_t length) {
    return Bracketed("Unknown block type", length);
}

Description Abandoned(std::int32_t length) {
    return {Outcome::Abandoned, UnknownBlockLine(length)};
}

// The variable byte of an array header holds its letter in the low five bits,
// its kind in the top three: 100 for a number array, 110 for a character
// array. Only a byte of the header's own kind with a letter A to Z shows as
// that letter in lower case; any other goes into the text unchanged.
struct LetterRange {
    std::uint8_t first;
    std::uint8_t last;
};
constexpr LetterRange NumberArrayLetters{0x81, 0x9A};
constexpr LetterRange CharArrayLetters{0xC1, 0xDA};

char ArrayLetter(std::uint8_t variable, LetterRange letters) {
    if (variable >= letters.first && variable <= letters.last) {
        return static_cast<char>((variable & 0x1F) | 0x60);
    }
    return static_cast<char>(variable);
}

Description DescribeSpectrumHeader(const Fields& f, std::int32_t length) {
    const std::uint8_t type = f.Byte(TypeAt);
    if (type > 3) {
        return {Outcome::Described, Bracketed("Invalid header descriptor", length - 2)};
    }
    if (!f.Has(NameAt, NameSize) || !f.Has(Param2At, 2)) {
        return Abandoned(length);
    }
    const std::string_view name = f.Name();
    const unsigned dataLength = f.Word(DataLengthAt);
    const unsigned param1 = f.Word(Param1At);
    const unsigned param2 = f.Word(Param2At);
    switch (type) {
    case 0:
        if (param1 < 32768) {
            return {Outcome::Described, HeaderLine("Program     : ", name,
                                                   " [Line=" + Number(param1) + ", Vars Area=+" +
                                                       Number(param2) + "]")};
        }
        return {Outcome::Described,
                HeaderLine("Program     : ", name, " [Vars Area=" + Number(param2) + "]")};
    case 1:
        return {Outcome::Described,
                HeaderLine("Number Array: ", name,
                           std::string(" [Variable=") +
                               ArrayLetter(f.Byte(VariableAt), NumberArrayLetters) + "()]")};
    case 2:
        return {Outcome::Described,
                HeaderLine("Char Array  : ", name,
                           std::string(" [Variable=") +
                               ArrayLetter(f.Byte(VariableAt), CharArrayLetters) + "$()]")};
    default:
        return {Outcome::Described,
                HeaderLine("Code        : ", name,
                           " [Start=" + Number(param1) + ", Length=" + Number(dataLength) + "]")};
    }
}

Description DescribeSpectrum(const Fields& f, std::int32_t length) {
    const std::uint8_t flag = f.Byte(FlagAt);
    if (length == SpectrumHeaderLength && flag == 0) {
        if (!f.Has(TypeAt)) {
            return Abandoned(length);
        }
        return DescribeSpectrumHeader(f, length);
    }
    if (flag == 255) {
        return {Outcome::Described, DataLine(length)};
    }
    if (length == SpectrumHeaderLength) {
        return {Outcome::Described, Bracketed("Unknown header type", 17)};
    }
    return {Outcome::Described, UnknownBlockLine(length)};
}

Description DescribeAce(const Fields& f, std::int32_t length, bool isTapFile, bool badChecksum,
                        bool& ExpectHeader) {
    const std::uint8_t flag = f.Byte(FlagAt);
    Description d;
    bool recognised = true;
    if ((isTapFile && ExpectHeader) || (!isTapFile && length == AceHeaderLength && flag == 0)) {
        if (!f.Has(DataLengthAt, 2)) {
            return Abandoned(length);
        }
        const std::uint8_t type = f.Byte(TypeAt);
        const std::string detail = " [Length=" + Number(f.Word(DataLengthAt)) + "]";
        if (type == 0) {
            d = {Outcome::Described, HeaderLine("Dictionary  : ", f.Name(), detail)};
        } else if (type == 32) {
            d = {Outcome::Described, HeaderLine("Bytes       : ", f.Name(), detail)};
        } else {
            // Padded like the other labels so that the name stays in its column.
            std::string label = "Type " + Number(type);
            label.resize(12, ' ');
            label += ": ";
            d = {Outcome::NoText, HeaderLine(label, f.Name(), detail)};
        }
    } else if (isTapFile || flag == 255) {
        d = {Outcome::Described, DataLine(length)};
    } else {
        d = {Outcome::Described, UnknownBlockLine(length)};
        recognised = false;
    }
    if (badChecksum) {
        d.text += ChecksumNote;
    }
    ExpectHeader = recognised ? !ExpectHeader : true;
    return d;
}

Description Describe(const TapeBlock& block, MachineKind machine, bool isTapFile,
                     bool& ExpectHeader) {
    const Fields f(block.Bytes);
    if (!f.Has(FlagAt)) {
        return Abandoned(block.Length);
    }
    if (machine == MachineKind::Spectrum) {
        // Only a checksum that fits neither rule is shown: one that covers
        // the flag too is replaced on reading and lists as good.
        Description d = DescribeSpectrum(f, block.Length);
        if (d.outcome != Outcome::Abandoned && block.Verdict == ChecksumVerdict::Damaged) {
            d.text += ChecksumNote;
        }
        return d;
    }
    return DescribeAce(f, block.Length, isTapFile, block.BadChecksum, ExpectHeader);
}

} // namespace

std::optional<std::string> DescribeBlock(const TapeBlock& block, MachineKind machine,
                                         bool isTapFile, bool& ExpectHeader) {
    Description d = Describe(block, machine, isTapFile, ExpectHeader);
    if (d.outcome != Outcome::Described) {
        return std::nullopt;
    }
    return std::move(d.text);
}

std::string ContentsRow(const TapeBlock& block, MachineKind machine, bool isTapFile,
                        bool& ExpectHeader) {
    if (block.Length == 0) {
        return "Empty block [Length=0]";
    }
    return Describe(block, machine, isTapFile, ExpectHeader).text;
}

} // namespace bitreel
