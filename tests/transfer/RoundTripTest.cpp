#include "transfer/Playback.h"
#include "transfer/Recording.h"

#include "FakeWindow.h"
#include "support/SimulatedLine.h"
#include "support/TapeBuilder.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>

namespace bitreel {
namespace {

namespace fs = std::filesystem;
using test::Bytes;

Bytes ReadFile(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), {});
}

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

class PlayThenRecord : public testing::TestWithParam<RoundTrip> {};

TEST_P(PlayThenRecord, GivesBackTheSameImage) {
    const RoundTrip& c = GetParam();
    const fs::path source = fs::path(BITREEL_CORPUS_DIR) / c.file;
    if (!fs::exists(source)) {
        GTEST_SKIP() << "corpus not found at " << source;
    }
    const test::TempDir dir;

    // Play to a machine that takes the bytes at line speed.
    test::SimulatedLine out;
    out.SetSettings("9600,n,8,1");
    out.SetHandshaking(2);
    out.Open();
    out.SetCtsWhileRoom(64);
    out.SetTimePerOperation(std::chrono::microseconds(300));
    out.SetPaced(true);
    test::FakeWindow player;
    player.jupiterAce = c.jupiterAce;
    player.format = c.format;
    player.fileFolder = source.parent_path();
    player.fileName = source.filename().string();
    bool expect = true;
    const auto machine = c.jupiterAce ? MachineKind::JupiterAce : MachineKind::Spectrum;
    player.rows = LoadContents(source, machine, LayoutInForce(machine, c.format), expect);
    player.onYield = [&] { out.MachineTake(out.MachineBuffered()); };
    Playback(out, player).Run();
    const auto frames = out.Frames();
    ASSERT_EQ(frames.size(), player.rows.size());
    ASSERT_TRUE(out.PartialFrame().empty());

    // The machine sends the same frames back, in reads of odd sizes.
    test::SimulatedLine in;
    in.Open();
    Bytes all;
    for (const auto& f : frames) {
        all.insert(all.end(), f.begin(), f.end());
    }
    in.Send(all, test::SendPlan{{0, 7, 300, 1, 2, 1000}});
    test::FakeWindow recorder;
    recorder.jupiterAce = c.jupiterAce;
    recorder.format = c.format;
    test::ScriptedDialog dialog;
    dialog.answer = dir / "copy.img";
    recorder.onYield = [&] {
        if (in.Unsent() == 0 && recorder.rows.size() == frames.size()) {
            recorder.Stop();
        }
    };
    Recording(in, recorder, dialog, dir.path()).Run();

    const bool aceTap = c.jupiterAce && std::string_view(c.format) == "TAP";
    const Bytes original = ReadFile(source);
    EXPECT_EQ(ReadFile(dir / "COPY.IMG"), aceTap ? original : WithPayloadChecksums(original));
    EXPECT_EQ(recorder.rows.size(), player.rows.size());
}

INSTANTIATE_TEST_SUITE_P(Corpus, PlayThenRecord, testing::ValuesIn(kImages), [](const auto& info) {
    std::string name = info.param.file;
    for (char& ch : name) {
        if (!std::isalnum(static_cast<unsigned char>(ch))) {
            ch = '_';
        }
    }
    return name;
});

} // namespace
} // namespace bitreel
