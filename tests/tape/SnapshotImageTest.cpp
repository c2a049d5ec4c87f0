// A snapshot opened as an image: the tape that loads it, its first row
// naming it, and the snapshot kept for the inspector.
#include "fastload/LoadingTape.h"
#include "fastload/SnapshotTapes.h"
#include "support/SnapshotFiles.h"
#include "support/TempDir.h"
#include "tape/TapeChoice.h"
#include "tape/TapeImage.h"

#include <gtest/gtest.h>

#include <string>

namespace bitreel {
namespace {

namespace fs = std::filesystem;

struct ImageCase {
    const char* name;
    const char* file;
    const char* openedAs; // the name it is opened by, any case
    unsigned speed;
};

void PrintTo(const ImageCase& c, std::ostream* os) {
    *os << c.name;
}

class SnapshotImage : public testing::TestWithParam<ImageCase> {};

TEST_P(SnapshotImage, IsTheTapeThatLoadsIt) {
    const ImageCase& c = GetParam();
    fastload::InstallSnapshotTapes(c.speed);
    test::TempDir dir;
    fs::copy_file(test::SnapshotDir / c.file, dir / c.openedAs);
    const Snapshot snapshot = test::TestSnapshot(c.file);
    const fastload::LoadingTape tape = fastload::BuildLoadingTape(snapshot, c.speed);

    TapeImage image(dir / c.openedAs, MachineKind::Spectrum, TapeLayout::SpectrumTap);
    image.IndexAll();
    EXPECT_EQ(image.Format(), ImageFormat::Tzx);
    EXPECT_EQ(std::vector(image.Bytes().begin(), image.Bytes().end()), tape.tzx);
    ASSERT_EQ(image.RowCount(), 1 + tape.blockTexts.size());
    EXPECT_EQ(image.Row(0), "Text        : " + fastload::SnapshotText(snapshot));
    EXPECT_EQ(image.Row(1).rfind("Program     : bitreel", 0), 0u) << image.Row(1);
    EXPECT_TRUE(image.Playable());
    ASSERT_NE(image.SnapshotHeld(), nullptr);
    EXPECT_EQ(image.SnapshotHeld()->regs, snapshot.regs);
    EXPECT_EQ(image.SnapshotHeld()->banks, snapshot.banks);
    EXPECT_EQ(image.SnapshotHeld()->port7ffd, snapshot.port7ffd);
}

INSTANTIATE_TEST_SUITE_P(
    Formats, SnapshotImage,
    testing::Values(ImageCase{"z80_48K", "speccymac-technted.z80", "TED.Z80", 4},
                    ImageCase{"sna_128K_slowest", "zesarux-UKflag.sna", "flag.Sna", 1},
                    ImageCase{"z80_v3_128K", "zesarux-over128.z80", "o.z80", 3}),
    [](const auto& info) { return std::string(info.param.name); });

} // namespace
} // namespace bitreel
