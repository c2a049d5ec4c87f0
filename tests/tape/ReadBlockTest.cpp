#include "tape/Tape.h"

#include "support/TapeBuilder.h"
#include "support/TempDir.h"
#include "support/TestNames.h"

#include <gtest/gtest.h>

#include <optional>
#include <random>
#include <system_error>

namespace bitreel {
namespace {

using test::AceHeader;
using test::Bytes;
using test::SpectrumHeader;
using test::TapeBuilder;

// What one ReadBlock call must give. Bytes are compared only when given:
// after a corrupt block or at the end they carry no meaning.
struct Call {
    bool ok;
    std::int32_t length;
    std::optional<Bytes> bytes = std::nullopt;
    bool badChecksum = false;
    ChecksumVerdict verdict = ChecksumVerdict::Good;
};

struct ReadCase {
    const char* name;
    Bytes tape;
    TapeLayout layout;
    bool expectHeader;
    std::vector<Call> calls;
};

Bytes Cat(std::initializer_list<Bytes> parts) {
    Bytes all;
    for (const auto& p : parts) {
        all.insert(all.end(), p.begin(), p.end());
    }
    return all;
}

const Bytes kHeader = SpectrumHeader(0, "hello", 300, 10, 250);
const Bytes kHeaderBlock = TapeBuilder().Block(0, kHeader).bytes();
const Bytes kAceHeader = AceHeader(0, "hello", 100);
const Bytes kBigTape = TapeBuilder().Length(65535).Raw(test::Filled(65535, 1)).bytes();

const ReadCase kCases[] = {
    {"EmptyFile", {}, TapeLayout::SpectrumTap, true, {{true, -1}, {true, -1}}},
    {"LoneByte", {7}, TapeLayout::SpectrumTap, true, {{true, -1}}},
    {"StrayByteAfterLastBlock",
     TapeBuilder().Block(255, {1, 2}).Raw({9}).bytes(),
     TapeLayout::SpectrumTap,
     true,
     {{true, 4, Bytes{4, 0, 255, 1, 2, 3}}, {true, -1}}},
    {"SpectrumHeader",
     kHeaderBlock,
     TapeLayout::SpectrumTap,
     true,
     {{true, 19, kHeaderBlock}, {true, -1}}},
    {"SpectrumDataWithFlagInChecksum",
     TapeBuilder().Block(255, {1, 2, 4}, 0xFF ^ 1 ^ 2 ^ 4).bytes(),
     TapeLayout::SpectrumTap,
     true,
     {{true, 5, Bytes{5, 0, 255, 1, 2, 4, 1 ^ 2 ^ 4}, true, ChecksumVerdict::Replaced},
      {true, -1}}},
    {"SpectrumDataDamaged",
     TapeBuilder().Block(255, {1, 2, 4}, 0x55).bytes(),
     TapeLayout::SpectrumTap,
     true,
     {{true, 5, Bytes{5, 0, 255, 1, 2, 4, 1 ^ 2 ^ 4}, true, ChecksumVerdict::Damaged}}},
    // With flag 0 both rules agree: any other byte is damage.
    {"SpectrumHeaderDamaged",
     TapeBuilder().Block(0, kHeader, 0x5A).bytes(),
     TapeLayout::SpectrumTap,
     true,
     {{true, 19, kHeaderBlock, true, ChecksumVerdict::Damaged}}},
    {"CustomFlagInChecksumIsReplaced",
     TapeBuilder().Block(0x42, {7}, 0x42 ^ 7).bytes(),
     TapeLayout::SpectrumTap,
     true,
     {{true, 3, Bytes{3, 0, 0x42, 7, 7}, true, ChecksumVerdict::Replaced}}},
    {"FlagAndChecksumOnly",
     TapeBuilder().Block(255, {}, 255).Block(255, {}, 0).Block(255, {}, 9).bytes(),
     TapeLayout::SpectrumTap,
     true,
     {{true, 2, Bytes{2, 0, 255, 0}, true, ChecksumVerdict::Replaced},
      {true, 2, Bytes{2, 0, 255, 0}},
      {true, 2, Bytes{2, 0, 255, 0}, true, ChecksumVerdict::Damaged}}},
    {"JupDataWithFlagInChecksum",
     TapeBuilder().Block(255, {1, 2}, 255 ^ 1 ^ 2).Block(255, {1, 2}, 0).bytes(),
     TapeLayout::AceJup,
     true,
     {{true, 4, Bytes{4, 0, 255, 1, 2, 3}, true, ChecksumVerdict::Replaced},
      {true, 4, Bytes{4, 0, 255, 1, 2, 3}, true, ChecksumVerdict::Damaged}}},
    {"LengthOneComparedWithZero",
     {1, 0, 7},
     TapeLayout::SpectrumTap,
     true,
     {{true, 1, Bytes{1, 0, 0}, true, ChecksumVerdict::Damaged}, {true, -1}}},
    {"LengthZeroThenBlock",
     TapeBuilder().Length(0).Block(255, {5}).bytes(),
     TapeLayout::SpectrumTap,
     true,
     {{true, 0, Bytes{0, 0}}, {true, 3, Bytes{3, 0, 255, 5, 5}}, {true, -1}}},
    {"LengthZeroAtVeryEndIsAnEmptyBlock",
     TapeBuilder().Block(255, {5}).Length(0).bytes(),
     TapeLayout::SpectrumTap,
     true,
     {{true, 3}, {true, 0, Bytes{0, 0}}, {true, -1}}},
    {"LengthFieldAtVeryEndIsCorrupt",
     TapeBuilder().Block(255, {5}).Length(2).bytes(),
     TapeLayout::SpectrumTap,
     true,
     {{true, 3}, {false, 0}, {true, -1}}},
    {"LengthLargerThanFileGoesOnTwoBytesLater",
     TapeBuilder().Length(10000).Block(255, {5}).bytes(),
     TapeLayout::SpectrumTap,
     true,
     {{false, 0}, {true, 3, Bytes{3, 0, 255, 5, 5}}, {true, -1}}},
    {"BlockRunningPastEndLeavesFileExhausted",
     TapeBuilder().Block(255, {1, 2, 3}).Length(6).Raw({255, 1}).bytes(),
     TapeLayout::SpectrumTap,
     true,
     {{true, 5}, {false, 0}, {true, -1}}},
    {"JupHeader",
     TapeBuilder().Block(0, kAceHeader).bytes(),
     TapeLayout::AceJup,
     true,
     {{true, 27, TapeBuilder().Block(0, kAceHeader).bytes()}, {true, -1}}},
    {"AceTapHeaderGetsFlagZero",
     TapeBuilder().AceTapBlock(kAceHeader).bytes(),
     TapeLayout::AceTap,
     true,
     {{true, 27, TapeBuilder().Block(0, kAceHeader).bytes()}, {true, -1}}},
    {"AceTapSameBytesGetFlag255WhenDataExpected",
     TapeBuilder().AceTapBlock(kAceHeader).bytes(),
     TapeLayout::AceTap,
     false,
     {{true, 27, TapeBuilder().Block(255, kAceHeader).bytes()}, {true, -1}}},
    {"AceTapEmptyHeaderIsGood", {0, 0}, TapeLayout::AceTap, true, {{true, 1, Bytes{1, 0, 0}}}},
    {"AceTapEmptyDataHasItsFlagReplaced",
     {0, 0},
     TapeLayout::AceTap,
     false,
     {{true, 1, Bytes{1, 0, 0}, true}}},
    // The file stores no flag, so a checksum that covers the supplied one
    // was never this layout's: damaged, like any other wrong byte.
    {"AceTapChecksumCoveringSuppliedFlagIsDamaged",
     {3, 0, 1, 2, 255 ^ 1 ^ 2, 3, 0, 1, 2, 0x77},
     TapeLayout::AceTap,
     false,
     {{true, 4, Bytes{4, 0, 255, 1, 2, 3}, true, ChecksumVerdict::Damaged},
      {true, 4, Bytes{4, 0, 255, 1, 2, 3}, true, ChecksumVerdict::Damaged}}},
    {"AceTapLengthThatCannotGrowByOne",
     Cat({kBigTape, TapeBuilder().AceTapBlock({7}).bytes()}),
     TapeLayout::AceTap,
     true,
     {{false, 0}, {true, 3, Bytes{3, 0, 0, 7, 7}}, {true, -1}}},
    {"AceTapLengthLargerThanFile", {50, 0, 1, 2}, TapeLayout::AceTap, true, {{false, 0}}},
    {"LargestSpectrumBlock", kBigTape, TapeLayout::SpectrumTap, true, {{true, 65535}, {true, -1}}},
};

void PrintTo(const ReadCase& c, std::ostream* os) {
    *os << c.name;
}

class ReadBlockTable : public ::testing::TestWithParam<ReadCase> {};

TEST_P(ReadBlockTable, GivesEachCallItsResult) {
    const ReadCase& c = GetParam();
    TapeFile file = TapeFile::FromBytes(c.tape);
    TapeBlock block;
    for (std::size_t i = 0; i < c.calls.size(); ++i) {
        SCOPED_TRACE("call " + std::to_string(i));
        const Call& want = c.calls[i];
        const bool ok = ReadBlock(file, block, c.layout, c.expectHeader);
        ASSERT_EQ(ok, want.ok);
        if (!ok) {
            continue;
        }
        EXPECT_EQ(block.Length, want.length);
        EXPECT_EQ(block.BadChecksum, want.badChecksum);
        EXPECT_EQ(block.Verdict, want.verdict);
        if (want.length >= 0) {
            EXPECT_EQ(block.Bytes.size(), static_cast<std::size_t>(want.length) + 2);
        }
        if (want.bytes) {
            EXPECT_EQ(block.Bytes, *want.bytes);
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Tapes, ReadBlockTable, ::testing::ValuesIn(kCases), test::ByName());

TEST(ReadBlock, ClearsBadChecksumAndVerdictOnEveryCall) {
    TapeFile file = TapeFile::FromBytes(
        TapeBuilder().Block(255, {1}, 0).Block(255, {1}).Block(255, {1}, 0).Raw({9, 0}).bytes());
    TapeBlock block;
    ASSERT_TRUE(ReadBlock(file, block, TapeLayout::SpectrumTap, true));
    EXPECT_TRUE(block.BadChecksum);
    EXPECT_EQ(block.Verdict, ChecksumVerdict::Damaged);
    ASSERT_TRUE(ReadBlock(file, block, TapeLayout::SpectrumTap, true));
    EXPECT_FALSE(block.BadChecksum);
    EXPECT_EQ(block.Verdict, ChecksumVerdict::Good);
    ASSERT_TRUE(ReadBlock(file, block, TapeLayout::SpectrumTap, true));
    ASSERT_FALSE(ReadBlock(file, block, TapeLayout::SpectrumTap, true)); // runs past the end
    EXPECT_FALSE(block.BadChecksum);
    EXPECT_EQ(block.Verdict, ChecksumVerdict::Good);
}

// Frames as the recorder gathers them, judged without a reader.
TEST(FrameChecksumVerdict, JudgesTheBytesAsTheyCame) {
    using enum ChecksumVerdict;
    const struct {
        Bytes frame;
        ChecksumVerdict verdict;
    } cases[] = {
        {{}, Good},             // not even a length field
        {{0, 0}, Good},         // an empty block
        {{1, 0, 0}, Good},      // one byte, compared with 0
        {{1, 0, 255}, Damaged}, // the flag cannot cover itself
        {{3, 0, 0, 5, 5}, Good},
        {{3, 0, 0, 5, 4}, Damaged}, // flag 0: the rules agree
        {{3, 0, 255, 5, 5}, Good},
        {{3, 0, 255, 5, 255 ^ 5}, Replaced},
        {{3, 0, 255, 5, 6}, Damaged},
        {{4, 0, 0x42, 1, 2, 0x42 ^ 3}, Replaced},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(FrameChecksumVerdict(c.frame), c.verdict) << ::testing::PrintToString(c.frame);
    }
}

// Blocks of random sizes straddle the file's read buffer; reading from disk
// must give exactly what reading the same bytes from memory gives.
TEST(TapeFile, DiskAndMemoryReadTheSameBlocks) {
    std::mt19937 rng(1234);
    TapeBuilder tape;
    for (int i = 0; i < 300; ++i) {
        Bytes payload(std::uniform_int_distribution<std::size_t>(0, 3000)(rng));
        for (auto& b : payload) {
            b = static_cast<std::uint8_t>(rng());
        }
        tape.Block(i % 2 == 0 ? 0 : 255, payload);
    }
    tape.Raw(Bytes(70000, 0x55)); // one block larger than the buffer, cut short
    tape.Raw({0x10});

    test::TempDir dir;
    const auto path = dir / "random.tap";
    tape.WriteTo(path);

    for (TapeLayout layout : {TapeLayout::SpectrumTap, TapeLayout::AceTap}) {
        TapeFile onDisk(path);
        TapeFile inMemory = TapeFile::FromBytes(tape.bytes());
        EXPECT_EQ(onDisk.Size(), tape.bytes().size());
        TapeBlock a;
        TapeBlock b;
        bool expectHeader = true;
        int blocks = 0;
        while (!inMemory.AtEnd()) {
            ASSERT_FALSE(onDisk.AtEnd());
            const bool okA = ReadBlock(onDisk, a, layout, expectHeader);
            const bool okB = ReadBlock(inMemory, b, layout, expectHeader);
            ASSERT_EQ(okA, okB);
            if (okA) {
                ASSERT_EQ(a.Length, b.Length);
                ASSERT_EQ(a.Bytes, b.Bytes);
                ASSERT_EQ(a.BadChecksum, b.BadChecksum);
            }
            expectHeader = !expectHeader;
            ++blocks;
        }
        EXPECT_TRUE(onDisk.AtEnd());
        EXPECT_GT(blocks, 300);
    }
}

TEST(TapeFile, ThrowsWhenTheFileCannotBeOpened) {
    test::TempDir dir;
    EXPECT_THROW(TapeFile(dir / "missing.tap"), std::system_error);
    EXPECT_THROW(TapeFile(dir.path()), std::system_error);
}

TEST(LayoutInForce, FollowsMachineAndExactFormatText) {
    EXPECT_EQ(LayoutInForce(MachineKind::Spectrum, "TAP"), TapeLayout::SpectrumTap);
    EXPECT_EQ(LayoutInForce(MachineKind::Spectrum, "JUP"), TapeLayout::SpectrumTap);
    EXPECT_EQ(LayoutInForce(MachineKind::JupiterAce, "TAP"), TapeLayout::AceTap);
    EXPECT_EQ(LayoutInForce(MachineKind::JupiterAce, "JUP"), TapeLayout::AceJup);
    EXPECT_EQ(LayoutInForce(MachineKind::JupiterAce, "tap"), TapeLayout::AceJup);
    EXPECT_EQ(LayoutInForce(MachineKind::JupiterAce, ""), TapeLayout::AceJup);
}

TEST(IsTapFile, LooksAtTheLastThreeCharactersOnly) {
    EXPECT_TRUE(IsTapFile("GAME.TAP"));
    EXPECT_TRUE(IsTapFile("/home/x/game.tap"));
    EXPECT_TRUE(IsTapFile("GAMETAP"));
    EXPECT_TRUE(IsTapFile("TaP"));
    EXPECT_FALSE(IsTapFile("GAME.DIC"));
    EXPECT_FALSE(IsTapFile("GAME.TAPE"));
    EXPECT_FALSE(IsTapFile("AP"));
    EXPECT_FALSE(IsTapFile(""));
}

} // namespace
} // namespace bitreel

namespace bitreel {
namespace {

// The wide checksum must agree with the byte-by-byte rule at every length
// and every alignment, whatever the bytes.
TEST(PayloadChecksum, AgreesWithByteByByteXor) {
    std::mt19937 random(7);
    std::vector<std::uint8_t> bytes(200);
    for (auto& b : bytes) {
        b = static_cast<std::uint8_t>(random());
    }
    for (std::size_t offset = 0; offset < 8; ++offset) {
        for (std::size_t size = 0; offset + size <= bytes.size(); ++size) {
            std::uint8_t expected = 0;
            for (std::size_t i = 0; i < size; ++i) {
                expected ^= bytes[offset + i];
            }
            ASSERT_EQ(PayloadChecksum(std::span(bytes).subspan(offset, size)), expected)
                << "offset " << offset << ", size " << size;
        }
    }
}

} // namespace
} // namespace bitreel
