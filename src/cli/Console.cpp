// Text out to standard output and standard error.
#include "cli/Console.h"

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

std::string Latin1ToUtf8(std::string_view latin1) {
    std::string utf8;
    utf8.reserve(latin1.size());
    for (const char c : latin1) {
        const auto code = static_cast<unsigned char>(c);
        if (code < 0x80) {
            utf8 += c;
        } else {
            utf8 += static_cast<char>(0xC0 | (code >> 6));
            utf8 += static_cast<char>(0x80 | (code & 0x3F));
        }
    }
    return utf8;
}

void Write(std::FILE* stream, std::string_view text) {
    std::fwrite(text.data(), 1, text.size(), stream);
}

void ReportError(std::string_view message) {
    std::fflush(stdout);
    std::string line = "bitreel: ";
    line += message;
    line += '\n';
    Write(stderr, line);
    std::fflush(stderr);
}

bool IsTerminal(std::FILE* stream) {
    return BITREEL_ISATTY(BITREEL_FILENO(stream)) != 0;
}

} // namespace bitreel::cli
