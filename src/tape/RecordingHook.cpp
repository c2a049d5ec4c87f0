#include "tape/RecordingHook.h"

#include "tape/TapeChoice.h"

#include <cerrno>
#include <system_error>
#include <utility>

namespace bitreel {
namespace {

RecordingReader& Installed() {
    static RecordingReader reader;
    return reader;
}

} // namespace

void InstallRecordingReader(RecordingReader reader) {
    Installed() = std::move(reader);
}

bool IsRecordingPath(const std::filesystem::path& path) {
    const std::string extension = UpperExtension(path);
    return extension == ".WAV" || extension == ".FLAC" || extension == ".CSW";
}

std::vector<std::uint8_t> ReadRecording(const std::filesystem::path& path, MachineKind machine) {
    if (!Installed()) {
        throw std::system_error(ENOTSUP, std::generic_category(), "Cannot read a recording here");
    }
    return Installed()(path, machine);
}

} // namespace bitreel
