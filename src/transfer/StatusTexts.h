#pragma once

#include <string_view>

namespace bitreel {

// The activity line of a running transfer.
inline constexpr std::string_view PlayingText = "Playing...";
inline constexpr std::string_view WaitingText = "Waiting...";
inline constexpr std::string_view RecordingText = "Recording...";

} // namespace bitreel
