// Decoded blocks written as TZX blocks: the timings measured, the bytes as
// read, and what was not understood kept as sound.
#include "signal/RecordingTzx.h"

#include "tape/RecordingHook.h"

#include <algorithm>
#include <cmath>
#include <stdexcept>
#include <system_error>

namespace bitreel {
namespace {

class Out {
public:
    void Byte(std::uint32_t value) { bytes.push_back(std::uint8_t(value)); }
    void Word(std::uint32_t value) { Le(value, 2); }
    void Le(std::uint32_t value, int size) {
        for (int i = 0; i < size; ++i) {
            Byte(value >> (8 * i));
        }
    }
    void Add(std::span<const std::uint8_t> more) {
        bytes.insert(bytes.end(), more.begin(), more.end());
    }
    std::vector<std::uint8_t> bytes;
};

std::uint32_t Clamped(double value, std::uint32_t most) {
    return std::uint32_t(std::clamp(std::lround(value), 1L, long(most)));
}

void Text(Out& out, const std::string& text) {
    out.Byte(0x30);
    const std::size_t n = std::min<std::size_t>(text.size(), 255);
    out.Byte(std::uint32_t(n));
    out.Add(std::span(reinterpret_cast<const std::uint8_t*>(text.data()), n));
}

// The signature, and for a Jupiter Ace tape a hardware block that names the
// machine it runs on, so that the image lists as that machine's whatever
// block it starts with.
void Header(Out& out, MachineKind machine) {
    for (const char c : std::string_view("ZXTape!\x1A")) {
        out.Byte(std::uint8_t(c));
    }
    out.Byte(1);
    out.Byte(20);
    if (machine == MachineKind::JupiterAce) {
        out.Byte(0x33);
        out.Byte(1);    // one entry:
        out.Byte(0x00); // a computer,
        out.Byte(0x1A); // the Jupiter Ace,
        out.Byte(0x00); // runs the tape
    }
}

void Block(Out& out, const DecodedBlock& b, std::uint32_t pause) {
    if (!b.checksumGood) {
        Text(out, DamageText(b));
    }
    // A standard speed block of a Jupiter Ace tape is at the Ace's ROM
    // timings, as the Ace's archives of tapes keep them.
    if (b.romTimings && b.bytes.size() <= 0xFFFF) {
        out.Byte(0x10);
        out.Word(pause);
        out.Word(std::uint32_t(b.bytes.size()));
    } else {
        out.Byte(0x11);
        out.Word(Clamped(b.pilot, 0xFFFF));
        out.Word(Clamped(b.sync1, 0xFFFF));
        out.Word(Clamped(b.sync2, 0xFFFF));
        out.Word(Clamped(b.zero, 0xFFFF));
        out.Word(Clamped(b.one, 0xFFFF));
        out.Word(Clamped(double(b.pilotPulses), 0xFFFF));
        out.Byte(8);
        out.Word(pause);
        out.Le(std::uint32_t(b.bytes.size()), 3);
    }
    out.Add(b.bytes);
}

void Csw(Out& out, const DecodedRecording& r, const Stretch& s, std::uint32_t pause) {
    Out pulses;
    std::uint32_t count = 0;
    for (std::size_t k = s.firstEdge; k + 1 < s.endEdge; ++k) {
        // Whole samples from rounded edges: no rounding error builds up.
        const auto length =
            std::uint32_t(std::max(1L, std::lround(r.edges[k + 1]) - std::lround(r.edges[k])));
        if (length <= 0xFF) {
            pulses.Byte(length);
        } else {
            pulses.Byte(0);
            pulses.Le(length, 4);
        }
        ++count;
    }
    out.Byte(0x18);
    out.Le(std::uint32_t(pulses.bytes.size() + 10), 4);
    out.Word(pause);
    out.Le(r.rate, 3);
    out.Byte(1); // run-length coded
    out.Le(count, 4);
    out.Add(pulses.bytes);
}

std::string Position(const BitPosition& p) {
    return std::to_string(p.byte + 1) + "." + std::to_string(p.bit);
}

} // namespace

std::string DamageText(const DecodedBlock& block) {
    std::string text = "damaged: least certain bits";
    for (const auto& p : block.weakest) {
        text += " " + Position(p);
    }
    // A last one that only fills the last byte was no gap in the sound.
    const std::size_t dropouts =
        block.dropouts.size() -
        (!block.dropouts.empty() && block.dropouts.back().resumeBit == block.bytes.size() * 8 ? 1
                                                                                              : 0);
    if (dropouts > 0) {
        text += "; " + std::to_string(dropouts) + (dropouts == 1 ? " dropout" : " dropouts") +
                " bridged";
    }
    if (block.repair) {
        text += "; repaired: flip";
        for (const auto& p : *block.repair) {
            text += " " + Position(p);
        }
    }
    return text;
}

std::uint32_t SilenceMs(const DecodedRecording& r, std::size_t endEdge, std::size_t nextEdge) {
    if (nextEdge >= r.edges.size() || endEdge >= r.edges.size()) {
        return 1000;
    }
    return Clamped((r.edges[nextEdge] - r.edges[endEdge]) * 1000.0 / r.rate, 0xFFFF);
}

std::vector<std::uint8_t> BlocksTzx(std::span<const PausedBlock> blocks, MachineKind machine) {
    Out out;
    Header(out, machine);
    for (const auto& [block, pause] : blocks) {
        Block(out, *block, pause);
    }
    return std::move(out.bytes);
}

std::vector<std::uint8_t> RecordingTzx(const DecodedRecording& recording, MachineKind machine) {
    Out out;
    Header(out, machine);
    const auto& blocks = recording.tape.blocks;
    const auto& stretches = recording.tape.stretches;
    std::size_t b = 0;
    std::size_t s = 0;
    while (b < blocks.size() || s < stretches.size()) {
        const bool block = s == stretches.size() ||
                           (b < blocks.size() && blocks[b].firstEdge < stretches[s].firstEdge);
        const std::size_t end = block ? blocks[b].endEdge : stretches[s].endEdge;
        const std::size_t nextBlock =
            b + (block ? 1 : 0) < blocks.size() ? blocks[b + (block ? 1 : 0)].firstEdge : SIZE_MAX;
        const std::size_t nextStretch = s + (block ? 0 : 1) < stretches.size()
                                            ? stretches[s + (block ? 0 : 1)].firstEdge
                                            : SIZE_MAX;
        const std::uint32_t pause = SilenceMs(recording, end, std::min(nextBlock, nextStretch));
        if (block) {
            Block(out, blocks[b++], pause);
        } else {
            Csw(out, recording, stretches[s++], pause);
        }
    }
    if (blocks.empty() && stretches.empty()) {
        Text(out, "no blocks found");
    }
    return std::move(out.bytes);
}

void InstallRecordingFiles() {
    InstallRecordingReader([](const std::filesystem::path& path, MachineKind machine) {
        return RecordingTzx(DecodeRecordingFile(path, machine), machine);
    });
}

} // namespace bitreel
