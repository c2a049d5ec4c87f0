#pragma once

#include "serial/PortTable.h"
#include "transfer/AudioOutput.h"

#include <QStringList>

#include <string>
#include <string_view>

namespace bitreel::cli {

// Each command takes the words after its name and returns the exit status.
int ListCommand(const QStringList& arguments);
int PlayCommand(const QStringList& arguments);
int RecordCommand(const QStringList& arguments);
int ConvertCommand(const QStringList& arguments);
int RescueCommand(const QStringList& arguments);
int PortsCommand(const QStringList& arguments);
int ViewCommand(const QStringList& arguments);
int CheckCommand(const QStringList& arguments);
int CompanionCommand(const QStringList& arguments);

// The lines of `bitreel ports` for a port table: each number, its device,
// and whether it opens now, and when not, why.
[[nodiscard]] std::string PortsReport(const PortTable& table);
// The lines of `bitreel ports --audio`: each sound output's and then each
// input's id and description, marked "(output)" or "(input)", the defaults
// "(output, default)" and "(input, default)".
[[nodiscard]] std::string AudioDevicesReport(const std::vector<AudioDeviceInfo>& outputs,
                                             const std::vector<AudioDeviceInfo>& inputs);

} // namespace bitreel::cli
