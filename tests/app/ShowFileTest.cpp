// `bitreel FILE`: the window opens on FILE's folder with FILE selected and
// listed, in the machine and format its name calls for.
#include "TestWindow.h"

#include "support/TapeBuilder.h"
#include "support/TempDir.h"
#include "support/TzxBuilder.h"
#include "tape/Tape.h"

namespace bitreel::test {
namespace {

namespace fs = std::filesystem;

struct ShowCase {
    const char* file;
    bool shown;
    MachineKind machine;
    TapeLayout layout;
};

// In order, on one window: each case starts from the choice the one before left.
const ShowCase kShows[] = {
    {"game.TAP", true, MachineKind::Spectrum, TapeLayout::SpectrumTap},
    {"words.JUP", true, MachineKind::JupiterAce, TapeLayout::AceJup},
    // The machine stays; only the format changes.
    {"forth.DIC", true, MachineKind::JupiterAce, TapeLayout::AceTap},
    {"words.JUP", true, MachineKind::JupiterAce, TapeLayout::AceJup},
    {"game.TAP", true, MachineKind::Spectrum, TapeLayout::SpectrumTap},
    // A TZX image by its content: an Ace tape, then a Spectrum one.
    {"ace.tzx", true, MachineKind::JupiterAce, TapeLayout::AceJup},
    {"game.tzx", true, MachineKind::Spectrum, TapeLayout::SpectrumTap},
    // No machine lists it.
    {"notes.txt", false, MachineKind::Spectrum, TapeLayout::SpectrumTap},
};

TEST(ShowFile, SelectsListsAndChoosesTheMachineByTheName) {
    TempDir dir;
    fs::create_directory(dir / "start");
    fs::create_directory(dir / "tapes");
    const fs::path tapes = dir / "tapes";
    const TapeBuilder spectrum =
        TapeBuilder().Block(0, SpectrumHeader(3, "game", 2, 400, 0)).Block(255, {1, 2});
    const TapeBuilder jup = TapeBuilder().Block(0, AceHeader(0, "words", 3)).Block(255, {1, 2, 3});
    const TapeBuilder aceTap =
        TapeBuilder().AceTapBlock(AceHeader(0, "forth", 2)).AceTapBlock({4, 5});
    spectrum.WriteTo(tapes / "game.TAP");
    jup.WriteTo(tapes / "words.JUP");
    aceTap.WriteTo(tapes / "forth.DIC");
    TapeBuilder()
        .Raw(test::AceTzxOf(jup.bytes(), test::AceTzxShape::NoHardware))
        .WriteTo(tapes / "ace.tzx");
    test::TzxBuilder()
        .Standard(test::DataBytes(0, SpectrumHeader(3, "game", 2, 400, 0)))
        .Standard(test::DataBytes(255, {1, 2}))
        .WriteTo(tapes / "game.tzx");
    // Listed first in every choice, so that selecting FILE is seen to be done.
    for (const char* decoy : {"a.tap", "a.jup", "a.dic"}) {
        TapeBuilder().Block(255, {9}).WriteTo(tapes / decoy);
    }
    spectrum.WriteTo(tapes / "notes.txt");

    FakeLine line;
    TestWindow w(dir / "start", line);
    for (const ShowCase& c : kShows) {
        SCOPED_TRACE(c.file);
        const fs::path path = tapes / c.file;
        ASSERT_EQ(w.form->ShowFile(ToQString(path)), c.shown);
        EXPECT_EQ(QDir(w.Dirs()->Path()), QDir(ToQString(tapes)));
        if (!c.shown) {
            continue;
        }
        EXPECT_EQ(w.Files()->FileName(), QString::fromLatin1(c.file));
        EXPECT_TRUE(w.Machine(c.machine == MachineKind::Spectrum ? 0 : 1)->isChecked());
        EXPECT_EQ(w.form->LayoutInForce(), c.layout);
        bool expectHeader = true;
        QStringList rows;
        for (const std::string& row : LoadContents(path, c.machine, c.layout, expectHeader)) {
            rows.append(QString::fromLatin1(row.data(), static_cast<qsizetype>(row.size())));
        }
        ASSERT_EQ(rows.size(), 2);
        EXPECT_EQ(TestWindow::Rows(w.Contents()), rows);
        EXPECT_TRUE(w.Button("cmdPlay")->isEnabled());
    }
}

} // namespace
} // namespace bitreel::test
