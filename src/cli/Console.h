#pragma once

#include <cstdio>
#include <string>
#include <string_view>

namespace bitreel::cli {

// Row and name bytes are Latin-1 characters; a terminal or a pipe wants UTF-8.
[[nodiscard]] std::string Latin1ToUtf8(std::string_view latin1);

// Writes text as it stands.
void Write(std::FILE* stream, std::string_view text);

// "bitreel: " and the message, one line on standard error.
void ReportError(std::string_view message);

// Whether the stream is a terminal (progress redrawn in place) or a file or
// pipe (one plain line per block).
[[nodiscard]] bool IsTerminal(std::FILE* stream);

} // namespace bitreel::cli
