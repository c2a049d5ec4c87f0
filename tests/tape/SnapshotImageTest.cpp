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

// Opened by any letter case at any speed: the TZX of the tape that loads it,
// a row a block after the text naming it, and the snapshot kept whole.
TEST(SnapshotImage, IsTheTapeThatLoadsIt) {
    const struct {
        const char* file;
        const char* openedAs;
        unsigned speed;
    } cases[] = {{"speccymac-technted.z80", "TED.Z80", 4},
                 {"zesarux-UKflag.sna", "flag.Sna", 1},
                 {"zesarux-over128.z80", "o.z80", 3}};
    test::TempDir dir;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.file);
        fastload::InstallSnapshotTapes(c.speed);
        fs::copy_file(test::SnapshotDir / c.file, dir / c.openedAs);
        const Snapshot snapshot = test::TestSnapshot(c.file);
        const fastload::LoadingTape tape = fastload::BuildLoadingTape(snapshot, c.speed);
        TapeImage image(dir / c.openedAs, MachineKind::Spectrum, TapeLayout::SpectrumTap);
        image.IndexAll();
        EXPECT_EQ(std::vector(image.Bytes().begin(), image.Bytes().end()), tape.tzx);
        ASSERT_EQ(image.RowCount(), 1 + tape.blockTexts.size());
        EXPECT_EQ(image.Row(0), "Text        : " + fastload::SnapshotText(snapshot));
        EXPECT_EQ(image.Row(1).rfind("Program     : bitreel", 0), 0u) << image.Row(1);
        ASSERT_NE(image.SnapshotHeld(), nullptr);
        EXPECT_EQ(image.SnapshotHeld()->regs, snapshot.regs);
        EXPECT_EQ(image.SnapshotHeld()->banks, snapshot.banks);
    }
}

} // namespace
} // namespace bitreel
