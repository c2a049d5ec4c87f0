#include "tape/formats/RecordingHook.h"

#include "tape/TapeChoice.h"

#include <cerrno>
#include <mutex>
#include <optional>
#include <system_error>
#include <utility>

namespace bitreel {
namespace {

RecordingReader& Installed() {
    static RecordingReader reader;
    return reader;
}

// The last recording read: telling a recording's machine reads it, and
// opening it then reads it again.
struct LastRead {
    std::filesystem::path path;
    MachineKind machine = MachineKind::Spectrum;
    std::uintmax_t size = 0;
    std::filesystem::file_time_type written;
    std::vector<std::uint8_t> tzx;
};

std::mutex lastMutex;
std::optional<LastRead> last;

class RecordingCategory final : public std::error_category {
public:
    const char* name() const noexcept override { return "recording"; }
    std::string message(int code) const override {
        switch (RecordingError(code)) {
        case RecordingError::NotSound:
            return "not a sound file that can be read";
        case RecordingError::RateTooLow:
            return "its rate is below 8000 Hz, too low to hear a tape's bits";
        case RecordingError::Channels:
            return "a recording is read in mono or stereo only";
        case RecordingError::NotCsw:
            return "not a CSW v1 or v2 recording";
        case RecordingError::TooManyPulses:
            return "it holds more pulses than two hours of tape";
        }
        return "cannot be read as a recording";
    }
};

} // namespace

std::error_code MakeError(RecordingError error) noexcept {
    static const RecordingCategory category;
    return {int(error), category};
}

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
    std::error_code ec;
    const auto size = std::filesystem::file_size(path, ec);
    const auto written = std::filesystem::last_write_time(path, ec);
    if (ec) {
        return Installed()(path, machine);
    }
    {
        const std::lock_guard lock(lastMutex);
        if (last && last->path == path && last->machine == machine && last->size == size &&
            last->written == written) {
            return last->tzx;
        }
    }
    auto tzx = Installed()(path, machine);
    const std::lock_guard lock(lastMutex);
    last = LastRead{path, machine, size, written, tzx};
    return tzx;
}

} // namespace bitreel
