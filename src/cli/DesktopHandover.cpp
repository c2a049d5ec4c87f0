#include "cli/DesktopHandover.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string_view>
#include <system_error>

#include <unistd.h>

namespace bitreel::cli {
namespace {

namespace fs = std::filesystem;

constexpr std::string_view DesktopName = "bitreel-desktop";

// Beside `bitreel` in a build tree; installed, where the package puts it
// (BITREEL_DESKTOP_FROM_BINDIR, relative to the directory of `bitreel`).
fs::path DesktopExecutable() {
    std::error_code error;
    const fs::path self = fs::read_symlink("/proc/self/exe", error);
    const fs::path here = error ? fs::path(".") : self.parent_path();
    if (fs::path beside = here / DesktopName; fs::exists(beside, error)) {
        return beside;
    }
    return (here / BITREEL_DESKTOP_FROM_BINDIR).lexically_normal();
}

} // namespace

bool NeedsSoundCard(std::span<char* const> commandWords) {
    for (const std::string_view word : commandWords) {
        if (word == "--") {
            break;
        }
        if (word == "--audio" || word.starts_with("--audio=")) {
            return true;
        }
    }
    return false;
}

void HandOverToDesktop(char* argv[]) {
    const fs::path desktop = DesktopExecutable();
    ::execv(desktop.c_str(), argv);
    std::fprintf(stderr, "bitreel: cannot start %s: %s\n", desktop.c_str(), std::strerror(errno));
}

} // namespace bitreel::cli
