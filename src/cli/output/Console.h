#pragma once

#include <cstdio>
#include <filesystem>
#include <string>
#include <string_view>
#include <system_error>

namespace bitreel::cli {

// What the command line prints of a tape's text. Row and name bytes are
// Latin-1 characters, which a terminal or a pipe gets in UTF-8; but bytes that
// anyone could have written must not steer the terminal or break a line:
// each control character (0x00-0x1F) and DEL shows as its Unicode picture
// (U+2400 + code, U+2421), and the C1 codes 0x80-0x9F show as U+FFFD.
[[nodiscard]] std::string Latin1ToUtf8(std::string_view latin1);
// The same, appended to out.
void AppendLatin1AsUtf8(std::string& out, std::string_view latin1);

// The same rule for UTF-8 text built from a tape's bytes, such as a view of a
// block: ShownLine pictures every control character, ShownLines keeps the
// line breaks of text that is made of lines. A byte that is not UTF-8 shows
// as U+FFFD.
[[nodiscard]] std::string ShownLine(std::string_view utf8);
[[nodiscard]] std::string ShownLines(std::string_view utf8);

// Writes text as it stands.
void Write(std::FILE* stream, std::string_view text);

// "bitreel: " and the message, one line on standard error; the message is
// shown by ShownLine, since it may quote a tape's text or a file's name.
void ReportError(std::string_view message);

// "cannot open NAME: reason" for a file that is not there, else "cannot read
// NAME: reason", as ReportError says it.
void ReportFileError(std::string_view name, const std::filesystem::path& path,
                     const std::system_error& error);

// Whether the stream is a terminal (progress redrawn in place) or a file or
// pipe (one plain line per block).
[[nodiscard]] bool IsTerminal(std::FILE* stream);

} // namespace bitreel::cli
