// The file a command writes, created without replacing one unasked.
#include "cli/OutFile.h"

#include "cli/Console.h"
#include "cli/Paths.h"

#include <cerrno>
#include <cstring>

namespace bitreel::cli {

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

OutFile CreateOutFile(const std::filesystem::path& path, const QString& name, bool force) {
    // "x" creates the file only when there is none, in one step.
    OutFile file(std::fopen(path.string().c_str(), force ? "wb" : "wbx"));
    if (!file) {
        const int error = errno;
        if (error == EEXIST) {
            ReportExistingOutFile(name);
        } else {
            ReportError("cannot create " + Shown(name) + ": " + std::strerror(error));
        }
    }
    return file;
}

} // namespace bitreel::cli
