#include "view/HeaderFields.h"

#include "tape/HeaderFields.h"
#include "tape/formats/ByteCursor.h"
#include "view/AceDictionary.h"
#include "view/basic/SpectrumArrays.h"

#include <cstdio>
#include <string>

namespace bitreel::view {
namespace {

std::string Latin1Name(std::span<const std::uint8_t> header) {
    std::string name = "\"";
    for (const std::uint8_t byte : header.subspan(HeaderNameAt, HeaderNameSize)) {
        if (byte < 0x80) {
            name += static_cast<char>(byte);
        } else {
            name += static_cast<char>(0xC0 | (byte >> 6));
            name += static_cast<char>(0x80 | (byte & 0x3F));
        }
    }
    return name + "\"";
}

std::string Word(std::span<const std::uint8_t> header, std::size_t at) {
    return std::to_string(*Le16At(header, at));
}

std::string Address(std::span<const std::uint8_t> header, std::size_t at) {
    const unsigned value = *Le16At(header, at);
    char text[24];
    std::snprintf(text, sizeof text, "%u (0x%04X)", value, value);
    return text;
}

std::string TypeLine(std::uint8_t type, const char* name) {
    return "Type: " + std::string(name) + " (" + std::to_string(type) + ")";
}

TextView SpectrumFields(std::span<const std::uint8_t> header) {
    TextView view;
    const std::uint8_t type = header[HeaderTypeAt];
    static constexpr const char* kTypes[] = {"Program", "Number Array", "Char Array", "Code"};
    view.lines.push_back(TypeLine(type, type < 4 ? kTypes[type] : "unknown"));
    view.lines.push_back("Name: " + Latin1Name(header));
    view.lines.push_back("Data length: " + Word(header, HeaderDataLengthAt));
    switch (type) {
    case 0: {
        const unsigned line = *Le16At(header, HeaderParam1At);
        view.lines.push_back("Autostart line: " +
                             (line < NoAutostartLine ? std::to_string(line) : std::string("none")));
        view.lines.push_back("Program length: " + Word(header, HeaderParam2At));
        break;
    }
    case 1:
    case 2:
        view.lines.push_back("Variable: " + ArrayName(header[HeaderVariableAt], type == 2) + "()");
        break;
    case 3:
        view.lines.push_back("Start: " + Address(header, HeaderParam1At));
        break;
    default:
        view.lines.push_back("Parameters: " + Word(header, HeaderParam1At) + ", " +
                             Word(header, HeaderParam2At));
        break;
    }
    return view;
}

TextView AceFields(std::span<const std::uint8_t> header) {
    TextView view;
    const std::uint8_t type = header[HeaderTypeAt];
    view.lines.push_back(TypeLine(type, type == AceDictionaryType ? "Dictionary"
                                        : type == AceBytesType    ? "Bytes"
                                                                  : "unknown"));
    view.lines.push_back("Name: " + Latin1Name(header));
    view.lines.push_back("Data length: " + Word(header, HeaderDataLengthAt));
    view.lines.push_back("Start: " + Address(header, HeaderParam1At));
    if (type == AceDictionaryType) {
        view.lines.push_back("Newest word at: " + Address(header, HeaderParam2At));
    }
    return view;
}

} // namespace

TextView ListHeaderFields(MachineKind machine, std::span<const std::uint8_t> header) {
    const std::size_t size =
        machine == MachineKind::Spectrum ? SpectrumHeaderBytes : AceHeaderBytes;
    if (header.size() != size) {
        TextView view;
        view.problems.push_back("The header holds " + std::to_string(header.size()) +
                                " bytes; a header of this machine holds " + std::to_string(size) +
                                ".");
        return view;
    }
    return machine == MachineKind::Spectrum ? SpectrumFields(header) : AceFields(header);
}

} // namespace bitreel::view
