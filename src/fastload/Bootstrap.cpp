// The bootstrap's BASIC program and header.
#include "fastload/Bootstrap.h"

#include <string>

namespace bitreel::fastload {
namespace {

constexpr std::uint8_t Randomize = 0xF9, Usr = 0xC0, Val = 0xB0, Peek = 0xBE, Rem = 0xEA;
constexpr std::uint8_t Quote = '"', Colon = ':', Enter = 0x0D;
constexpr std::uint16_t LineNumber = 10;
// PROG, the system variable that says where the program starts.
constexpr std::string_view Prog = "23635";
constexpr std::string_view ProgHigh = "23636";

void Append(std::vector<std::uint8_t>& out, std::string_view text) {
    out.insert(out.end(), text.begin(), text.end());
}

} // namespace

std::vector<std::uint8_t> BootstrapProgram(std::span<const std::uint8_t> code) {
    // The code's place in the line: its number and length, then the
    // statement up to the REM, whose own length holds two digits.
    constexpr std::size_t LineHead = 4;
    std::vector<std::uint8_t> statement{Randomize, Usr, Val, Quote, Peek};
    Append(statement, Prog);
    Append(statement, "+256*");
    statement.push_back(Peek);
    Append(statement, ProgHigh);
    statement.push_back('+');
    const std::size_t offset = LineHead + statement.size() + 2 + 3;
    Append(statement, std::to_string(offset));
    statement.insert(statement.end(), {Quote, Colon, Rem});

    std::vector<std::uint8_t> line;
    line.reserve(LineHead + statement.size() + code.size() + 1);
    line.push_back(LineNumber >> 8);
    line.push_back(LineNumber & 0xFF);
    line.push_back(0);
    line.push_back(0);
    line.insert(line.end(), statement.begin(), statement.end());
    line.insert(line.end(), code.begin(), code.end());
    line.push_back(Enter);
    const std::size_t length = line.size() - LineHead;
    line[2] = static_cast<std::uint8_t>(length);
    line[3] = static_cast<std::uint8_t>(length >> 8);
    return line;
}

std::array<std::uint8_t, 17> BootstrapHeader(std::string_view name, std::size_t programSize) {
    std::array<std::uint8_t, 17> header{};
    header[0] = 0; // a program
    for (std::size_t i = 0; i < 10; ++i) {
        header[1 + i] = i < name.size() ? static_cast<std::uint8_t>(name[i]) : ' ';
    }
    const auto size = static_cast<std::uint16_t>(programSize);
    header[11] = static_cast<std::uint8_t>(size);
    header[12] = static_cast<std::uint8_t>(size >> 8);
    header[13] = static_cast<std::uint8_t>(LineNumber);
    header[14] = static_cast<std::uint8_t>(LineNumber >> 8);
    header[15] = header[11]; // no variables after the program
    header[16] = header[12];
    return header;
}

std::vector<std::uint8_t> RomBlock(std::uint8_t flag, std::span<const std::uint8_t> bytes) {
    std::vector<std::uint8_t> block{flag};
    block.insert(block.end(), bytes.begin(), bytes.end());
    std::uint8_t checksum = 0;
    for (const std::uint8_t byte : block) {
        checksum ^= byte;
    }
    block.push_back(checksum);
    return block;
}

} // namespace bitreel::fastload
