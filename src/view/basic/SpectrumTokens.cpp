#include "view/basic/SpectrumTokens.h"

#include <array>

namespace bitreel::view {

namespace {

constexpr std::array<std::string_view, 0x100 - FirstToken> kWords = {
    "SPECTRUM", "PLAY",    "RND",     "INKEY$", "PI",     "FN",       "POINT",     "SCREEN$",
    "ATTR",     "AT",      "TAB",     "VAL$",   "CODE",   "VAL",      "LEN",       "SIN",
    "COS",      "TAN",     "ASN",     "ACS",    "ATN",    "LN",       "EXP",       "INT",
    "SQR",      "SGN",     "ABS",     "PEEK",   "IN",     "USR",      "STR$",      "CHR$",
    "NOT",      "BIN",     "OR",      "AND",    "<=",     ">=",       "<>",        "LINE",
    "THEN",     "TO",      "STEP",    "DEF FN", "CAT",    "FORMAT",   "MOVE",      "ERASE",
    "OPEN #",   "CLOSE #", "MERGE",   "VERIFY", "BEEP",   "CIRCLE",   "INK",       "PAPER",
    "FLASH",    "BRIGHT",  "INVERSE", "OVER",   "OUT",    "LPRINT",   "LLIST",     "STOP",
    "READ",     "DATA",    "RESTORE", "NEW",    "BORDER", "CONTINUE", "DIM",       "REM",
    "FOR",      "GO TO",   "GO SUB",  "INPUT",  "LOAD",   "LIST",     "LET",       "PAUSE",
    "NEXT",     "POKE",    "PRINT",   "PLOT",   "RUN",    "SAVE",     "RANDOMIZE", "IF",
    "CLS",      "DRAW",    "CLEAR",   "RETURN", "COPY",
};

} // namespace

std::string_view TokenWord(std::uint8_t code) noexcept {
    return IsToken(code) ? kWords[code - FirstToken] : std::string_view{};
}

} // namespace bitreel::view
