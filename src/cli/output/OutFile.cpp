// The file a command writes, created without replacing one unasked.
#include "cli/output/OutFile.h"

#include "cli/output/Console.h"
#include "cli/output/ExitStatus.h"
#include "cli/output/Paths.h"

#include "transfer/OutputFile.h"

#include <system_error>

namespace bitreel::cli {

int NoBlockToWrite(const QString& inName) {
    ReportError(Shown(inName) + " holds no block; nothing is written");
    return ExitCorrupt;
}

void ReportExistingOutFile(const QString& name) {
    ReportError(Shown(name) + " exists; give --force to overwrite it");
}

bool MayCreateOutFile(const std::filesystem::path& path, const QString& name, bool force) {
    std::error_code ignored;
    if (!force && std::filesystem::exists(path, ignored)) {
        ReportExistingOutFile(name);
        return false;
    }
    return true;
}

bool WriteOutFile(const std::filesystem::path& path, const QString& name, bool force,
                  std::span<const std::uint8_t> bytes) {
    try {
        OutputFile out(path, force ? ExistingFile::Replace : ExistingFile::Keep);
        out.Write(bytes);
        out.Close();
    } catch (const std::system_error& error) {
        if (error.code() == std::errc::file_exists) {
            ReportExistingOutFile(name); // made since it was looked for
        } else {
            ReportError("cannot write " + Shown(name) + ": " + error.code().message());
        }
        return false;
    }
    return true;
}

} // namespace bitreel::cli
