// Lists a tape image: one row per block, row k for block k of the file.
#include "tape/ContentsList.h"

#include "tape/TapeImage.h"

namespace bitreel {
namespace {

std::vector<std::string> Rows(TapeImage image, bool& ExpectHeader) {
    std::vector<std::string> rows;
    image.ForEachRow([&rows](std::size_t, std::string& row) { rows.push_back(std::move(row)); });
    ExpectHeader = image.ExpectHeader();
    return rows;
}

} // namespace

std::vector<std::string> LoadContents(TapeFile& file, MachineKind machine, TapeLayout layout,
                                      bool isTapFile, bool& ExpectHeader) {
    std::vector<std::uint8_t> bytes;
    while (file.Read(1 << 16, bytes) > 0) {
    }
    return Rows(TapeImage(std::move(bytes), ImageFormat::Blocks, machine, layout, isTapFile),
                ExpectHeader);
}

std::vector<std::string> LoadContents(const std::filesystem::path& path, MachineKind machine,
                                      TapeLayout layout, bool& ExpectHeader) {
    return Rows(TapeImage(path, machine, layout), ExpectHeader);
}

} // namespace bitreel
