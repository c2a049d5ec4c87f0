// Lists a tape image without keeping its rows: where each block starts, and
// each row's text made again when it is asked for.
#include "tape/ContentsIndex.h"

#include "tape/BlockDescription.h"
#include "tape/BlockReader.h"
#include "tape/ContentsList.h"
#include "tape/TapeFile.h"

#include <cerrno>
#include <system_error>

namespace bitreel {
namespace {

std::vector<std::uint8_t> ReadImage(const std::filesystem::path& path) {
    const auto tooLarge = [&path] {
        return std::system_error(EFBIG, std::generic_category(), "Cannot read " + path.string());
    };
    TapeFile file(path);
    if (file.Size() > ContentsIndex::MaxFileSize) {
        throw tooLarge();
    }
    std::vector<std::uint8_t> bytes;
    bytes.reserve(file.Size());
    file.Read(file.Size(), bytes);
    // A file that grew since it was sized is read to its end all the same.
    constexpr std::size_t Chunk = 64 * 1024;
    while (!file.AtEnd()) {
        if (bytes.size() > ContentsIndex::MaxFileSize) {
            throw tooLarge();
        }
        file.Read(Chunk, bytes);
    }
    if (bytes.size() > ContentsIndex::MaxFileSize) {
        throw tooLarge();
    }
    return bytes;
}

} // namespace

ContentsIndex::ContentsIndex(const std::filesystem::path& path, MachineKind machine,
                             TapeLayout layout)
    : ContentsIndex(ReadImage(path), machine, layout, IsTapPath(path)) {}

ContentsIndex::ContentsIndex(std::vector<std::uint8_t> bytes, MachineKind machine,
                             TapeLayout layout, bool isTapFile)
    : bytes_(std::move(bytes)), machine_(machine), layout_(layout), isTapFile_(isTapFile),
      complete_(bytes_.empty()) {
    if (bytes_.size() > MaxFileSize) {
        throw std::system_error(EFBIG, std::generic_category(), "Cannot list the image");
    }
}

bool ContentsIndex::Advance(std::size_t maxBlocks) {
    if (complete_) {
        return true;
    }
    TapeFile file = TapeFile::Over(bytes_, next_);
    TapeBlock block;
    for (std::size_t n = 0; n < maxBlocks && !file.AtEnd(); ++n) {
        const auto start = static_cast<Start>(file.Position());
        const bool expectHeader = expectHeader_;
        const bool ok = ReadBlock(file, block, layout_, expectHeader_);
        if (ok && block.Length < 0) {
            continue; // a stray last byte: no block, no row
        }
        starts_.push_back(static_cast<Start>(start << 1) | (expectHeader ? 1u : 0u));
        // Describing the block moves ExpectHeader by the Jupiter Ace rules
        // and tells the row's width; a corrupt block leaves ExpectHeader.
        const std::size_t length =
            ok ? ContentsRow(block, machine_, isTapFile_, expectHeader_).size()
               : std::char_traits<char>::length(CorruptBlockRow);
        if (length > widestLength_) {
            widestLength_ = length;
            widestRow_ = starts_.size() - 1;
        }
    }
    next_ = file.Position();
    complete_ = file.AtEnd();
    return complete_;
}

std::string ContentsIndex::Row(std::size_t row) const {
    const Start start = starts_.at(row);
    TapeFile file = TapeFile::Over(bytes_, start >> 1);
    bool expectHeader = (start & 1u) != 0;
    TapeBlock block;
    if (!ReadBlock(file, block, layout_, expectHeader)) {
        return CorruptBlockRow;
    }
    return ContentsRow(block, machine_, isTapFile_, expectHeader);
}

} // namespace bitreel
