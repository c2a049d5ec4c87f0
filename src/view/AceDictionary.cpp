#include "view/AceDictionary.h"

#include "tape/formats/ByteCursor.h"

#include <cstdio>
#include <string>

namespace bitreel::view {

namespace {

// From a word's name length field back to the end of its name: the link and
// the word length lie between.
constexpr std::size_t kFieldsBeforeNameLength = 4;

std::string Address(std::size_t address) {
    return std::to_string(address);
}

std::string AceName(std::span<const std::uint8_t> bytes) {
    std::string name;
    for (const auto byte : bytes) {
        const auto ch = static_cast<std::uint8_t>(byte & 0x7F);
        if (ch >= 0x20 && ch < 0x7F) {
            name += static_cast<char>(ch);
        } else {
            char hex[8];
            std::snprintf(hex, sizeof hex, "{%02X}", ch);
            name += hex;
        }
    }
    return name;
}

} // namespace

TextView ListAceWords(std::span<const std::uint8_t> header, std::span<const std::uint8_t> data) {
    TextView view;
    const auto start = Le16At(header, HeaderParam1At);
    const auto newest = Le16At(header, HeaderParam2At);
    if (header.size() < AceHeaderBytes || !start || !newest) {
        view.problems.push_back("the header has " + std::to_string(header.size()) +
                                " bytes, not the " + std::to_string(AceHeaderBytes) +
                                " of a Jupiter Ace header");
        return view;
    }
    const std::size_t end = *start + data.size();
    std::size_t address = *newest;
    while (address >= *start && address < end) {
        const std::size_t field = address - *start;
        const std::size_t nameLength = data[field] & 0x3F;
        if (nameLength == 0 || field < kFieldsBeforeNameLength + nameLength) {
            view.problems.push_back("the word at " + Address(address) +
                                    " has a name that does not fit before it");
            return view;
        }
        const std::size_t nameStart = field - kFieldsBeforeNameLength - nameLength;
        view.lines.push_back(AceName(data.subspan(nameStart, nameLength)));
        const auto link = Le16At(data, field - 2);
        if (!link || *link >= address) {
            view.problems.push_back("the word " + view.lines.back() + " at " + Address(address) +
                                    " does not link to an older word");
            return view;
        }
        address = *link;
    }
    if (address >= end) {
        view.problems.push_back("the newest word's address " + Address(address) +
                                " lies past the end of the block (" + Address(*start) + " + " +
                                std::to_string(data.size()) + " bytes)");
    }
    return view;
}

} // namespace bitreel::view
