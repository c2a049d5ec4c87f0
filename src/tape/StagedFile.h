#pragma once

// Files that are written under a name of their own beside the one they are
// for, and take that name in one atomic step only once they hold what they
// must: until then a file of that name stays as it was, and a write that
// fails leaves nothing behind.

#include <cstdio>
#include <filesystem>

namespace bitreel {

// The name a new file is for: through a link, the file it leads to, so that
// the link stays a link.
[[nodiscard]] std::filesystem::path StagingTarget(const std::filesystem::path& path);

// A target that is there but no plain file (a device such as /dev/null, a
// pipe) is no file to replace: it is written in place, as it stands.
[[nodiscard]] bool WrittenInPlace(const std::filesystem::path& target);

// Creates a new file of a hidden name beside target (one no list of tape
// images shows), opened with mode ("wb", or "wb+" to read back what was
// written), and gives its name in staging. Null, with errno, when none can
// be made.
[[nodiscard]] std::FILE* CreateStagingFile(const std::filesystem::path& target,
                                           std::filesystem::path& staging, const char* mode);

// Moves the file at from to the name to; with keep, fails with EEXIST
// rather than replace a file there. 0 or the error.
[[nodiscard]] int MoveIntoPlace(const std::filesystem::path& from, const std::filesystem::path& to,
                                bool keep);

// Makes the file's bytes durable and gives it the permissions of the file it
// is to replace, if there is one. 0 or the error.
[[nodiscard]] int ReadyToReplace(std::FILE* file, const std::filesystem::path& target, bool keep);

} // namespace bitreel
