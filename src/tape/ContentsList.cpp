// Lists a tape image: one row per block, row k for block k of the file.
#include "tape/ContentsList.h"

#include "tape/BlockDescription.h"
#include "tape/BlockReader.h"

#include <type_traits>

namespace bitreel {

bool IsTapPath(const std::filesystem::path& path) {
    const auto& native = path.native();
    if (native.size() < 3) {
        return false;
    }
    // The last three characters only; anything outside ASCII cannot match.
    std::string last;
    for (std::size_t i = native.size() - 3; i < native.size(); ++i) {
        using Unit = std::make_unsigned_t<std::filesystem::path::value_type>;
        const auto c = static_cast<Unit>(native[i]);
        last += c < 128 ? static_cast<char>(c) : '?';
    }
    return IsTapFile(last);
}

std::vector<std::string> LoadContents(TapeFile& file, MachineKind machine, TapeLayout layout,
                                      bool isTapFile, bool& ExpectHeader) {
    std::vector<std::string> rows;
    TapeBlock block;
    ExpectHeader = true;
    while (!file.AtEnd()) {
        if (!ReadBlock(file, block, layout, ExpectHeader)) {
            rows.emplace_back(CorruptBlockRow);
        } else if (block.Length >= 0) {
            rows.push_back(ContentsRow(block, machine, isTapFile, ExpectHeader));
        }
    }
    return rows;
}

std::vector<std::string> LoadContents(const std::filesystem::path& path, MachineKind machine,
                                      TapeLayout layout, bool& ExpectHeader) {
    TapeFile file(path);
    return LoadContents(file, machine, layout, IsTapPath(path), ExpectHeader);
}

} // namespace bitreel
