// Jupiter Ace tapes in TZX images: told by their content, and listed, viewed
// and converted exactly as the same blocks in a JUP file.
#include "tape/Conversion.h"

#include "cli/BitreelProcess.h"
#include "support/TempDir.h"
#include "support/TzxBuilder.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace bitreel {
namespace {

namespace fs = std::filesystem;
using test::AceTzxShape;
using test::Bytes;
using test::Lines;
using test::Q;
using test::Ran;
using test::RunBitreel;

// The corpus's Ace tapes as JUP files.
Bytes JupOf(const char* file) {
    const Bytes bytes = test::ReadFileBytes(fs::path(BITREEL_CORPUS_DIR) / "ace" / file);
    return bytes.size() > 2 && bytes[0] == 27 ? bytes : AceTapToJup(bytes).bytes;
}

struct AceTzxCase {
    const char* file;
    AceTzxShape shape;
};

class AceTzxTest : public testing::TestWithParam<AceTzxCase> {};

TEST_P(AceTzxTest, ListsViewsAndConvertsAsTheJupFile) {
    const AceTzxCase& c = GetParam();
    const test::TempDir dir;
    const Bytes jup = JupOf(c.file);
    const fs::path jupPath = dir / "GAME.JUP";
    const fs::path tzxPath = dir / "game.tzx";
    test::TapeBuilder().Raw(jup).WriteTo(jupPath);
    test::TapeBuilder().Raw(test::AceTzxOf(jup, c.shape)).WriteTo(tzxPath);
    const std::size_t before = c.shape == AceTzxShape::NoHardware ? 0 : 2;

    // Told by its content: the rows are the JUP file's, after the TZX's own.
    const Ran jupList = RunBitreel({"list", Q(jupPath)});
    const Ran tzxList = RunBitreel({"list", Q(tzxPath)});
    ASSERT_EQ(tzxList.status, 0) << tzxList.err;
    std::vector<std::string> want = Lines(jupList.out);
    if (c.shape == AceTzxShape::TurboFirst) {
        want.front() += " (turbo)";
    }
    const std::vector<std::string> got = Lines(tzxList.out);
    ASSERT_EQ(got.size(), want.size() + before);
    EXPECT_EQ(
        std::vector<std::string>(got.begin() + static_cast<std::ptrdiff_t>(before), got.end()),
        want);

    // The inspector's default view of every block: header fields and words.
    for (std::size_t row = 0; row < want.size(); ++row) {
        const Ran fromJup = RunBitreel({"view", Q(jupPath), QString::number(row + 1)});
        const Ran fromTzx = RunBitreel({"view", Q(tzxPath), QString::number(row + before + 1)});
        EXPECT_EQ(fromTzx.out, fromJup.out) << "row " << row;
        EXPECT_EQ(fromTzx.status, fromJup.status) << "row " << row;
    }

    // JUP as stored; Ace TAP as the JUP file converts.
    ASSERT_EQ(RunBitreel({"convert", Q(tzxPath), Q(dir / "OUT.JUP")}).status, 0);
    EXPECT_EQ(test::ReadFileBytes(dir / "OUT.JUP"), jup);
    ASSERT_EQ(RunBitreel({"convert", Q(tzxPath), Q(dir / "OUT.TAP")}).status, 0);
    ASSERT_EQ(RunBitreel({"convert", Q(jupPath), Q(dir / "REF.TAP")}).status, 0);
    EXPECT_EQ(test::ReadFileBytes(dir / "OUT.TAP"), test::ReadFileBytes(dir / "REF.TAP"));
}

INSTANTIATE_TEST_SUITE_P(Corpus, AceTzxTest,
                         testing::Values(AceTzxCase{"D.TAP", AceTzxShape::Archive},
                                         AceTzxCase{"DICT.tap", AceTzxShape::NoHardware},
                                         AceTzxCase{"EXEC.TAP", AceTzxShape::TurboFirst}));

// JSON gives the Ace's header fields; --machine spectrum still reads it as a
// Spectrum tape; and a Spectrum TZX is never taken for an Ace tape.
TEST(AceTzx, JsonAndTheMachineOverride) {
    const test::TempDir dir;
    test::TapeBuilder()
        .Raw(test::AceTzxOf(JupOf("D.TAP"), AceTzxShape::Archive))
        .WriteTo(dir / "D.TZX");
    const Ran json = RunBitreel({"list", "--json", Q(dir / "D.TZX")});
    EXPECT_NE(json.out.find("\"type\":\"bytes\""), std::string::npos) << json.out;
    const Ran spectrum = RunBitreel({"list", "--machine", "spectrum", Q(dir / "D.TZX")});
    EXPECT_NE(spectrum.out.find("Unknown block type [Length=27]"), std::string::npos)
        << spectrum.out;

    test::TzxBuilder()
        .Hardware(2)
        .Standard(test::DataBytes(0, test::SpectrumHeader(0, "game", 3, 10, 3)))
        .Standard(test::DataBytes(255, {1, 2, 3}))
        .WriteTo(dir / "SPECTRUM.TZX");
    const Ran listed = RunBitreel({"list", Q(dir / "SPECTRUM.TZX")});
    EXPECT_NE(listed.out.find("Program     : game"), std::string::npos) << listed.out;
}

} // namespace
} // namespace bitreel
