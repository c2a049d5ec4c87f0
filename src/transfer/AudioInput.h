#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

namespace bitreel {

// Where recorded sound comes from: mono samples at full scale ±1, at the
// rate the device runs at. The sound card is one; tests feed a file's
// samples.
class AudioInput {
public:
    virtual ~AudioInput() = default;

    [[nodiscard]] virtual std::uint32_t Rate() const = 0;
    // The samples captured since the last call, in place of what samples
    // held; none when nothing came.
    virtual void Read(std::vector<float>& samples) = 0;
    // Why the device failed (it went away, or its server did); none while
    // it works.
    [[nodiscard]] virtual std::optional<std::string> Failure() = 0;
};

// An input that cannot be opened: its reason for a user ("no sound input
// named Line In").
class AudioInputError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Opens the input a front end records from, at a rate. Throws AudioInputError.
using AudioInputOpener = std::function<std::unique_ptr<AudioInput>(std::uint32_t rate)>;

} // namespace bitreel
