#pragma once

#include "serial/SerialPort.h"

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace bitreel {

// The port list's entry text for a number: "COM" + number in plain decimal.
[[nodiscard]] std::string PortEntryText(int number);

// The port number a list entry names: the number after "COM", rounded to a
// whole number; no value when the text names none.
[[nodiscard]] std::optional<int> PortNumberOfEntry(std::string_view text);

// Appends "COMn" to entries for every n from 1 to 16, in ascending order,
// whose number is accepted and whose port opens; the port is left closed.
// The list is only added to. Never throws: every failing step is skipped.
// Returns, in port order, what the user is to be told of each port left out
// because this user may not open its device.
std::vector<std::string> ScanComPorts(SerialPort& port, std::vector<std::string>& entries);

// The port list's click: closes the port if open, takes the number from the
// chosen text (after "COM"), and opens it. On any failure it falls back
// silently: it empties entries, scans again, and opens the chosen port if the
// scan found it again, else the first port found; with none, the port stays
// closed with number 1. Returns the text the list shows afterwards (the
// chosen text, or "COM" + the fallback number, "COM0" when none). Never throws.
[[nodiscard]] std::string ChoosePort(SerialPort& port, std::vector<std::string>& entries,
                                     std::string_view chosenText);

// What Play and Record are told when no port is chosen in the list.
inline constexpr std::string_view NoPortOpenText = "No serial port is open";

// Whether Play and Record can use the port chosen in the list.
struct PortReopening {
    bool open = false;
    std::string reason; // why not: the open's own failure, or NoPortOpenText
    std::string shown;  // the text the list shows afterwards
};

// Before Play and Record: the port chosen in the list (its entry text, empty
// when the list shows none) is used when open, and opened again once, with
// its settings, when not: an adapter pulled out and plugged in again comes
// back. When it does not open, the ports are listed afresh as ChoosePort's
// fallback lists them. Never throws.
[[nodiscard]] PortReopening ReopenChosenPort(SerialPort& port, std::vector<std::string>& entries,
                                             std::string_view chosenText);

} // namespace bitreel
