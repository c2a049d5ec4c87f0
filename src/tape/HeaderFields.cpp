// Decodes the fields of Spectrum and Jupiter Ace header blocks.
#include "tape/HeaderFields.h"

#include "tape/formats/ByteCursor.h"

namespace bitreel {
namespace {

// Type, name, data length and the two words: what every header of both
// machines holds.
std::optional<HeaderFields> CommonFields(std::span<const std::uint8_t> payload) {
    const auto dataLength = Le16At(payload, HeaderDataLengthAt);
    if (!dataLength) {
        return std::nullopt;
    }
    HeaderFields fields;
    fields.typeByte = payload[HeaderTypeAt];
    fields.name.assign(reinterpret_cast<const char*>(payload.data() + HeaderNameAt),
                       HeaderNameSize);
    fields.dataLength = *dataLength;
    fields.param1 = Le16At(payload, HeaderParam1At).value_or(0);
    fields.param2 = Le16At(payload, HeaderParam2At).value_or(0);
    return fields;
}

} // namespace

std::optional<HeaderFields> DecodeSpectrumHeader(std::span<const std::uint8_t> payload) {
    if (payload.size() < SpectrumHeaderBytes || payload[HeaderTypeAt] > 3) {
        return std::nullopt;
    }
    auto fields = CommonFields(payload);
    switch (fields->typeByte) {
    case 0:
        fields->type = "program";
        if (fields->param1 < NoAutostartLine) {
            fields->line = fields->param1;
        }
        fields->variables = fields->param2;
        break;
    case 1:
        fields->type = "number array";
        fields->variable = payload[HeaderVariableAt];
        break;
    case 2:
        fields->type = "char array";
        fields->variable = payload[HeaderVariableAt];
        break;
    default:
        fields->type = "code";
        fields->start = fields->param1;
        break;
    }
    return fields;
}

std::optional<HeaderFields> DecodeAceHeader(std::span<const std::uint8_t> payload) {
    auto fields = CommonFields(payload);
    if (!fields) {
        return std::nullopt;
    }
    switch (fields->typeByte) {
    case AceDictionaryType:
        fields->type = "dictionary";
        break;
    case AceBytesType:
        fields->type = "bytes";
        // The address the bytes were saved from, right after the length.
        if (Le16At(payload, HeaderParam1At)) {
            fields->start = fields->param1;
        }
        break;
    default:
        fields->type = std::to_string(fields->typeByte);
        break;
    }
    return fields;
}

std::optional<char> ArrayLetter(std::uint8_t variable, bool characters) noexcept {
    const std::uint8_t kind = characters ? 0xC0 : 0x80;
    const std::uint8_t letter = variable & 0x1F;
    if ((variable & 0xE0) != kind || letter < 1 || letter > 26) {
        return std::nullopt;
    }
    return static_cast<char>(letter | 0x60);
}

} // namespace bitreel
