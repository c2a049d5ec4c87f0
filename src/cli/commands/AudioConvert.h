#pragma once

#include "signal/render/AudioFile.h"
#include "signal/render/RenderOptions.h"
#include "tape/TapeChoice.h"

#include <QCommandLineParser>
#include <QString>

#include <filesystem>

namespace bitreel::cli {

struct RowRangeOptions;

// A tape image written as sound by `convert`.
struct AudioConversion {
    QString inName;
    std::filesystem::path in;
    TapeChoice choice; // how IN is read
    QString outName;
    std::filesystem::path out;
    AudioFileType type;
    RenderOptions render;
    bool force = false;
};

// Writes the sound file from the rows --from and --to name; each stop,
// select block and a corrupt row are told on standard error. Returns the
// exit status.
[[nodiscard]] int ConvertToAudio(const QString& command, const AudioConversion& conversion,
                                 const QCommandLineParser& parser, const RowRangeOptions& rows);

} // namespace bitreel::cli
