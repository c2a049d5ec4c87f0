#pragma once

#include <chrono>
#include <string>
#include <string_view>

namespace bitreel {

enum class Parity { None, Even, Odd, Mark, Space };
enum class StopBits { One, OneAndHalf, Two };

// How the line's flow is controlled; the numbers are the port control's own.
enum class Handshake { None = 0, RtsCts = 2 };

// Baud rate, parity, data bits and stop bits of the line, as the settings
// string "9600,n,8,1" gives them.
struct LineSettings {
    int baud = 9600;
    Parity parity = Parity::None;
    int dataBits = 8;
    StopBits stopBits = StopBits::One;

    // How long one byte takes on the wire: start bit, data, parity, stop.
    [[nodiscard]] std::chrono::nanoseconds ByteTime() const;

    friend bool operator==(const LineSettings&, const LineSettings&) = default;
};

// Reads "baud,parity,data bits,stop bits": a positive baud rate, parity one
// of n e o m s (either case), 5 to 8 data bits, 1, 1.5 or 2 stop bits, with
// nothing else around them. Throws PortError on anything else.
[[nodiscard]] LineSettings ParseLineSettings(std::string_view text);

// The settings as ParseLineSettings reads them, parity in lower case.
[[nodiscard]] std::string LineSettingsText(const LineSettings& settings);

} // namespace bitreel
