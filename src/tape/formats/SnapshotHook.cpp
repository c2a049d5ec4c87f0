#include "tape/formats/SnapshotHook.h"

#include "tape/TapeFile.h"
#include "tape/snapshot/ReadSnapshot.h"

#include <cerrno>
#include <system_error>
#include <utility>

namespace bitreel {
namespace {

SnapshotTapeBuilder& Installed() {
    static SnapshotTapeBuilder builder;
    return builder;
}

} // namespace

void InstallSnapshotTapeBuilder(SnapshotTapeBuilder builder) {
    Installed() = std::move(builder);
}

bool IsSnapshotPath(const std::filesystem::path& path) {
    return SnapshotFormatOf(path).has_value();
}

SnapshotTape ReadSnapshotTape(const std::filesystem::path& path, std::uint64_t maxSize) {
    const auto format = SnapshotFormatOf(path);
    if (!format) {
        throw SnapshotFailure(SnapshotError::UnknownFormat, path.filename().string());
    }
    if (!Installed()) {
        throw std::system_error(ENOTSUP, std::generic_category(), "Cannot read a snapshot here");
    }
    SnapshotTape tape;
    tape.snapshot =
        std::make_shared<const Snapshot>(ReadSnapshot(ReadWholeFile(path, maxSize), *format));
    tape.tzx = Installed()(*tape.snapshot);
    return tape;
}

} // namespace bitreel
