// The TZX reader against outside tools that nobody here wrote: a converter
// that turns the corpus TAP files into TZX, and a lister of TZX blocks.
#include "tape/Tape.h"

#include "support/ImageEntries.h"
#include "support/TempDir.h"
#include "support/TestNames.h"
#include "support/TzxBuilder.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <regex>
#include <string>
#include <vector>

namespace bitreel {
namespace {

namespace fs = std::filesystem;
using test::Bytes;
using test::DataBytes;
using test::SpectrumHeader;
using test::TzxBuilder;

std::string Quoted(const fs::path& path) {
    return "'" + path.string() + "'";
}

std::vector<fs::path> CorpusTapFiles() {
    std::vector<fs::path> files;
    std::error_code ec;
    for (const auto& entry :
         fs::directory_iterator(fs::path(BITREEL_CORPUS_DIR) / "spectrum", ec)) {
        if (IsTapPath(entry.path())) {
            files.push_back(entry.path());
        }
    }
    std::sort(files.begin(), files.end());
    return files;
}

// Every block of a TAP file as the TAP rules read it.
std::vector<TapeBlock> TapBlocks(const fs::path& path) {
    TapeFile file(path);
    std::vector<TapeBlock> blocks;
    TapeBlock block;
    while (ReadBlock(file, block, TapeLayout::SpectrumTap, true) && block.Length >= 0) {
        blocks.push_back(block);
    }
    return blocks;
}

TEST(TzxReference, CorpusConvertedToTzxGivesTheSameFramesAndRows) {
    const std::string tapeconv = BITREEL_TAPECONV;
    if (tapeconv.empty()) {
        GTEST_SKIP() << "tapeconv not installed";
    }
    const auto files = CorpusTapFiles();
    if (files.empty()) {
        GTEST_SKIP() << "corpus not found at " << BITREEL_CORPUS_DIR;
    }
    const test::TempDir dir;
    for (const fs::path& tap : files) {
        SCOPED_TRACE(tap.filename().string());
        const fs::path tzx = dir / (tap.stem().string() + ".tzx");
        const std::string command = tapeconv + " " + Quoted(tap) + " " + Quoted(tzx);
        ASSERT_EQ(std::system(command.c_str()), 0) << command;

        const auto entries = std::optional(test::LoadEntries(tzx));
        const auto frames = TapBlocks(tap);
        ASSERT_EQ(entries->size(), frames.size());
        for (std::size_t i = 0; i < frames.size(); ++i) {
            EXPECT_EQ((*entries)[i].Kind, EntryKind::Frame) << "block " << i;
            EXPECT_EQ((*entries)[i].Block.Bytes, frames[i].Bytes) << "block " << i;
            EXPECT_EQ((*entries)[i].Block.BadChecksum, frames[i].BadChecksum) << "block " << i;
        }
        bool expectHeader = true;
        EXPECT_EQ(test::EntryRows(*entries),
                  LoadContents(tap, MachineKind::Spectrum, TapeLayout::SpectrumTap, expectHeader));
    }
}

// The block IDs, in order, as the outside lister sees them.
std::vector<unsigned> ListedIds(const std::string& tzxlist, const fs::path& tzx,
                                const fs::path& listing) {
    const std::string command = tzxlist + " " + Quoted(tzx) + " > " + Quoted(listing);
    if (std::system(command.c_str()) != 0) {
        ADD_FAILURE() << command;
        return {};
    }
    std::ifstream in(listing);
    const std::regex blockType(R"(^\s*Block type 0x([0-9a-fA-F]{2}))");
    std::vector<unsigned> ids;
    std::smatch m;
    for (std::string line; std::getline(in, line);) {
        if (std::regex_search(line, m, blockType)) {
            ids.push_back(static_cast<unsigned>(std::stoul(m[1].str(), nullptr, 16)));
        }
    }
    return ids;
}

// Every block type the lister lists: its Debian build rejects a whole file
// for a CSW block, a call sequence or return, or a deprecated ID, as for any
// ID it does not know, and passes over a glue block without listing it.
TEST(TzxReference, BlockCountAndOrderMatchAnOutsideLister) {
    const std::string tzxlist = BITREEL_TZXLIST;
    if (tzxlist.empty()) {
        GTEST_SKIP() << "tzxlist not installed";
    }
    TzxBuilder tzx;
    tzx.ArchiveInfo({{0, "Title"}, {3, "1985"}})
        .Hardware(1)
        .Text("Loading")
        .GroupStart("Side A")
        .Standard(DataBytes(0, SpectrumHeader(0, "loader", 10, 10, 10)))
        .Turbo(DataBytes(255, Bytes(100, 5)))
        .PureTone(2168, 3223)
        .Pulses({667, 735})
        .PureData(DataBytes(255, {1, 2, 3}))
        .GroupEnd()
        .LoopStart(3)
        .PureTone(1000, 2)
        .LoopEnd()
        .Pause(100)
        .DirectRecording(79, 8, Bytes(64, 0x55))
        .Generalized(100)
        .Message("Turn over")
        .SignalLevel(0)
        .Jump(2)
        .Select({"One", "Two"})
        .StopIf48K()
        .CustomInfo("POKEs", Bytes(4, 0));
    const test::TempDir dir;
    tzx.WriteTo(dir / "EVERY.TZX");
    const auto listed = ListedIds(tzxlist, dir / "EVERY.TZX", dir / "listing.txt");
    EXPECT_EQ(listed, tzx.ids());

    const auto entries = std::optional(test::LoadEntries(dir / "EVERY.TZX"));
    EXPECT_EQ(entries->size(), listed.size());
}

} // namespace
} // namespace bitreel
