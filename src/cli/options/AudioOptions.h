#pragma once

#include "signal/render/RenderOptions.h"

#include <QCommandLineOption>
#include <QCommandLineParser>
#include <QString>

#include <string>

namespace bitreel::cli {

// --rate, --invert and --level: how a tape becomes sound.
struct AudioOptions {
    QCommandLineOption rate;
    QCommandLineOption invert;
    QCommandLineOption level;
};

// Their help names the sound they shape: "a sound file OUT", "the sound
// card's sound (--audio)".
[[nodiscard]] AudioOptions AddAudioOptions(QCommandLineParser& parser, const QString& sound);

// The render options they give; the error text when a value is not one of
// the rates or no percentage from 1 to 100.
struct AudioOptionsParse {
    RenderOptions render;
    std::string error;
};
[[nodiscard]] AudioOptionsParse ReadAudioOptions(const QCommandLineParser& parser,
                                                 const AudioOptions& options);

// Whether any of them was given.
[[nodiscard]] bool AnySet(const QCommandLineParser& parser, const AudioOptions& options);

} // namespace bitreel::cli
