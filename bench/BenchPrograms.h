#pragma once

// Spectrum BASIC programs of a chosen size for the timed programs.

#include <cstdint>
#include <vector>

namespace bitreel::bench {

// A program of the given size made of one busy line over and over: keywords,
// numbers with their hidden 5-byte forms (one hiding another value), a
// string with colour controls.
inline std::vector<std::uint8_t> Program(std::size_t size) {
    const std::vector<std::uint8_t> text = {
        0xF5, 0x16, '1', '0',  0x0E, 0,    0,   10,  0,    0,   ',',  '5', 0x0E, 0,    0,    5,
        0,    0,    ';', '"',  0x10, 2,    'S', 'c', 'o',  'r', 'e',  '"', ';',  0xB2, 'x',  '*',
        '3',  '.',  '5', 0x0E, 0x82, 0x60, 0,   0,   0,    ':', 0xFA, 'a', 0xC7, 'b',  0xCB, 0xEC,
        '0',  0x0E, 0,   0,    0xFF, 0x76, 0,   ':', 0xFD, '0', 0x0E, 0,   0,    0xFF, 0x76, 0};
    std::vector<std::uint8_t> program;
    for (unsigned number = 1; program.size() + text.size() + 5 <= size; ++number) {
        program.push_back(static_cast<std::uint8_t>((number >> 8) & 0x3F));
        program.push_back(static_cast<std::uint8_t>(number & 0xFF));
        const auto length = text.size() + 1;
        program.push_back(static_cast<std::uint8_t>(length & 0xFF));
        program.push_back(static_cast<std::uint8_t>(length >> 8));
        program.insert(program.end(), text.begin(), text.end());
        program.push_back(0x0D);
    }
    return program;
}

} // namespace bitreel::bench
