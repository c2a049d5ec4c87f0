#pragma once

#include "serial/SystemPort.h"

#include <QString>

#include <memory>

namespace bitreel::cli {

// The line as Play and Record use it: 9600 baud, no parity, 8 data bits,
// 1 stop bit.
[[nodiscard]] LineSettings TransferLineSettings();

// Opens the port a --port argument names, set as the window's start-up sets
// the line: 9600 baud, no parity, 8 data bits, 1 stop bit, RTS/CTS, DTR low.
// Null after reporting why it cannot; status then holds the exit status.
[[nodiscard]] std::unique_ptr<SystemPort> OpenLine(const QString& command, const QString& argument,
                                                   int& status);

} // namespace bitreel::cli
