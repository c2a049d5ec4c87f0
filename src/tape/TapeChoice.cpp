// The layouts and formats of tape images, and what a file's name chooses.
#include "tape/TapeChoice.h"

#include "tape/HeaderFields.h"
#include "tape/TapeFile.h"
#include "tape/formats/ByteCursor.h"
#include "tape/formats/RecordingHook.h"
#include "tape/formats/TzxReader.h"

#include <string>
#include <system_error>
#include <type_traits>

namespace bitreel {
namespace {

// The path ends in the given upper-case suffix, ignoring the case of ASCII
// letters; no character outside ASCII can match.
bool EndsWith(const std::filesystem::path& path, std::string_view suffix) {
    const auto& native = path.native();
    if (native.size() < suffix.size()) {
        return false;
    }
    const std::size_t start = native.size() - suffix.size();
    for (std::size_t i = 0; i < suffix.size(); ++i) {
        using Unit = std::make_unsigned_t<std::filesystem::path::value_type>;
        auto c = static_cast<Unit>(native[start + i]);
        if (c >= 'a' && c <= 'z') {
            c = static_cast<Unit>(c - 'a' + 'A');
        }
        if (c != static_cast<Unit>(suffix[i])) {
            return false;
        }
    }
    return true;
}

} // namespace

TapeLayout LayoutInForce(MachineKind machine, std::string_view formatText) {
    if (machine == MachineKind::Spectrum) {
        return TapeLayout::SpectrumTap;
    }
    return formatText == "TAP" ? TapeLayout::AceTap : TapeLayout::AceJup;
}

bool IsTapFile(std::string_view path) {
    if (path.size() < 3) {
        return false;
    }
    constexpr std::string_view tap = "TAP";
    const std::string_view last = path.substr(path.size() - 3);
    for (std::size_t i = 0; i < 3; ++i) {
        char c = last[i];
        if (c >= 'a' && c <= 'z') {
            c = static_cast<char>(c - 'a' + 'A');
        }
        if (c != tap[i]) {
            return false;
        }
    }
    return true;
}

bool IsTapPath(const std::filesystem::path& path) {
    return EndsWith(path, "TAP");
}

ImageFormat ImageFormatOf(const std::filesystem::path& path, MachineKind machine) {
    if (EndsWith(path, ".TZX") || IsRecordingPath(path)) {
        return ImageFormat::Tzx;
    }
    if (machine == MachineKind::Spectrum && EndsWith(path, ".PZX")) {
        return ImageFormat::Pzx;
    }
    return ImageFormat::Blocks;
}

TapeChoice ChoiceForFile(const std::filesystem::path& path) {
    if (EndsWith(path, ".TAP")) {
        // A Jupiter Ace TAP file has the Spectrum's extension: its first
        // block, an Ace header, tells it apart.
        try {
            TapeFile file(path);
            std::vector<std::uint8_t> start;
            (void)file.Read(2 + AceHeaderLength, start);
            if (MachineOfBlocks(start) == MachineKind::JupiterAce) {
                return {MachineKind::JupiterAce, TapeLayout::AceTap};
            }
        } catch (const std::system_error&) {
        }
        return ChoiceForName(path);
    }
    if (IsRecordingPath(path)) {
        // A recording tells its machine by its blocks. The two ROM encodings
        // are within a percent of each other, so the Spectrum's reads both.
        try {
            if (TzxReader::IsJupiterAceTape(ReadRecording(path, MachineKind::Spectrum))
                    .value_or(false)) {
                return {MachineKind::JupiterAce, TapeLayout::AceJup};
            }
        } catch (const std::system_error&) {
        }
        return ChoiceForName(path); // opening it again says why it cannot be read
    }
    if (!EndsWith(path, ".TZX")) {
        return ChoiceForName(path);
    }
    // What comes before the first data block is mostly a few short blocks,
    // and an Ace header is 27 bytes: the start of the file tells, unless it
    // ends inside a block; then the whole file does.
    constexpr std::size_t Enough = 64 * 1024;
    std::optional<bool> ace;
    try {
        TapeFile file(path);
        std::vector<std::uint8_t> start;
        (void)file.Read(Enough, start);
        ace = TzxReader::IsJupiterAceTape(start);
        if (!ace && !file.AtEnd()) {
            ace = TzxReader::IsJupiterAceTape(ReadWholeFile(path, TapeImage::MaxFileSize));
        }
    } catch (const std::system_error&) {
        return ChoiceForName(path); // reading it again says why it cannot be
    }
    if (ace.value_or(false)) {
        return {MachineKind::JupiterAce, TapeLayout::AceJup};
    }
    return ChoiceForName(path);
}

std::optional<MachineKind> MachineOfBlocks(std::span<const std::uint8_t> bytes) {
    const auto length = Le16At(bytes, 0);
    if (!length || bytes.size() < 2u + *length) {
        return std::nullopt;
    }
    const auto block = bytes.subspan(2, *length);
    constexpr std::uint8_t LastSpectrumType = 3;
    if (*length == SpectrumHeaderLength && block[0] == HeaderFlag &&
        block[1 + HeaderTypeAt] <= LastSpectrumType) {
        return MachineKind::Spectrum;
    }
    // The Ace TAP layout stores no flag; JUP does.
    const bool jup = *length == AceHeaderLength && block[0] == HeaderFlag;
    if (*length == AceHeaderLength - 1 || jup) {
        const std::uint8_t type = block[(jup ? 1 : 0) + HeaderTypeAt];
        if (type == AceDictionaryType || type == AceBytesType) {
            return MachineKind::JupiterAce;
        }
    }
    return std::nullopt;
}

std::string UpperExtension(const std::filesystem::path& path) {
    std::string extension = path.extension().string();
    for (char& c : extension) {
        if (c >= 'a' && c <= 'z') {
            c = static_cast<char>(c - 'a' + 'A');
        }
    }
    return extension;
}

TapeChoice ChoiceForName(const std::filesystem::path& path) {
    const std::string extension = UpperExtension(path);
    if (extension == ".JUP") {
        return {MachineKind::JupiterAce, TapeLayout::AceJup};
    }
    if (extension == ".DIC" || extension == ".BYT") {
        return {MachineKind::JupiterAce, TapeLayout::AceTap};
    }
    return {};
}

TapeLayout AceLayoutForName(const std::filesystem::path& path) {
    const std::string extension = UpperExtension(path);
    if (extension == ".TAP" || extension == ".DIC" || extension == ".BYT") {
        return TapeLayout::AceTap;
    }
    return TapeLayout::AceJup;
}

} // namespace bitreel
