#include "view/basic/BasicListing.h"
#include "view/basic/BasicProgram.h"
#include "view/basic/BasicVariables.h"
#include "view/basic/SpectrumArrays.h"

#include "ZmakebasProgram.h"
#include "support/TestNames.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

namespace test = bitreel::test;
using test::Bytes;
using namespace bitreel::view;
using Lines = std::vector<std::string>;

// One program line: number high byte first, length low byte first, the
// text, ENTER.
Bytes Line(unsigned number, const Bytes& text) {
    Bytes line{static_cast<std::uint8_t>(number >> 8), static_cast<std::uint8_t>(number & 0xFF)};
    test::PutWord(line, static_cast<unsigned>(text.size() + 1));
    line.insert(line.end(), text.begin(), text.end());
    line.push_back(0x0D);
    return line;
}

Bytes Concat(std::initializer_list<Bytes> parts) {
    Bytes all;
    for (const auto& part : parts) {
        all.insert(all.end(), part.begin(), part.end());
    }
    return all;
}

struct LineCase {
    const char* name;
    Bytes text; // one line's text, without its ENTER
    const char* listed;
};

void PrintTo(const LineCase& c, std::ostream* os) {
    *os << c.name;
}

constexpr std::uint8_t N = 0x0E; // number marker
constexpr std::uint8_t PRINT = 0xF5;
constexpr std::uint8_t DEF_FN = 0xCE;

const LineCase kLines[] = {
    // The 5 bytes after a number stay hidden while they hold what the digits show.
    {"clear that hides its real value", {0xFD, '0', N, 0, 0, 0xFF, 0x76, 0}, "CLEAR 0{30463}"},
    {"clear as written", {0xFD, '3', '0', '4', '6', '3', N, 0, 0, 0xFF, 0x76, 0}, "CLEAR 30463"},
    {"half as the machine stores it",
     {PRINT, '0', '.', '5', N, 0x7F, 0x7F, 0xFF, 0xFF, 0xFF},
     "PRINT 0.5"},
    {"exponent form", {PRINT, '1', 'e', '3', N, 0, 0, 0xE8, 0x03, 0}, "PRINT 1e3"},
    {"negative exponent",
     {PRINT, '2', 'E', '-', '1', N, 0x7E, 0x4C, 0xCC, 0xCC, 0xCD},
     "PRINT 2E-1"},
    {"binary digits", {PRINT, 0xC4, '1', '0', '1', N, 0, 0, 5, 0, 0}, "PRINT BIN 101"},
    {"binary digits that lie", {PRINT, 0xC4, '1', N, 0, 0, 5, 0, 0}, "PRINT BIN 1{5}"},
    {"negative hidden value", {PRINT, '1', N, 0, 0xFF, 0xFF, 0xFF, 0}, "PRINT 1{-1}"},
    {"fraction hidden behind digits",
     {PRINT, '3', N, 0x82, 0x49, 0x0F, 0xDA, 0xA2},
     "PRINT 3{3.1415927}"},
    {"no digits at all", {PRINT, N, 0, 0, 7, 0, 0}, "PRINT {7}"},
    {"digits in the hidden bytes of the number before",
     {PRINT, '4', '9', N, 0, 0, '1', 0, '5', '-', '2', N, 0, 0, 2, 0, 0},
     "PRINT 49-2"},
    {"variable name ending in a digit",
     {PRINT, 'a', '1', '+', '1', N, 0, 0, 1, 0, 0},
     "PRINT a1+1"},
    // Keyword spacing.
    {"functions take no leading space",
     {PRINT, 'a', ';', 0xAF, '"', 'a', '"'},
     "PRINT a;CODE \"a\""},
    {"RND INKEY$ and PI take no trailing space",
     {PRINT, 0xA5, '*', 0xA6, '+', 0xA7},
     "PRINT RND*INKEY$+PI"},
    {"commands take a leading space", {PRINT, 'x', 0xC5, 'y', 0xC6, 'z'}, "PRINT x OR y AND z"},
    {"comparisons take none", {0xFA, 'a', 0xC7, 'b', 0xCB, 0xE2}, "IF a<=b THEN STOP"},
    {"no second space after a colon and space", {0xE2, ':', ' ', 0xE2}, "STOP : STOP"},
    {"stream keywords end in no space", {0xD3, '3'}, "OPEN #3"},
    {"keyword after a keyword", {0xF1, 'a', '$', '=', 0xC1, 0xBB, 'x'}, "LET a$=STR$ SQR x"},
    // Codes without a character of their own.
    {"ink", {PRINT, 0x10, 2, '"', 'r', '"'}, "PRINT {INK 2}\"r\""},
    {"every colour control",
     {0x10, 1, 0x11, 7, 0x12, 1, 0x13, 0, 0x14, 1, 0x15, 0},
     "{INK 1}{PAPER 7}{FLASH 1}{BRIGHT 0}{INVERSE 1}{OVER 0}"},
    {"at and tab", {PRINT, 0x16, 3, 4, 0x17, 0x2C, 0x01}, "PRINT {AT 3,4}{TAB 300}"},
    {"control operand may be ENTER", {PRINT, 0x10, 0x0D, 'a'}, "PRINT {INK 13}a"},
    {"graphics and symbols",
     {0xEA, 0x80, 0x81, 0x8F, 0x90, 0xA2, 0x5E, 0x60, 0x7F, 0x06},
     "REM  ▝█{UDG A}{UDG S}↑£©{06}"},
    {"text after ENTER inside the length is not shown", {0xE2, 0x0D, 'x'}, "STOP"},
    // DEF FN keeps a slot after each parameter for FN's argument; the machine
    // lists none, whatever the slot holds.
    {"def fn slot hidden",
     {DEF_FN, 'h', '(', 'x', N, 0, 0, 0x6B, 0x02, 0, ')', '=', 'x', '*', '2', N, 0, 0, 2, 0, 0},
     "DEF FN h(x)=x*2"},
    {"def fn slots of two parameters",
     {DEF_FN, 'f', '$', '(', 'a', N, 0, 0, 0,   0,   0,   ',',
      'b',    '$', N,   1,   2,   3, 4, 5, ')', '=', 'b', '$'},
     "DEF FN f$(a,b$)=b$"},
    {"def fn body keeps its hidden values",
     {DEF_FN, 'g', '(', 'x', N, 0, 0, 0, 0, 0, ')', '=', '1', N, 0, 0, 9, 0, 0},
     "DEF FN g(x)=1{9}"},
    {"a second statement after def fn",
     {DEF_FN, 'k', '(', ')', '=', '0', N, 0, 0, 0, 0, 0, ':', PRINT, N, 0, 0, 7, 0, 0},
     "DEF FN k()=0: PRINT {7}"},
};

class BasicLine : public testing::TestWithParam<LineCase> {};

TEST_P(BasicLine, ListsAsTheMachine) {
    const auto listing = ListBasicProgram(Line(10, GetParam().text));
    EXPECT_EQ(listing.lines, Lines{std::string("10 ") + GetParam().listed});
    EXPECT_TRUE(listing.problems.empty());
}

INSTANTIATE_TEST_SUITE_P(Texts, BasicLine, testing::ValuesIn(kLines), test::ByName());

struct DamageCase {
    const char* name;
    Bytes program;
    Lines lines;
    const char* problem;
};

void PrintTo(const DamageCase& c, std::ostream* os) {
    *os << c.name;
}

const DamageCase kDamage[] = {
    {"line longer than the program",
     {0, 10, 50, 0, 0xE2, 0x0D},
     {"10 STOP"},
     "line 10 is 50 bytes long but only 2 are left in the program"},
    {"stray bytes",
     Concat({Line(10, {0xE2}), {0, 20, 1}}),
     {"10 STOP"},
     "3 stray bytes at the end of the program, offset 6"},
    {"number cut short by the line's end",
     Line(10, {PRINT, '1', N, 0, 0}),
     {"10 PRINT 1"},
     "line 10 ends inside a number's 5 bytes"},
    {"line number from the high byte", Line(0x1234, {0xE2}), {"4660 STOP"}, nullptr},
};

class BasicDamage : public testing::TestWithParam<DamageCase> {};

TEST_P(BasicDamage, KeepsTheLinesBeforeAndSaysWhatIsWrong) {
    const auto listing = ListBasicProgram(GetParam().program);
    EXPECT_EQ(listing.lines, GetParam().lines);
    EXPECT_EQ(listing.problems, GetParam().problem ? Lines{GetParam().problem} : Lines{});
}

INSTANTIATE_TEST_SUITE_P(Programs, BasicDamage, testing::ValuesIn(kDamage), test::ByName());

// Small integers 1 to 6 and the number 1.5 in the 5-byte form.
Bytes Int(std::uint8_t value) {
    return {0, 0, value, 0, 0};
}
const Bytes kOneAndAHalf{0x81, 0x40, 0, 0, 0};

struct VariablesCase {
    const char* name;
    Bytes variables;
    Lines lines;
    Lines problems;
};

void PrintTo(const VariablesCase& c, std::ostream* os) {
    *os << c.name;
}

const VariablesCase kVariables[] = {
    {"number", Concat({{0x61}, Int(5), {0x80}}), {"a = 5"}, {}},
    {"long name",
     Concat({{0xB4, 'o', 't', 'a', 'l' | 0x80}, kOneAndAHalf, {0x80}}),
     {"total = 1.5"},
     {}},
    {"string", {0x42, 2, 0, 'h', 0x10, 0x80}, {"b$ = \"h{INK ?}\""}, {}},
    {"number array",
     Concat({{0x83, 35, 0, 2, 2, 0, 3, 0}, Int(1), Int(2), Int(3), Int(4), Int(5), Int(6), {0x80}}),
     {"c(2,3)", "  (1) 1, 2, 3", "  (2) 4, 5, 6"},
     {}},
    {"char array",
     {0xC4, 9, 0, 2, 2, 0, 2, 0, 'a', 'b', 'c', 'd', 0x80},
     {"d$(2,2)", "  (1) \"ab\"", "  (2) \"cd\""},
     {}},
    {"for loop",
     Concat({{0xE9}, Int(3), Int(10), Int(1), {20, 0, 2}, {0x80}}),
     {"i = 3 (TO 10 STEP 1, loops to line 20 statement 2)"},
     {}},
    {"all kinds in a row",
     Concat(
         {{0x61}, Int(5), {0x42, 1, 0, 'x'}, {0xE9}, Int(3), Int(10), Int(1), {20, 0, 2}, {0x80}}),
     {"a = 5", "b$ = \"x\"", "i = 3 (TO 10 STEP 1, loops to line 20 statement 2)"},
     {}},
    {"unknown type",
     {0x61, 0, 0, 1, 0, 0, 0x21, 0x80},
     {"a = 1"},
     {"unknown variable type 0x21 at offset 6 of the variables"}},
    {"string past the end",
     {0x42, 9, 0, 'h', 'i'},
     {},
     {"the variable at offset 0 of the variables (type 0x42) runs past the end"}},
    {"long name past the end",
     {0xB4, 'o', 't'},
     {},
     {"the variable at offset 0 of the variables (type 0xB4) runs past the end"}},
    // SAVE leaves the marker out: an area that ends after a whole variable is whole.
    {"no end marker, as saved", Concat({{0x61}, Int(5)}), {"a = 5"}, {}},
    {"ends inside a number",
     {0x61, 0, 0, 5},
     {},
     {"the variable at offset 0 of the variables (type 0x61) runs past the end"}},
};

class BasicVariables : public testing::TestWithParam<VariablesCase> {};

TEST_P(BasicVariables, ListsNamesAndValues) {
    const auto view = ListBasicVariables(GetParam().variables);
    EXPECT_EQ(view.lines, GetParam().lines);
    EXPECT_EQ(view.problems, GetParam().problems);
}

INSTANTIATE_TEST_SUITE_P(Areas, BasicVariables, testing::ValuesIn(kVariables), test::ByName());

struct ArrayCase {
    const char* name;
    bool characters;
    Bytes data;
    Lines lines;
    Lines problems;
};

void PrintTo(const ArrayCase& c, std::ostream* os) {
    *os << c.name;
}

const ArrayCase kArrays[] = {
    {"one dimension",
     false,
     Concat({{1, 3, 0}, Int(1), kOneAndAHalf, Int(3)}),
     {"a(3)", "  1, 1.5, 3"},
     {}},
    {"three dimensions",
     true,
     {3, 2, 0, 1, 0, 2, 0, 'a', 'b', 'c', 'd'},
     {"a$(2,1,2)", "  (1,1) \"ab\"", "  (2,1) \"cd\""},
     {}},
    {"elements missing",
     false,
     Concat({{1, 3, 0}, Int(1), {0, 0}}),
     {"a(3)", "  1"},
     {"the array a holds 1 elements where its dimensions need 3"}},
    {"dimensions beyond any block",
     true,
     {4, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 'x'},
     {"a$(65535,65535,65535,65535)", "  (1,1,1) \"x\""},
     {"the array a$ holds 1 elements where its dimensions need more"}},
    {"a zero dimension", false, {2, 0, 0, 5, 0}, {"a(0,5)"}, {}},
    {"dimensions cut short",
     false,
     {2, 1, 0},
     {},
     {"the array a is cut short in its 2 dimensions"}},
    {"empty", false, {}, {}, {"the array a has no dimensions byte"}},
};

class SpectrumArray : public testing::TestWithParam<ArrayCase> {};

TEST_P(SpectrumArray, ListsDimensionsAndValues) {
    const auto& c = GetParam();
    const auto view = c.characters ? ListCharArray(c.data, ArrayName(0xC1, true))
                                   : ListNumberArray(c.data, ArrayName(0x81, false));
    EXPECT_EQ(view.lines, c.lines);
    EXPECT_EQ(view.problems, c.problems);
}

INSTANTIATE_TEST_SUITE_P(Arrays, SpectrumArray, testing::ValuesIn(kArrays), test::ByName());

TEST(ListBasic, SplitsProgramAndVariablesAtTheHeadersOffset) {
    const Bytes program = Line(10, {0xE2});
    const Bytes data = Concat({program, {0x61}, Int(5), {0x80}});
    const auto listing = ListBasic(data, program.size());
    EXPECT_EQ(listing.Text(), "10 STOP\n\nVariables:\na = 5\n");
    EXPECT_EQ(ListBasic(program, program.size()).Text(), "10 STOP\n");
    EXPECT_EQ(ListBasic(program, 100).Text(),
              "10 STOP\n! the header puts the variables at offset 100, past the 6 bytes of data\n");
}

// Numbers written in many forms come out as written: the digits and the
// tool's own 5-byte forms agree, so no value shows in braces.
TEST(ListBasic, NumbersFromAnOutsideToolShowNoHiddenValues) {
    const std::string zmakebas = BITREEL_ZMAKEBAS;
    if (zmakebas.empty()) {
        GTEST_SKIP() << "zmakebas not installed";
    }
    const Lines source = {
        "10 PRINT 0.1;1e3;.5;1.5e-3;BIN 1010;65535;65536;3.14159",
        "20 LET total=-2.5E10: DIM a(10,3): PRINT AT 21,0;\"done\"",
        "30 IF total<0 THEN GO TO 10",
    };
    std::string text;
    for (const auto& line : source) {
        text += line + "\n";
    }
    const test::TempDir dir;
    const auto built = test::BuildWithZmakebas(dir, zmakebas, text);
    ASSERT_TRUE(built.has_value());
    const auto listing = ListBasic(built->data, built->programLength);
    ASSERT_EQ(listing.program.lines.size(), source.size());
    for (std::size_t i = 0; i < source.size(); ++i) {
        EXPECT_EQ(test::CollapseSpaces(listing.program.lines[i]), source[i]);
    }
    EXPECT_TRUE(listing.program.problems.empty());
}

} // namespace
