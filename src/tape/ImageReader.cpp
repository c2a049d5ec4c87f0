// Chooses between the TZX, PZX and block-by-block readers by the file's name.
#include "tape/ImageReader.h"

#include "tape/ContentsIndex.h"
#include "tape/ContentsList.h"
#include "tape/PzxReader.h"
#include "tape/TapeFile.h"
#include "tape/TzxReader.h"

#include <cerrno>
#include <string_view>
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

std::vector<std::string> TakeRows(TapeEntries& entries) {
    std::vector<std::string> rows;
    rows.reserve(entries.size());
    for (TapeEntry& entry : entries) {
        rows.push_back(std::move(entry.Row));
    }
    return rows;
}

} // namespace

std::optional<ImageFormat> ImageFormatOf(const std::filesystem::path& path, MachineKind machine) {
    if (machine != MachineKind::Spectrum) {
        return std::nullopt;
    }
    if (EndsWith(path, ".TZX")) {
        return ImageFormat::Tzx;
    }
    if (EndsWith(path, ".PZX")) {
        return ImageFormat::Pzx;
    }
    return std::nullopt;
}

TapeEntries ReadEntries(std::span<const std::uint8_t> bytes, ImageFormat format, FrameUse frames) {
    return format == ImageFormat::Tzx ? TzxReader::Read(bytes, frames)
                                      : PzxReader::Read(bytes, frames);
}

std::optional<TapeEntries> LoadTapeEntries(const std::filesystem::path& path, MachineKind machine,
                                           FrameUse frames) {
    const auto format = ImageFormatOf(path, machine);
    if (!format) {
        return std::nullopt;
    }
    TapeFile file(path);
    // The same limit as for every other image.
    if (file.Size() > ContentsIndex::MaxFileSize) {
        throw std::system_error(EFBIG, std::generic_category(), "Cannot read " + path.string());
    }
    std::vector<std::uint8_t> bytes;
    bytes.reserve(file.Size());
    (void)file.Read(file.Size(), bytes);
    file.Close();
    return ReadEntries(bytes, *format, frames);
}

std::vector<std::string> LoadImageContents(const std::filesystem::path& path, MachineKind machine,
                                           TapeLayout layout, bool& ExpectHeader) {
    if (auto entries = LoadTapeEntries(path, machine, FrameUse::Drop)) {
        ExpectHeader = true;
        return TakeRows(*entries);
    }
    return LoadContents(path, machine, layout, ExpectHeader);
}

} // namespace bitreel
