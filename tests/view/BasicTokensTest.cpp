// Every keyword token, in programs that an outside tool tokenised from
// source text.
#include "view/basic/BasicProgram.h"

#include "ZmakebasProgram.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <string>

namespace {

namespace test = bitreel::test;
using bitreel::view::ListBasicProgram;

struct TokenCase {
    std::uint8_t code;
    const char* source; // one line's text, spaced as the machine lists it
    // What zmakebas is given instead, where it cannot tokenise the word
    // itself: the code as one of its byte escapes.
    const char* escaped = nullptr;
};

const TokenCase kTokens[] = {
    {0xA3, "SPECTRUM"},
    {0xA4, "PLAY \"a\""},
    {0xA5, "PRINT RND"},
    {0xA6, "PRINT INKEY$;PI"},
    {0xA7, "PRINT PI*2"},
    {0xA8, "PRINT FN a()"},
    {0xA9, "PRINT POINT (1,2)"},
    {0xAA, "PRINT SCREEN$ (1,2)"},
    {0xAB, "PRINT ATTR (1,2)"},
    {0xAC, "PRINT AT 1,2;\"x\""},
    {0xAD, "PRINT TAB 3;\"x\""},
    {0xAE, "PRINT VAL$ \"1\"", "PRINT \\{0xAE}\"1\""},
    {0xAF, "PRINT \"a\";CODE \"a\""},
    {0xB0, "PRINT VAL \"1\""},
    {0xB1, "PRINT LEN \"ab\""},
    {0xB2, "PRINT SIN PI"},
    {0xB3, "PRINT COS 1"},
    {0xB4, "PRINT TAN 1"},
    {0xB5, "PRINT ASN 1"},
    {0xB6, "PRINT ACS 1"},
    {0xB7, "PRINT ATN 1"},
    {0xB8, "PRINT LN 1"},
    {0xB9, "PRINT EXP 1"},
    {0xBA, "PRINT INT 1"},
    {0xBB, "PRINT SQR 1"},
    {0xBC, "PRINT SGN 1"},
    {0xBD, "PRINT ABS 1"},
    {0xBE, "PRINT PEEK 0"},
    {0xBF, "PRINT IN 254"},
    {0xC0, "PRINT USR 0"},
    {0xC1, "PRINT STR$ 1"},
    {0xC2, "PRINT CHR$ 65"},
    {0xC3, "PRINT NOT 0"},
    {0xC4, "PRINT BIN 101"},
    {0xC5, "PRINT 1 OR 0"},
    {0xC6, "PRINT 1 AND 0"},
    {0xC7, "PRINT 1<=2"},
    {0xC8, "PRINT 1>=2"},
    {0xC9, "PRINT 1<>2"},
    {0xCA, "INPUT LINE a$"},
    {0xCB, "IF 1 THEN PRINT 1"},
    {0xCC, "FOR i=1 TO 2"},
    {0xCD, "FOR i=1 TO 9 STEP 2"},
    {0xCE, "DEF FN f(x)=x"},
    {0xCF, "CAT"},
    {0xD0, "FORMAT \"b\";1"},
    {0xD1, "MOVE \"a\",\"b\""},
    {0xD2, "ERASE \"a\""},
    {0xD3, "OPEN #4,\"s\""},
    {0xD4, "CLOSE #4"},
    {0xD5, "MERGE \"a\""},
    {0xD6, "VERIFY \"a\""},
    {0xD7, "BEEP 1,2"},
    {0xD8, "CIRCLE 1,2,3"},
    {0xD9, "INK 1"},
    {0xDA, "PAPER 1"},
    {0xDB, "FLASH 1"},
    {0xDC, "BRIGHT 1"},
    {0xDD, "INVERSE 1"},
    {0xDE, "OVER 1"},
    {0xDF, "OUT 254,0"},
    {0xE0, "LPRINT 1"},
    {0xE1, "LLIST"},
    {0xE2, "STOP"},
    {0xE3, "READ a"},
    {0xE4, "DATA 1,2"},
    {0xE5, "RESTORE"},
    {0xE6, "NEW"},
    {0xE7, "BORDER 1"},
    {0xE8, "CONTINUE"},
    {0xE9, "DIM a(2)"},
    {0xEA, "REM hello  there"},
    {0xEB, "FOR i=1 TO 2: NEXT i"},
    {0xEC, "GO TO 10"},
    {0xED, "GO SUB 10"},
    {0xEE, "INPUT a"},
    {0xEF, "LOAD \"\""},
    {0xF0, "LIST"},
    {0xF1, "LET a=1"},
    {0xF2, "PAUSE 1"},
    {0xF3, "NEXT i"},
    {0xF4, "POKE 1,2"},
    {0xF5, "PRINT 1"},
    {0xF6, "PLOT 1,2"},
    {0xF7, "RUN"},
    {0xF8, "SAVE \"a\""},
    {0xF9, "RANDOMIZE"},
    {0xFA, "IF a THEN STOP"},
    {0xFB, "CLS"},
    {0xFC, "DRAW 1,2"},
    {0xFD, "CLEAR 30000"},
    {0xFE, "RETURN"},
    {0xFF, "COPY"},
};

// The text bytes of each line of a program.
std::vector<test::Bytes> LineBodies(const test::Bytes& program) {
    std::vector<test::Bytes> bodies;
    for (std::size_t pos = 0; pos + 4 <= program.size();) {
        const std::size_t length = program[pos + 2] | (program[pos + 3] << 8);
        const std::size_t end = std::min(program.size(), pos + 4 + length);
        bodies.emplace_back(program.begin() + static_cast<std::ptrdiff_t>(pos + 4),
                            program.begin() + static_cast<std::ptrdiff_t>(end));
        pos = end;
    }
    return bodies;
}

TEST(BasicTokens, EveryTokenListsAsItsSource) {
    const std::string zmakebas = BITREEL_ZMAKEBAS;
    if (zmakebas.empty()) {
        GTEST_SKIP() << "zmakebas not installed";
    }
    ASSERT_EQ(std::size(kTokens), 0x100u - 0xA3u);
    std::string source;
    std::vector<std::string> expected;
    int number = 10;
    for (const auto& row : kTokens) {
        expected.push_back(std::to_string(number) + " " + row.source);
        source += std::to_string(number) + " " + (row.escaped ? row.escaped : row.source) + "\n";
        number += 10;
    }
    const test::TempDir dir;
    const auto built = test::BuildWithZmakebas(dir, zmakebas, source);
    ASSERT_TRUE(built.has_value());
    ASSERT_EQ(built->programLength, built->data.size());

    const auto listing = ListBasicProgram(built->data);
    EXPECT_TRUE(listing.problems.empty());
    ASSERT_EQ(listing.lines.size(), std::size(kTokens));
    const auto bodies = LineBodies(built->data);
    ASSERT_EQ(bodies.size(), std::size(kTokens));

    // listbasic, a lister nobody here wrote, spaces keywords as the machine
    // does; it leaves out the hidden numbers just as this listing does.
    const std::string listbasic = BITREEL_LISTBASIC;
    std::optional<std::vector<std::string>> reference;
    if (!listbasic.empty()) {
        reference = test::ListWithListbasic(dir, listbasic, built->tapePath);
    }
    for (std::size_t i = 0; i < std::size(kTokens); ++i) {
        SCOPED_TRACE(expected[i]);
        // The tool must have stored the token the row is about, or the row
        // tests nothing.
        EXPECT_NE(std::find(bodies[i].begin(), bodies[i].end(), kTokens[i].code), bodies[i].end());
        EXPECT_EQ(test::CollapseSpaces(listing.lines[i]), test::CollapseSpaces(expected[i]));
        if (reference && i < reference->size()) {
            EXPECT_EQ(listing.lines[i], (*reference)[i]);
        }
    }
}

} // namespace
