#pragma once

// Spectrum programs built from source text by zmakebas, an outside tool
// that writes tape images, and listed by listbasic, an outside lister.

#include "support/TapeBuilder.h"
#include "support/TempDir.h"

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <optional>
#include <string>
#include <vector>

namespace bitreel::test {

struct BuiltProgram {
    Bytes data;                     // the data block's payload
    std::size_t programLength = 0;  // the header's "Vars Area" offset
    std::filesystem::path tapePath; // the image zmakebas wrote
};

inline std::vector<std::string> ReadLines(const std::filesystem::path& path) {
    std::ifstream in(path);
    std::vector<std::string> lines;
    for (std::string line; std::getline(in, line);) {
        lines.push_back(line);
    }
    return lines;
}

// The program zmakebas makes of source, or no value when it fails.
inline std::optional<BuiltProgram> BuildWithZmakebas(const TempDir& dir, const std::string& tool,
                                                     const std::string& source) {
    const auto basPath = dir / "program.bas";
    const auto tapPath = dir / "program.tap";
    std::ofstream(basPath) << source;
    const std::string command =
        "'" + tool + "' -n prog -o '" + tapPath.string() + "' '" + basPath.string() + "'";
    if (std::system(command.c_str()) != 0) {
        return std::nullopt;
    }
    std::ifstream in(tapPath, std::ios::binary);
    const Bytes tape{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    // A 19-byte header block (flag 0, 17 bytes, checksum), then the data
    // block: length, flag, payload, checksum.
    constexpr std::size_t kDataBlock = 21;
    if (tape.size() < kDataBlock + 4 || tape[0] != 19 || tape[1] != 0) {
        return std::nullopt;
    }
    const std::size_t length = tape[kDataBlock] | (tape[kDataBlock + 1] << 8);
    if (length < 2 || tape.size() < kDataBlock + 2 + length) {
        return std::nullopt;
    }
    BuiltProgram built;
    built.data.assign(tape.begin() + kDataBlock + 3, tape.begin() + kDataBlock + 1 + length);
    built.programLength = tape[3 + 15] | (tape[3 + 16] << 8);
    built.tapePath = tapPath;
    return built;
}

// listbasic's listing of the image, one entry per line with the line
// number's padding and the spaces at the end trimmed; no value when the
// tool fails.
inline std::optional<std::vector<std::string>>
ListWithListbasic(const TempDir& dir, const std::string& tool,
                  const std::filesystem::path& tapePath) {
    const auto outPath = dir / "listing.txt";
    const std::string command =
        "'" + tool + "' '" + tapePath.string() + "' > '" + outPath.string() + "'";
    if (std::system(command.c_str()) != 0) {
        return std::nullopt;
    }
    auto lines = ReadLines(outPath);
    for (auto& line : lines) {
        line.erase(0, line.find_first_not_of(' '));
        line.erase(line.find_last_not_of(' ') + 1);
    }
    return lines;
}

// The text with every run of spaces made one space and no space at either end.
inline std::string CollapseSpaces(const std::string& text) {
    std::string out;
    for (const char ch : text) {
        if (ch == ' ' && (out.empty() || out.back() == ' ')) {
            continue;
        }
        out += ch;
    }
    if (!out.empty() && out.back() == ' ') {
        out.pop_back();
    }
    return out;
}

} // namespace bitreel::test
