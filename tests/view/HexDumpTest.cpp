#include "view/HexDump.h"
#include "view/BlockChecksum.h"

#include "support/TapeBuilder.h"
#include "support/TestNames.h"

#include <gtest/gtest.h>

#include <string>

namespace {

namespace test = bitreel::test;
using test::Bytes;
using namespace bitreel::view;

std::string Spaces(std::size_t n) {
    return std::string(n, ' ');
}

// The block as the file stores it: its length field, then the body.
Bytes Frame(const Bytes& body) {
    Bytes frame{static_cast<std::uint8_t>(body.size() & 0xFF),
                static_cast<std::uint8_t>(body.size() >> 8)};
    frame.insert(frame.end(), body.begin(), body.end());
    return frame;
}

TEST(HexDump, ShowsAHeaderBlockExactly) {
    Bytes body{0x00};
    const Bytes header = test::SpectrumHeader(0, "test", 0xA7, 0x8000, 0xA7);
    body.insert(body.end(), header.begin(), header.end());
    body.push_back(0x96);
    EXPECT_EQ(HexDump(Frame(body)),
              "Length 19: flag at 0000 in [ ], checksum at 0012 in < >\n"
              "0000[00]00 74 65 73 74 20 20 20 20 20 20 A7 00 00 80  ..test      ....\n"
              "0010 A7 00<96>" +
                  Spaces(40) +
                  "...\n"
                  "Checksum: stored 0x96, computed 0x96: good\n");
}

struct DumpCase {
    const char* name;
    Bytes body;
    std::string dump;
};

void PrintTo(const DumpCase& c, std::ostream* os) {
    *os << c.name;
}

const DumpCase kDumps[] = {
    {"data block",
     {0xFF, 0x41, 0x42, 0x03},
     "Length 4: flag at 0000 in [ ], checksum at 0003 in < >\n"
     "0000[FF]41 42<03>" +
         Spaces(37) +
         ".AB.\n"
         "Checksum: stored 0x03, computed 0x03: good\n"},
    {"flag and checksum touching",
     {0xFF, 0x00},
     "Length 2: flag at 0000 in [ ], checksum at 0001 in < >\n"
     "0000[FF|00>" +
         Spaces(43) +
         "..\n"
         "Checksum: stored 0x00, computed 0x00: good\n"},
    {"one byte",
     {0x07},
     "Length 1: flag and checksum at 0000 in [ ]\n"
     "0000[07]" +
         Spaces(46) +
         ".\n"
         "Checksum: stored 0x07, computed 0x00: damaged\n"},
    {"empty", {}, "Length 0: no flag, no checksum\nChecksum: none (empty block)\n"},
};

class HexDumpOf : public testing::TestWithParam<DumpCase> {};

TEST_P(HexDumpOf, MarksFlagAndChecksum) {
    EXPECT_EQ(HexDump(Frame(GetParam().body)), GetParam().dump);
}

INSTANTIATE_TEST_SUITE_P(Blocks, HexDumpOf, testing::ValuesIn(kDumps), test::ByName());

struct VerdictCase {
    const char* name;
    Bytes body;
    ChecksumState state;
    std::uint8_t stored;
    std::uint8_t computed;
};

void PrintTo(const VerdictCase& c, std::ostream* os) {
    *os << c.name;
}

const VerdictCase kVerdicts[] = {
    {"payload only", {0xFF, 0x41, 0x42, 0x03}, ChecksumState::Good, 0x03, 0x03},
    {"flag and payload", {0xFF, 0x41, 0x42, 0xFC}, ChecksumState::Replaced, 0xFC, 0x03},
    {"neither", {0xFF, 0x41, 0x42, 0x00}, ChecksumState::Damaged, 0x00, 0x03},
    {"flag 0 counts as good", {0x00, 0x41, 0x42, 0x03}, ChecksumState::Good, 0x03, 0x03},
    {"custom flag", {0x42, 0x10, 0x52}, ChecksumState::Replaced, 0x52, 0x10},
    {"one zero byte", {0x00}, ChecksumState::Good, 0x00, 0x00},
    {"one other byte", {0x07}, ChecksumState::Damaged, 0x07, 0x00},
    {"empty", {}, ChecksumState::None, 0x00, 0x00},
};

class Checksum : public testing::TestWithParam<VerdictCase> {};

TEST_P(Checksum, JudgesTheStoredByte) {
    const auto check = CheckChecksum(Frame(GetParam().body));
    EXPECT_EQ(check.state, GetParam().state);
    EXPECT_EQ(check.stored, GetParam().stored);
    EXPECT_EQ(check.computed, GetParam().computed);
}

INSTANTIATE_TEST_SUITE_P(Blocks, Checksum, testing::ValuesIn(kVerdicts), test::ByName());

TEST(ChecksumText, NamesTheVerdict) {
    EXPECT_EQ(ChecksumText(CheckChecksum(Frame({0xFF, 0x41, 0x42, 0xFC}))),
              "stored 0xFC, computed 0x03: replaced");
}

// A Jupiter Ace TAP block's flag is supplied by the reader, so a stored byte
// that happens to equal flag XOR payload is still damaged: the reader's
// verdict stands.
TEST(ChecksumText, TakesTheReadersVerdict) {
    const Bytes frame = Frame({0xFF, 0x41, 0x42, 0xFC});
    EXPECT_EQ(ChecksumText(CheckChecksum(frame, bitreel::ChecksumVerdict::Damaged)),
              "stored 0xFC, computed 0x03: damaged");
    const std::string dump = HexDump(frame, bitreel::ChecksumVerdict::Damaged);
    EXPECT_TRUE(dump.ends_with("Checksum: stored 0xFC, computed 0x03: damaged\n")) << dump;
}

} // namespace
