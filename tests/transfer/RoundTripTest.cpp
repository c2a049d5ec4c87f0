#include "transfer/Playback.h"
#include "transfer/Recording.h"

#include "support/ScriptedDialog.h"
#include "support/SimulatedLine.h"
#include "support/TapeBuilder.h"
#include "support/TempDir.h"
#include "support/TestFrontEnd.h"
#include "support/TestNames.h"

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <random>

namespace bitreel {
namespace {

namespace fs = std::filesystem;
using test::Bytes;

// The image as playback sends it: in the flagged layouts every block's last
// byte is the XOR of its payload alone, the flag left out; a checksum that
// also covered the flag goes out replaced.
Bytes WithPayloadChecksums(Bytes image) {
    std::size_t at = 0;
    while (at + 2 <= image.size()) {
        const std::size_t n = image[at] + 256U * image[at + 1];
        if (n >= 2 && at + 2 + n <= image.size()) {
            std::uint8_t x = 0;
            for (std::size_t i = at + 3; i < at + 1 + n; ++i) {
                x ^= image[i];
            }
            image[at + 1 + n] = x;
        }
        at += 2 + n;
    }
    return image;
}

struct RoundTrip {
    const char* file;
    bool jupiterAce;
    const char* format;
};

void PrintTo(const RoundTrip& c, std::ostream* os) {
    *os << c.file;
}

// Every real image played to a machine and recorded back in the same layout
// comes back byte for byte, but for the checksums playback replaces.
const RoundTrip kImages[] = {
    {"spectrum/savetap_test.tap", false, "JUP"},
    {"spectrum/z80_test_1_tap.tap", false, "JUP"},
    {"spectrum/standard-tap.tap", false, "JUP"},
    {"ace/AUTORUN.tap", true, "TAP"},
    {"ace/test.tap", true, "TAP"},
    {"ace/hello_ace.TAP", true, "TAP"},
    {"ace/D.TAP", true, "JUP"},
    {"ace/EXEC.TAP", true, "JUP"},
};

// Plays an image to a machine that takes the bytes at line speed and returns
// the frames it received.
std::vector<Bytes> PlayToMachine(const fs::path& image, bool jupiterAce, const char* format) {
    test::SimulatedLine out;
    out.SetSettings(ParseLineSettings("9600,n,8,1"));
    out.SetHandshaking(Handshake::RtsCts);
    out.Open();
    out.SetCtsWhileRoom(64);
    out.SetTimePerOperation(std::chrono::microseconds(300));
    out.SetPaced(true);
    test::TestFrontEnd player;
    const auto machine = jupiterAce ? MachineKind::JupiterAce : MachineKind::Spectrum;
    PlayRequest request;
    request.file = image;
    request.layout = LayoutInForce(machine, format);
    player.onYield = [&] { out.MachineTake(out.MachineBuffered()); };
    EXPECT_EQ(Playback(out, player).Run(request).ending, TransferResult::Ending::Done);
    EXPECT_TRUE(out.PartialFrame().empty());
    EXPECT_EQ(player.status, "");
    return out.Frames();
}

// Records the frames a machine sends, in reads of odd sizes, into a new file
// and returns its bytes.
Bytes RecordFromMachine(const std::vector<Bytes>& frames, bool jupiterAce, const char* format) {
    const test::TempDir dir;
    test::SimulatedLine in;
    in.Open();
    Bytes all;
    for (const auto& f : frames) {
        all.insert(all.end(), f.begin(), f.end());
    }
    in.Send(all, test::SendPlan{{0, 7, 300, 1, 2, 1000}});
    test::TestFrontEnd recorder;
    RecordingRequest request;
    request.machine = jupiterAce ? MachineKind::JupiterAce : MachineKind::Spectrum;
    request.layout = LayoutInForce(request.machine, format);
    request.dialogFolder = dir.path();
    test::ScriptedDialog dialog;
    dialog.answer = dir / "copy.img";
    recorder.onYield = [&] {
        if (in.Unsent() == 0 && recorder.rows.size() == frames.size()) {
            recorder.Stop();
        }
    };
    EXPECT_EQ(Recording(in, recorder, recorder, dialog).Run(request).ending,
              TransferResult::Ending::Stopped);
    EXPECT_EQ(recorder.rows.size(), frames.size());
    return test::ReadFileBytes(dir / "COPY.IMG");
}

class PlayThenRecord : public testing::TestWithParam<RoundTrip> {};

TEST_P(PlayThenRecord, GivesBackTheSameImage) {
    const RoundTrip& c = GetParam();
    const fs::path source = fs::path(BITREEL_CORPUS_DIR) / c.file;
    ASSERT_TRUE(fs::exists(source)) << "corpus not found at " << source;
    const auto frames = PlayToMachine(source, c.jupiterAce, c.format);
    bool expect = true;
    const auto machine = c.jupiterAce ? MachineKind::JupiterAce : MachineKind::Spectrum;
    ASSERT_EQ(frames.size(),
              LoadContents(source, machine, LayoutInForce(machine, c.format), expect).size());

    const bool aceTap = c.jupiterAce && std::string_view(c.format) == "TAP";
    const Bytes original = test::ReadFileBytes(source);
    EXPECT_EQ(RecordFromMachine(frames, c.jupiterAce, c.format),
              aceTap ? original : WithPayloadChecksums(original));
}

INSTANTIATE_TEST_SUITE_P(Corpus, PlayThenRecord, testing::ValuesIn(kImages), test::ByName());

// A few hundred blocks of random sizes, one of them as large as the layout
// allows, with checksums by this system's rule unless told otherwise.
Bytes RandomImage(TapeLayout layout, unsigned seed, bool someBadChecksums) {
    std::mt19937 random(seed);
    const bool aceTap = layout == TapeLayout::AceTap;
    test::TapeBuilder tape;
    for (int i = 0; i < 300; ++i) {
        std::size_t payload = random() % 600;
        if (i == 150) {
            payload = 65533; // the largest: N = 65535, or M = 65534 with room for the flag
        }
        Bytes bytes(payload);
        for (auto& b : bytes) {
            b = static_cast<std::uint8_t>(random());
        }
        const bool bad = someBadChecksums && random() % 4 == 0;
        const std::uint8_t checksum =
            static_cast<std::uint8_t>(test::Xor(bytes) ^ (bad ? 0x5A : 0));
        if (aceTap) {
            tape.Length(static_cast<unsigned>(payload + 1)).Raw(bytes).Raw({checksum});
        } else {
            tape.Block(random() % 2 == 0 ? 0 : 255, bytes, checksum);
        }
    }
    return tape.bytes();
}

struct LayoutTrip {
    const char* name;
    TapeLayout layout;
    bool jupiterAce;
    const char* format;
};

void PrintTo(const LayoutTrip& c, std::ostream* os) {
    *os << c.name;
}

class RandomImages : public testing::TestWithParam<LayoutTrip> {};

TEST_P(RandomImages, ComeBackByteForByte) {
    const LayoutTrip& c = GetParam();
    const test::TempDir dir;
    const Bytes image = RandomImage(c.layout, 11, false);
    test::TapeBuilder().Raw(image).WriteTo(dir / "RANDOM.IMG");
    const auto frames = PlayToMachine(dir / "RANDOM.IMG", c.jupiterAce, c.format);
    ASSERT_EQ(frames.size(), 300U);
    EXPECT_EQ(RecordFromMachine(frames, c.jupiterAce, c.format), image);
}

TEST_P(RandomImages, GoOutAsTheBlocksTheReaderGives) {
    const LayoutTrip& c = GetParam();
    const test::TempDir dir;
    const Bytes image = RandomImage(c.layout, 12, true);
    test::TapeBuilder().Raw(image).WriteTo(dir / "RANDOM.IMG");

    std::vector<Bytes> blocks;
    TapeFile file(dir / "RANDOM.IMG");
    TapeBlock block;
    bool expectHeader = true;
    while (ReadBlock(file, block, c.layout, expectHeader) && block.Length >= 0) {
        blocks.push_back(block.Bytes);
        expectHeader = !expectHeader;
    }
    ASSERT_EQ(blocks.size(), 300U);
    EXPECT_EQ(PlayToMachine(dir / "RANDOM.IMG", c.jupiterAce, c.format), blocks);
}

INSTANTIATE_TEST_SUITE_P(Layouts, RandomImages,
                         testing::Values(LayoutTrip{"SpectrumTap", TapeLayout::SpectrumTap, false,
                                                    "JUP"},
                                         LayoutTrip{"AceTap", TapeLayout::AceTap, true, "TAP"},
                                         LayoutTrip{"AceJup", TapeLayout::AceJup, true, "JUP"}),
                         test::ByName());

} // namespace
} // namespace bitreel
