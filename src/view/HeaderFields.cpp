#include "view/HeaderFields.h"

#include "tape/ByteCursor.h"
#include "view/AceDictionary.h"
#include "view/SpectrumArrays.h"

#include <cstdio>
#include <string>

namespace bitreel::view {
namespace {

constexpr std::size_t kSpectrumHeaderBytes = 17;
constexpr std::size_t kNameAt = 1;
constexpr std::size_t kNameSize = 10;
constexpr std::size_t kLengthAt = 11;
constexpr std::size_t kParameter1At = 13;
constexpr std::size_t kVariableAt = 14;
constexpr std::size_t kParameter2At = 15;
// A program saved without LINE has an autostart line of 32768 or more.
constexpr unsigned kNoAutostart = 32768;

std::string Latin1Name(std::span<const std::uint8_t> header) {
    std::string name = "\"";
    for (const std::uint8_t byte : header.subspan(kNameAt, kNameSize)) {
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
    const std::uint8_t type = header[0];
    static constexpr const char* kTypes[] = {"Program", "Number Array", "Char Array", "Code"};
    view.lines.push_back(TypeLine(type, type < 4 ? kTypes[type] : "unknown"));
    view.lines.push_back("Name: " + Latin1Name(header));
    view.lines.push_back("Data length: " + Word(header, kLengthAt));
    switch (type) {
    case 0: {
        const unsigned line = *Le16At(header, kParameter1At);
        view.lines.push_back("Autostart line: " +
                             (line < kNoAutostart ? std::to_string(line) : std::string("none")));
        view.lines.push_back("Program length: " + Word(header, kParameter2At));
        break;
    }
    case 1:
    case 2:
        view.lines.push_back("Variable: " + ArrayName(header[kVariableAt], type == 2) + "()");
        break;
    case 3:
        view.lines.push_back("Start: " + Address(header, kParameter1At));
        break;
    default:
        view.lines.push_back("Parameters: " + Word(header, kParameter1At) + ", " +
                             Word(header, kParameter2At));
        break;
    }
    return view;
}

TextView AceFields(std::span<const std::uint8_t> header) {
    TextView view;
    const std::uint8_t type = header[0];
    view.lines.push_back(TypeLine(type, type == 0    ? "Dictionary"
                                        : type == 32 ? "Bytes"
                                                     : "unknown"));
    view.lines.push_back("Name: " + Latin1Name(header));
    view.lines.push_back("Data length: " + Word(header, kLengthAt));
    view.lines.push_back("Start: " + Address(header, kParameter1At));
    if (type == 0) {
        view.lines.push_back("Newest word at: " + Address(header, kParameter2At));
    }
    return view;
}

} // namespace

TextView ListHeaderFields(MachineKind machine, std::span<const std::uint8_t> header) {
    const std::size_t size =
        machine == MachineKind::Spectrum ? kSpectrumHeaderBytes : AceHeaderBytes;
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
