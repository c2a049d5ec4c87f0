// Every block kind's pulses as a table of runs, for both machines' ROM
// encodings, TZX and PZX, and the rows a tape plays in.
#include "pulses/PulseStream.h"
#include "support/PulseText.h"
#include "support/TzxBuilder.h"
#include "tape/TapeImage.h"

#include <gtest/gtest.h>
#include <zlib.h>

namespace bitreel {
namespace {

using test::Bytes;
using test::PulseText;
using test::PzxBuilder;
using test::TzxBuilder;

std::string PulsesOf(const Bytes& bytes, ImageFormat format,
                     MachineKind machine = MachineKind::Spectrum, PulseRange range = {}) {
    const TapeLayout layout =
        machine == MachineKind::Spectrum ? TapeLayout::SpectrumTap : TapeLayout::AceTap;
    TapeImage image(bytes, format, machine, layout, false);
    image.IndexAll();
    PulseStream stream(image, range);
    return PulseText::Of(stream);
}

// The pause after a block: its edge's level for 1 ms, then low.
const std::string TapPause = "H3500 L3496500";

struct TapCase {
    const char* name;
    Bytes block; // flag, payload, checksum
    std::string pulses;
};

class SpectrumTapPulses : public testing::TestWithParam<TapCase> {};

TEST_P(SpectrumTapPulses, FollowTheRomSaver) {
    Bytes tap{static_cast<std::uint8_t>(GetParam().block.size()), 0};
    tap.insert(tap.end(), GetParam().block.begin(), GetParam().block.end());
    EXPECT_EQ(PulsesOf(tap, ImageFormat::Blocks), GetParam().pulses);
}

INSTANTIATE_TEST_SUITE_P(
    Blocks, SpectrumTapPulses,
    testing::Values(
        // The pilot's odd count leaves sync 1 high; each bit is two pulses,
        // the most significant first.
        TapCase{"Header", {0x00, 0x00, 0x00}, "row0 L2168x8063 H667 L735 H855x48 " + TapPause},
        TapCase{"Data",
                {0xFF, 0x80, 0x80},
                "row0 L2168x3223 H667 L735 H1710x18 H855x14 H1710x2 H855x14 " + TapPause},
        // Flags from 128 up get the data block's short pilot.
        TapCase{"HighFlag",
                {0x80, 0x00, 0x00},
                "row0 L2168x3223 H667 L735 H1710x2 H855x46 " + TapPause},
        TapCase{"FlagBelowHalf",
                {0x7F, 0x00, 0x7F},
                "row0 L2168x8063 H667 L735 H855x2 H1710x14 H855x18 H1710x14 " + TapPause},
        // The stored checksum plays as it stands, wrong or not.
        TapCase{"StoredChecksum",
                {0xFF, 0x00, 0x55},
                "row0 L2168x3223 H667 L735 H1710x16 H855x18 H1710x2 H855x2 H1710x2 H855x2 "
                "H1710x2 H855x2 H1710x2 " +
                    TapPause},
        // A block of no bytes has no flag: only its pause.
        TapCase{"Empty", {}, "row0 L3500 L3496500"}),
    [](const auto& info) { return std::string(info.param.name); });

// A bit of the Jupiter Ace's saver: its first pulse as given, its second
// 801 or 1591 T-states.
std::string AceBits(std::uint8_t byte, unsigned firstOfByte) {
    std::string text;
    for (unsigned bit = 0; bit < 8; ++bit) {
        const bool one = ((byte >> (7 - bit)) & 1) != 0;
        const unsigned first = bit == 0 ? firstOfByte + (one ? 790 : 0) : (one ? 1592 : 802);
        text += " H" + std::to_string(first) + "a L" + std::to_string(one ? 1591 : 801) + "a";
    }
    return text;
}

// The leader: 2011 T-states, every 256th pulse 2010.
std::string AceLeader(unsigned pulses) {
    std::string text;
    unsigned left = pulses;
    while (left >= 256) {
        text += " L2011ax255 H2010a";
        left -= 256;
    }
    return text + " L2011ax" + std::to_string(left);
}

TEST(AceTapPulses, FollowTheAceRomSaverToTheTState) {
    // Ace TAP rows alternate header and data; the flag comes from the row.
    Bytes tap{0x02, 0x00, 0x0F, 0x0F, 0x02, 0x00, 0xF0, 0xF0};
    const std::string pause = " L3500 L3496500";
    const std::string header = "row0" + AceLeader(8191) + " H601a L791a" + AceBits(0x00, 799) +
                               AceBits(0x0F, 803) + AceBits(0x0F, 805) + " H917a" + pause;
    const std::string data = " row1" + AceLeader(1023) + " H601a L791a" + AceBits(0xFF, 799) +
                             AceBits(0xF0, 803) + AceBits(0xF0, 805) + " H917a" + pause;
    EXPECT_EQ(PulsesOf(tap, ImageFormat::Blocks, MachineKind::JupiterAce), header + data);
}

TEST(AceTapPulses, AStandardTzxBlockOfAnAceTapePlaysInTheAceEncoding) {
    const Bytes block{0xFF, 0x12, 0x12};
    const std::string pulses = PulsesOf(TzxBuilder().Standard(block, 0).bytes(), ImageFormat::Tzx,
                                        MachineKind::JupiterAce);
    EXPECT_EQ(pulses, "row0" + AceLeader(1023) + " H601a L791a" + AceBits(0xFF, 799) +
                          AceBits(0x12, 803) + AceBits(0x12, 805) + " H917a");
}

Bytes Deflated(const Bytes& raw) {
    uLongf size = compressBound(static_cast<uLong>(raw.size()));
    Bytes out(size);
    EXPECT_EQ(compress(out.data(), &size, raw.data(), static_cast<uLong>(raw.size())), Z_OK);
    out.resize(size);
    return out;
}

// A CSW recording block at 44.1 kHz: pause 0, then the pulses.
Bytes CswBody(unsigned compression, const Bytes& data) {
    test::ImageBytes body;
    body.Word(0);
    body.Tri(44100);
    body.Byte(compression);
    body.Dword(3);
    body.Raw(data);
    return body.bytes();
}

// A generalized data block: no pilot, two data symbols of one pulse each,
// the second with the edge flag given, and the bits 0b0110'0000.
Bytes GeneralizedBody(unsigned secondFlag, std::uint16_t zero = 300, std::uint16_t one = 500) {
    test::ImageBytes body;
    body.Word(0);
    body.Dword(0);
    body.Byte(0);
    body.Byte(0);
    body.Dword(4);
    body.Byte(1);
    body.Byte(2);
    body.Byte(0);
    body.Word(zero);
    body.Byte(secondFlag);
    body.Word(one);
    body.Byte(0x60);
    return body.bytes();
}

// A generalized data block of four thousand million symbols of one
// symbol whose pulse is 0: a few bytes that must not keep a player busy.
Bytes GeneralizedSilence() {
    test::ImageBytes body;
    body.Word(0);
    body.Dword(0);
    body.Byte(0);
    body.Byte(0);
    body.Dword(0xFFFFFFFF);
    body.Byte(1);
    body.Byte(1);
    body.Byte(0);
    body.Word(0);
    return body.bytes();
}

struct TzxCase {
    const char* name;
    TzxBuilder tape;
    std::string pulses;
    PulseRange range = {};
};

class TzxPulses : public testing::TestWithParam<TzxCase> {};

TEST_P(TzxPulses, PlayAsTheBlocksSay) {
    EXPECT_EQ(PulsesOf(GetParam().tape.bytes(), ImageFormat::Tzx, MachineKind::Spectrum,
                       GetParam().range),
              GetParam().pulses);
}

INSTANTIATE_TEST_SUITE_P(
    Blocks, TzxPulses,
    testing::Values(
        // The tape's end gives the last pulse its closing edge.
        TzxCase{"PureTone", TzxBuilder().PureTone(500, 3), "row0 L500x3 H3500"},
        TzxCase{"PulseSequence", TzxBuilder().Pulses({100, 200, 300}), "row0 L100 H200 L300 H3500"},
        TzxCase{"TurboWithTwoBitsUsed", TzxBuilder().Turbo({0x00}, 2),
                "row0 L2168x3223 H667 L735 H855x4 " + TapPause},
        TzxCase{"PureDataWithThreeBitsUsed", TzxBuilder().PureData({0xC0}, 3),
                "row0 L1710x4 L855x2 L3500 L3496500"},
        // Samples give levels, not edges: a run of equal ones is one pulse.
        TzxCase{"DirectRecording", TzxBuilder().DirectRecording(100, 8, {0xF0}),
                "row0 H400x2 H3500"},
        TzxCase{"DirectRecordingLastBits", TzxBuilder().DirectRecording(100, 2, {0x5F}),
                "row0 L100x2"},
        // CSW samples at 44.1 kHz become T-states by their running total.
        TzxCase{"CswRle", TzxBuilder().LengthPrefixed(0x18, CswBody(1, {10, 20, 0, 5, 0, 0, 0})),
                "row0 L794 H1587 L397 H3500"},
        TzxCase{"CswZRle",
                TzxBuilder().LengthPrefixed(0x18, CswBody(2, Deflated({10, 20, 0, 5, 0, 0, 0}))),
                "row0 L794 H1587 L397 H3500"},
        TzxCase{"Generalized", TzxBuilder().Generalized(8),
                "row0 L855x2 L1710x2 L855x2 L1710x4 L855x2 L1710x2 L855x2"},
        // The four edge flags of a symbol: toggle, keep, force low, force high.
        TzxCase{"GeneralizedKeep", TzxBuilder().LengthPrefixed(0x19, GeneralizedBody(1)),
                "row0 L300 L500 L500 H300"},
        TzxCase{"GeneralizedForceLow", TzxBuilder().LengthPrefixed(0x19, GeneralizedBody(2)),
                "row0 L300 L500 L500 H300"},
        TzxCase{"GeneralizedForceHigh", TzxBuilder().LengthPrefixed(0x19, GeneralizedBody(3)),
                "row0 L300 H500 H500 L300 H3500"},
        // Pulses of whole samples at 44.1 kHz play as whole samples, when all are.
        TzxCase{"GeneralizedInWholeSamples",
                TzxBuilder().LengthPrefixed(0x19, GeneralizedBody(0, 159, 317)),
                "row0 L159w H317wx2 H159w"},
        TzxCase{"GeneralizedNotAllInWholeSamples",
                TzxBuilder().LengthPrefixed(0x19, GeneralizedBody(0, 159, 318)),
                "row0 L159 H318x2 H159"},
        TzxCase{"Pause", TzxBuilder().Pause(5), "row0 L3500 L14000"},
        TzxCase{"PauseAfterAnEdge", TzxBuilder().PureTone(100, 1).Pause(5),
                "row0 L100 row1 H3500 L14000"},
        TzxCase{"StopTape", TzxBuilder().PureTone(100, 1).Pause(0).PureTone(100, 1),
                "row0 L100 row1 H3500 stop1 row2 L100 H3500"},
        TzxCase{"StopIf48K", TzxBuilder().PureTone(100, 1).StopIf48K().PureTone(100, 1),
                "row0 L100 row1 H3500 stop1 row2 L100 H3500"},
        // Play from a stop goes on from it: the user started the tape there.
        TzxCase{"StopAtTheFirstRow", TzxBuilder().PureTone(100, 1).Pause(0).PureTone(100, 1),
                "row1 row2 L100 H3500", PulseRange{1, std::nullopt}},
        TzxCase{"UpToARow", TzxBuilder().PureTone(100, 1).PureTone(200, 1), "row0 L100 H3500",
                PulseRange{0, 0}},
        TzxCase{"SignalLevel", TzxBuilder().SignalLevel(1).PureTone(100, 2),
                "row0 row1 H100x2 H3500"},
        TzxCase{"Jump", TzxBuilder().PureTone(100, 1).Jump(2).PureTone(200, 1).PureTone(300, 1),
                "row0 L100 row1 row3 H300"},
        // A jump back is followed once, or the tape would never end.
        TzxCase{"EndlessJump", TzxBuilder().PureTone(100, 1).Jump(-1),
                "row0 L100 row1 row0 H100 row1"},
        TzxCase{"Loop", TzxBuilder().LoopStart(2).PureTone(100, 1).LoopEnd().PureTone(200, 1),
                "row0 row1 L100 row2 row1 H100 row2 row3 L200 H3500"},
        // A call back to the loop's start while it runs must not start it
        // over, or the tape would never end.
        TzxCase{"LoopStartMetInsideTheLoop",
                TzxBuilder().LoopStart(2).Call({-1}).Return().LoopEnd().PureTone(100, 1),
                "row0 row1 row0 row1 row2 row2 row3 row1 row0 row1 row2 row2 row3 row4 L100 "
                "H3500"},
        // A jump inside a loop is followed on every pass.
        TzxCase{"JumpInALoop",
                TzxBuilder().LoopStart(2).Jump(2).PureTone(200, 1).LoopEnd().PureTone(100, 1),
                "row0 row1 row3 row1 row3 row4 L100 H3500"},
        // The last row asked for ends the tape, also when a jump passes it.
        TzxCase{"UpToARowThatAJumpPasses",
                TzxBuilder().PureTone(100, 1).Jump(2).PureTone(200, 1).PureTone(300, 1),
                "row0 L100 row1 H3500", PulseRange{0, 2}},
        // Symbols of no pulses sound nothing, however many: none is played.
        TzxCase{"GeneralizedWithoutPulses",
                TzxBuilder().LengthPrefixed(0x19, GeneralizedSilence()).PureTone(100, 1),
                "row0 row1 L100 H3500"},
        TzxCase{"CallAndReturn", TzxBuilder().Call({2}).PureTone(300, 1).PureTone(100, 1).Return(),
                "row0 row2 L100 row3 row1 H300 row2 L100 row3 H3500"},
        TzxCase{"Select", TzxBuilder().Select({"one", "two"}).PureTone(100, 1),
                "row0 choice0 row1 L100 H3500"},
        // Text and other informative blocks give no pulses.
        TzxCase{"Informative", TzxBuilder().Text("hello").ArchiveInfo({{0, "Game"}}), "row0 row1"},
        TzxCase{"Corrupt", TzxBuilder().PureTone(100, 1).PureTone(100, 1).Cut(1),
                "row0 L100 row1 H3500 corrupt1"},
        // A recording that does not read whole stops the tape where it
        // begins: no pulse of it, and no silence in its place.
        TzxCase{"CswZRleDamaged",
                TzxBuilder().PureTone(100, 1).LengthPrefixed(
                    0x18, CswBody(2,
                                  [] {
                                      Bytes data = Deflated({10, 20, 0, 5, 0, 0, 0});
                                      data.resize(data.size() -
                                                  3); // the stream's end and check are gone
                                      return data;
                                  }())),
                "row0 L100 row1 H3500 corrupt1"},
        TzxCase{"CswRleCutInsideACount",
                TzxBuilder().LengthPrefixed(0x18, CswBody(1, {10, 0, 5, 0})), "row0 corrupt0"},
        TzxCase{"CswUnknownCompression", TzxBuilder().LengthPrefixed(0x18, CswBody(3, {10, 20})),
                "row0 corrupt0"}),
    [](const auto& info) { return std::string(info.param.name); });

struct PzxCase {
    const char* name;
    PzxBuilder tape;
    std::string pulses;
};

class PzxPulses : public testing::TestWithParam<PzxCase> {};

TEST_P(PzxPulses, PlayAsTheBlocksSay) {
    EXPECT_EQ(PulsesOf(GetParam().tape.bytes(), ImageFormat::Pzx), GetParam().pulses);
}

INSTANTIATE_TEST_SUITE_P(
    Blocks, PzxPulses,
    testing::Values(
        // Repeats and 31-bit durations; each PULS block starts low.
        PzxCase{"Pulses", PzxBuilder().Pulses({{1, 100}, {3, 200}, {2, 0x12345}}),
                "row0 row1 L100 H200x3 L74565x2"},
        PzxCase{"PulsesStartLow", PzxBuilder().Pulses({{1, 100}}).Pulses({{1, 100}}),
                "row0 row1 L100 row2 L100 H3500"},
        // The initial level bit, the bits' pulses, then the tail.
        PzxCase{"Data", PzxBuilder().Data({0x80}, 2), "row0 row1 H1710x2 H855x2 H945"},
        PzxCase{"Pause", PzxBuilder().Pause(7000), "row0 row1 L7000"},
        PzxCase{"Stop", PzxBuilder().Pulses({{1, 100}}).Stop(0).Pulses({{1, 100}}),
                "row0 row1 L100 row2 H3500 stop2 row3 L100 H3500"}),
    [](const auto& info) { return std::string(info.param.name); });

} // namespace
} // namespace bitreel
