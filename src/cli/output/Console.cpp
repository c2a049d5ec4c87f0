// Text out to standard output and standard error.
#include "cli/output/Console.h"

#include "tape/TapeImage.h"
#include "tape/Utf8.h"

#ifdef _WIN32
#include <io.h>
#define BITREEL_ISATTY _isatty
#define BITREEL_FILENO _fileno
#else
#include <unistd.h>
#define BITREEL_ISATTY ::isatty
#define BITREEL_FILENO ::fileno
#endif

namespace bitreel::cli {

namespace {

constexpr char32_t Replacement = 0xFFFD;

// The one rule: what a terminal is shown of a character of a tape's text.
char32_t Shown(char32_t code) {
    constexpr char32_t ControlPictures = 0x2400;
    constexpr char32_t DeletePicture = 0x2421;
    if (code < 0x20) {
        return ControlPictures + code;
    }
    if (code == 0x7F) {
        return DeletePicture;
    }
    if (code >= 0x80 && code <= 0x9F) {
        return Replacement;
    }
    return code;
}

void AppendUtf8(std::string& out, char32_t code) {
    if (code < 0x80) {
        out += static_cast<char>(code);
    } else if (code < 0x800) {
        out += static_cast<char>(0xC0 | (code >> 6));
        out += static_cast<char>(0x80 | (code & 0x3F));
    } else if (code < 0x10000) {
        out += static_cast<char>(0xE0 | (code >> 12));
        out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (code & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (code >> 18));
        out += static_cast<char>(0x80 | ((code >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (code & 0x3F));
    }
}

std::string ShownUtf8(std::string_view utf8, bool keepLineBreaks) {
    std::string out;
    out.reserve(utf8.size());
    for (std::size_t at = 0; at < utf8.size();) {
        const Utf8Char c = DecodeUtf8(utf8, at);
        const char32_t code = c.valid ? c.code : Replacement;
        AppendUtf8(out, keepLineBreaks && code == '\n' ? code : Shown(code));
        at += c.length;
    }
    return out;
}

} // namespace

void AppendLatin1AsUtf8(std::string& out, std::string_view latin1) {
    // Printable ASCII, most of every row, goes in whole runs.
    std::size_t run = 0;
    for (std::size_t i = 0; i < latin1.size(); ++i) {
        const auto byte = static_cast<unsigned char>(latin1[i]);
        if (byte >= 0x20 && byte < 0x7F) {
            continue;
        }
        out.append(latin1.substr(run, i - run));
        AppendUtf8(out, Shown(byte));
        run = i + 1;
    }
    out.append(latin1.substr(run));
}

std::string Latin1ToUtf8(std::string_view latin1) {
    std::string utf8;
    utf8.reserve(latin1.size());
    AppendLatin1AsUtf8(utf8, latin1);
    return utf8;
}

std::string ShownLine(std::string_view utf8) {
    return ShownUtf8(utf8, false);
}

std::string ShownLines(std::string_view utf8) {
    return ShownUtf8(utf8, true);
}

void Write(std::FILE* stream, std::string_view text) {
    if (!text.empty()) {
        std::fwrite(text.data(), 1, text.size(), stream);
    }
}

void ReportError(std::string_view message) {
    std::fflush(stdout);
    std::string line = "bitreel: ";
    line += ShownLine(message);
    line += '\n';
    Write(stderr, line);
    std::fflush(stderr);
}

bool IsTerminal(std::FILE* stream) {
    return BITREEL_ISATTY(BITREEL_FILENO(stream)) != 0;
}

void ReportFileError(std::string_view name, const std::filesystem::path& path,
                     const std::system_error& error) {
    std::error_code ignored;
    const bool exists = std::filesystem::exists(path, ignored);
    ReportError(std::string(exists ? "cannot read " : "cannot open ") + std::string(name) + ": " +
                ReadFailureText(error));
}

} // namespace bitreel::cli
