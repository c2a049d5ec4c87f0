// Measures the companion on the emulated machines over the line simulated
// bit by bit, in the machine's own time:
//   companion_bench [rate|clock ...]   (both when none given)
// rate:  the largest block below the companion's stack played to LD-BYTES,
//        and 48 KB sent by SA-BYTES to Record: bytes a second against the
//        line's 960;
// clock: the widest error of the PC's clock, each way, at which LD-BYTES
//        (with 3 bytes sent after CTS drops) and SA-BYTES still move 2 KB.
#include "machine/MachineRig.h"
#include "support/TapeBuilder.h"
#include "support/TempDir.h"

#include <algorithm>
#include <cstdio>
#include <string>

namespace {

using namespace bitreel;
using namespace bitreel::test;

const char* Name(Board board) {
    return board == Board::Spectrum128 ? "Spectrum 128" : "Interface 1";
}

Bytes Pattern(std::size_t size) {
    Bytes bytes(size);
    for (std::size_t i = 0; i < size; ++i) {
        bytes[i] = static_cast<std::uint8_t>(i * 31 + (i >> 8));
    }
    return bytes;
}

// LD-BYTES of a block at 16384; the seconds from its first byte on the
// line to the call's return, or a negative number when it failed.
double Load(Board board, int baud, std::size_t size, std::size_t late) {
    MachineRig rig(board, baud, late);
    const Bytes block = Pattern(size);
    TempDir dir;
    TapeBuilder().Block(255, block).WriteTo(dir / "BLOCK.TAP");
    rig.Call(CompanionLdBytes, {255, static_cast<std::uint16_t>(size), 16384, true});
    rig.Play(dir / "BLOCK.TAP");
    rig.Finish(1);
    const auto& memory = rig.machine.Memory();
    if (!rig.machine.Fault().empty() || !rig.machine.Carry() ||
        !std::equal(block.begin(), block.end(), memory.begin() + 16384)) {
        return -1;
    }
    return rig.Seconds(rig.machine.Now() - rig.wire.StartOf(0));
}

// SA-BYTES of the memory at 16384 to Record; the seconds the call took, or
// a negative number when the recording differs below the machine stack
// (the stack and the companion's workspace change as they go).
double Send(Board board, int baud, std::size_t size) {
    MachineRig rig(board, baud, 0);
    auto& memory = rig.machine.Memory();
    const Bytes pattern = Pattern(std::min<std::size_t>(size, rig.Origin() - 16384u - 64));
    std::copy(pattern.begin(), pattern.end(), memory.begin() + 16384);
    rig.Call(CompanionSaBytes, {255, static_cast<std::uint16_t>(size), 16384, true});
    const Bytes block(memory.begin() + 16384,
                      memory.begin() + 16384 + static_cast<long>(pattern.size()));
    const auto start = rig.machine.Now();
    TempDir dir;
    rig.Record(dir / "SENT.TAP");
    const auto sent = ReadFileBytes(dir / "SENT.TAP");
    if (!rig.machine.Fault().empty() || !rig.machine.Carry() || sent.size() != size + 4 ||
        !std::equal(block.begin(), block.end(), sent.begin() + 3)) {
        return -1;
    }
    return rig.Seconds(rig.machine.Now() - start);
}

void Rate() {
    for (const Board board : {Board::Spectrum128, Board::Interface1}) {
        // All the RAM below the companion but the machine stack's.
        const std::size_t below = MachineRig(board).Origin() - 16384u - 64;
        const double in = Load(board, 9600, below, 0);
        const double out = Send(board, 9600, 49152);
        std::printf("%s: LD-BYTES %zu bytes in %.2f s, %.1f bytes/s; SA-BYTES 49152 bytes in "
                    "%.2f s, %.1f bytes/s (the line carries 960)\n",
                    Name(board), below, in, (below + 4) / in, out, 49156 / out);
    }
}

// The widest error in steps of 0.1% at which every step up to it works.
double Widest(int sign, const auto& works) {
    int step = 0;
    while (step < 200 && works(static_cast<int>(9600 * (1 + sign * (step + 1) / 1000.0) + 0.5))) {
        ++step;
    }
    return step / 10.0;
}

void Clock() {
    for (const Board board : {Board::Spectrum128, Board::Interface1}) {
        const auto load = [&](int baud) { return Load(board, baud, 2048, 3) > 0; };
        const auto send = [&](int baud) { return Send(board, baud, 2048) > 0; };
        std::printf("%s: LD-BYTES works with the PC's clock up to %.1f%% fast and %.1f%% slow; "
                    "SA-BYTES up to %.1f%% fast and %.1f%% slow\n",
                    Name(board), Widest(1, load), Widest(-1, load), Widest(1, send),
                    Widest(-1, send));
    }
}

} // namespace

int main(int argc, char** argv) {
    bool rate = argc < 2;
    bool clock = argc < 2;
    for (int i = 1; i < argc; ++i) {
        const std::string word = argv[i];
        rate = rate || word == "rate";
        clock = clock || word == "clock";
    }
    if (rate) {
        Rate();
    }
    if (clock) {
        Clock();
    }
    return 0;
}
