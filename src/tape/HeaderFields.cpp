// Decodes the fields of Spectrum and Jupiter Ace header blocks.
#include "tape/HeaderFields.h"

#include "tape/ByteCursor.h"

#include <span>

namespace bitreel {
namespace {

// Positions in Bytes: 0-1 length field, 2 flag, 3 the header type.
constexpr std::size_t TypeAt = 3;
constexpr std::size_t NameAt = 4;
constexpr std::size_t NameSize = 10;
constexpr std::size_t DataLengthAt = 14;
constexpr std::size_t Param1At = 16;
constexpr std::size_t VariableAt = 17;
constexpr std::size_t Param2At = 18;

constexpr std::int32_t SpectrumHeaderLength = 19;

// Type, name and data length: what every header of both machines holds.
std::optional<HeaderFields> CommonFields(std::span<const std::uint8_t> bytes) {
    const auto dataLength = Le16At(bytes, DataLengthAt);
    if (!dataLength || bytes.size() < NameAt + NameSize) {
        return std::nullopt;
    }
    HeaderFields fields;
    fields.typeByte = bytes[TypeAt];
    fields.name.assign(reinterpret_cast<const char*>(bytes.data() + NameAt), NameSize);
    fields.dataLength = *dataLength;
    return fields;
}

} // namespace

std::optional<HeaderFields> DecodeSpectrumHeader(const TapeBlock& block) {
    const std::span<const std::uint8_t> bytes(block.Bytes);
    if (block.Length != SpectrumHeaderLength || bytes.size() < 2 + SpectrumHeaderLength ||
        bytes[2] != 0 || bytes[TypeAt] > 3) {
        return std::nullopt;
    }
    auto fields = CommonFields(bytes);
    const std::uint16_t param1 = Le16At(bytes, Param1At).value_or(0);
    const std::uint16_t param2 = Le16At(bytes, Param2At).value_or(0);
    switch (fields->typeByte) {
    case 0:
        fields->type = "program";
        if (param1 < 32768) {
            fields->line = param1;
        }
        fields->variables = param2;
        break;
    case 1:
        fields->type = "number array";
        fields->variable = bytes[VariableAt];
        break;
    case 2:
        fields->type = "char array";
        fields->variable = bytes[VariableAt];
        break;
    default:
        fields->type = "code";
        fields->start = param1;
        break;
    }
    return fields;
}

std::optional<HeaderFields> DecodeAceHeader(const TapeBlock& block) {
    const std::span<const std::uint8_t> bytes(block.Bytes);
    auto fields = CommonFields(bytes);
    if (!fields) {
        return std::nullopt;
    }
    switch (fields->typeByte) {
    case 0:
        fields->type = "dictionary";
        break;
    case 32:
        fields->type = "bytes";
        // The address the bytes were saved from, right after the length.
        if (const auto start = Le16At(bytes, Param1At)) {
            fields->start = *start;
        }
        break;
    default:
        fields->type = std::to_string(fields->typeByte);
        break;
    }
    return fields;
}

} // namespace bitreel
