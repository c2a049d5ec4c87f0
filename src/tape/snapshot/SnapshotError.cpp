#include "tape/snapshot/SnapshotError.h"

namespace bitreel {
namespace {

class SnapshotCategory final : public std::error_category {
public:
    const char* name() const noexcept override { return "snapshot"; }
    std::string message(int code) const override {
        switch (SnapshotError(code)) {
        case SnapshotError::UnknownFormat:
            return "not a snapshot Bitreel reads (.z80, .sna or .szx)";
        case SnapshotError::Cut:
            return "the file ends before its snapshot does";
        case SnapshotError::WrongSize:
            return "not the size a snapshot of its kind has";
        case SnapshotError::BadPage:
            return "a memory page cannot be read";
        case SnapshotError::Missing:
            return "the file lacks part of the machine's state";
        case SnapshotError::UnknownVersion:
            return "a version of the format Bitreel does not know";
        case SnapshotError::UnknownMachine:
            return "a machine the format does not define";
        case SnapshotError::BadValue:
            return "a value no Spectrum program can resume with";
        case SnapshotError::OtherMachine:
            return "Bitreel restores the Spectrum 48K, 128K, +2, +2A and +3";
        case SnapshotError::NotSpectrumRom:
            return "Bitreel restores programs that run with the Spectrum's own ROM";
        case SnapshotError::DiskInUse:
            return "Bitreel restores memory, registers and paging, not a disk drive";
        case SnapshotError::NoLoaderRoom:
            return "the loader has no room to restore it";
        case SnapshotError::SpectrumOnly:
            return "a snapshot is a Spectrum program; choose the Spectrum to open it";
        }
        return "cannot be read as a snapshot";
    }
};

} // namespace

std::error_code MakeError(SnapshotError error) noexcept {
    static const SnapshotCategory category;
    return {int(error), category};
}

std::system_error SnapshotFailure(SnapshotError error, const std::string& detail) {
    return std::system_error(MakeError(error), detail);
}

} // namespace bitreel
