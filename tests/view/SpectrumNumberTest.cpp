#include "view/basic/SpectrumNumber.h"

#include "support/TestNames.h"

#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <cstdint>
#include <string>

namespace {

using bitreel::view::DecodeSpectrumNumber;
using bitreel::view::FormatSpectrumNumber;

struct NumberCase {
    const char* name;
    std::array<std::uint8_t, 5> bytes;
    double value;      // exact
    const char* shown; // as the machine prints it
};

void PrintTo(const NumberCase& c, std::ostream* os) {
    *os << c.name;
}

const NumberCase kNumbers[] = {
    {"small zero", {0x00, 0x00, 0x00, 0x00, 0x00}, 0, "0"},
    {"small one", {0x00, 0x00, 0x01, 0x00, 0x00}, 1, "1"},
    {"small 30463", {0x00, 0x00, 0xFF, 0x76, 0x00}, 30463, "30463"},
    {"small 65535", {0x00, 0x00, 0xFF, 0xFF, 0x00}, 65535, "65535"},
    {"small minus one", {0x00, 0xFF, 0xFF, 0xFF, 0x00}, -1, "-1"},
    {"small minus 65536", {0x00, 0xFF, 0x00, 0x00, 0x00}, -65536, "-65536"},
    {"half exact", {0x80, 0x00, 0x00, 0x00, 0x00}, 0.5, "0.5"},
    {"half as the machine makes it",
     {0x7F, 0x7F, 0xFF, 0xFF, 0xFF},
     0.5 - std::ldexp(1.0, -33),
     "0.5"},
    {"minus one and a half", {0x81, 0xC0, 0x00, 0x00, 0x00}, -1.5, "-1.5"},
    {"pi", {0x82, 0x49, 0x0F, 0xDA, 0xA2}, std::ldexp(3373259426.0, -30), "3.1415927"},
    {"a third", {0x7F, 0x2A, 0xAA, 0xAA, 0xAB}, std::ldexp(2863311531.0, -33), "0.33333333"},
    // No 0 before the point once a zero follows it: the machine's own quirk.
    {"five hundredths", {0x7C, 0x4C, 0xCC, 0xCC, 0xCD}, std::ldexp(3435973837.0, -36), ".05"},
    {"ten thousandth", {0x70, 0x27, 0xC5, 0xAC, 0x47}, std::ldexp(2814749767.0, -48), ".00001"},
    {"millionth in E form", {0x6D, 0x06, 0x37, 0xBD, 0x06}, std::ldexp(2251799814.0, -51), "1E-6"},
    {"eight digits", {0x98, 0x3C, 0x61, 0x4E, 0x00}, 12345678, "12345678"},
    {"nine digits in E form", {0x9B, 0x6B, 0x79, 0xA2, 0xA0}, 123456789, "1.2345679E+8"},
    {"rounding up to nine digits",
     {0x9B, 0x3E, 0xBC, 0x1F, 0xF3},
     std::ldexp(3199999987.0, -5),
     "1E+8"},
    {"ten to the ten", {0xA2, 0x15, 0x02, 0xF9, 0x00}, 1e10, "1E+10"},
    {"largest",
     {0xFF, 0x7F, 0xFF, 0xFF, 0xFF},
     std::ldexp(4294967295.0, 127 - 32),
     "1.7014118E+38"},
    {"smallest", {0x01, 0x00, 0x00, 0x00, 0x00}, std::ldexp(1.0, -128), "2.9387359E-39"},
};

class SpectrumNumber : public testing::TestWithParam<NumberCase> {};

TEST_P(SpectrumNumber, DecodesExactlyAndPrintsAsTheMachine) {
    const auto& c = GetParam();
    const double value = DecodeSpectrumNumber(c.bytes);
    EXPECT_EQ(value, c.value);
    EXPECT_EQ(FormatSpectrumNumber(value), c.shown);
}

INSTANTIATE_TEST_SUITE_P(Forms, SpectrumNumber, testing::ValuesIn(kNumbers),
                         bitreel::test::ByName());

} // namespace
