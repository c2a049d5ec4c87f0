#pragma once

#include "signal/RenderOptions.h"

#include <QCommandLineParser>

#include <string>

namespace bitreel::cli {

// --rate, --invert and --level: how a tape is made into sound.
void AddSoundOptions(QCommandLineParser& parser);

// True when any of them is given.
[[nodiscard]] bool SoundOptionsGiven(const QCommandLineParser& parser);

// Reads them back over the defaults; the error text when a value is not
// one of the choices.
struct SoundOptionsParse {
    RenderOptions options;
    std::string error;
};
[[nodiscard]] SoundOptionsParse ReadSoundOptions(const QCommandLineParser& parser);

} // namespace bitreel::cli
