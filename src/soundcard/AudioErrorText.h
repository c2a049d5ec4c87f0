#pragma once

#include <QAudio>

#include <optional>
#include <string>
#include <string_view>

namespace bitreel {

// A sound device's error for a user; none while it works (an underrun is
// the engine's to count). stopped says what an IO error stopped doing
// ("taking samples").
[[nodiscard]] std::optional<std::string> AudioErrorText(QAudio::Error error,
                                                        std::string_view stopped);

} // namespace bitreel
