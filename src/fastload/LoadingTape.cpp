// The tape that loads a snapshot.
#include "fastload/LoadingTape.h"
#include "tape/HexText.h"

#include "FastLoaderImages.h"
#include "fastload/Bootstrap.h"
#include "fastload/FastTzx.h"
#include "fastload/LoaderParts.h"
#include "fastload/LoaderTiming.h"
#include "fastload/Packer.h"

#include <cmath>
#include <cstdio>

namespace bitreel::fastload {
namespace {

namespace boot = loader::fastboot;

// The ROM needs a second of anything after the first edge it finds, then
// 256 pulse pairs of pilot: 2,176 pulses with the sound 3% fast, and a
// frame more after the header, where the ROM prints its name before it
// listens again. This leaves room for a worn cassette's bad pulse or two.
constexpr std::uint16_t RomPilotPulses = 2400;
// After the bootstrap: BASIC runs its line, the first steps copy the
// resident part (25 ms in FUSE), in T-states with room to spare.
constexpr double BasicRunsT = 0.12 * 3'500'000;
// The main part's own work between two blocks.
constexpr double BetweenChunksT = 2'000;
constexpr double RestoreT = 8'000;
// The resident part's check: T-states a byte.
constexpr double ResidentCheckT = 55;

// Pilot pulses for a block the machine listens for after busy T-states.
std::uint32_t PilotFor(const PulseCode& code, double busy) {
    return boot::MINPILOTS + SparePilotPulses +
           static_cast<std::uint32_t>(std::ceil(busy / ShortestTStates(code.pilot)));
}

// The 64 KB the unpacker sees for a chunk, and where it may copy from: the
// chunks before it that it sees.
struct View {
    std::vector<std::uint8_t> memory = std::vector<std::uint8_t>(65536, 0);
    std::vector<std::uint8_t> settled = std::vector<std::uint8_t>(65536, 0);
};

View ViewFor(const Snapshot& snapshot, const std::vector<Chunk>& chunks, std::size_t index) {
    View view;
    const Chunk& chunk = chunks[index];
    for (std::uint32_t a = 0x4000; a < 0x10000; ++a) {
        const std::size_t bank = a < 0x8000 ? 5 : a < 0xC000 ? 2 : chunk.bank;
        view.memory[a] = snapshot.banks[bank][a % BankSize];
    }
    for (std::size_t i = 0; i < index; ++i) {
        const Chunk& before = chunks[i];
        if (before.start < 0xC000 || before.bank == chunk.bank) {
            std::fill(view.settled.begin() + before.start, view.settled.begin() + before.end, 1);
        }
    }
    return view;
}

std::string ChunkText(const Chunk& chunk, std::size_t loaded, bool is128) {
    std::string text = "Memory 0x" + Hex(chunk.start, 4) + "-0x" + Hex(chunk.end - 1, 4);
    if (is128 && chunk.start >= 0xC000) {
        text += " (bank " + std::to_string(chunk.bank) + ")";
    }
    return text + ": " + std::to_string(chunk.end - chunk.start) + " bytes in " +
           std::to_string(loaded);
}

void CheckRestorable(const Snapshot& snapshot) {
    if (HasPort1ffd(snapshot.model) && (snapshot.port1ffd & 1) != 0) {
        throw SnapshotRefused(
            "it uses the +2A/+3's all-RAM paging, which the loader cannot give back");
    }
}

} // namespace

std::string SnapshotText(const Snapshot& snapshot) {
    const Z80Registers& r = snapshot.regs;
    std::string text = std::string("Snapshot ") + ModelName(snapshot.model) + ": PC 0x" +
                       Hex(r.pc, 4) + ", IM " + std::to_string(r.im) + ", interrupts " +
                       (r.iff1 ? "on" : "off") + ", border " + std::to_string(snapshot.border & 7);
    if (r.iff1 != r.iff2) {
        text += " (IFF2 cannot be set apart from IFF1: both " + std::string(r.iff1 ? "on" : "off") +
                ")";
    }
    return text;
}

LoadingTape BuildLoadingTape(const Snapshot& snapshot, unsigned speedNumber,
                             std::string_view name) {
    CheckRestorable(snapshot);
    const FastSpeed& speed = SpeedOf(speedNumber);
    const bool is128 = Is128K(snapshot.model);
    LoadingTape tape;
    tape.plan = PlanMemory(snapshot, MainPartSize);
    const MemoryPlan& plan = tape.plan;

    const auto tstatesPerBit =
        static_cast<std::uint32_t>(TStatesOfSamples(speed.data.zero + speed.data.one) / 2);
    std::vector<LoadedChunk> chunks;
    std::vector<std::uint64_t> unpackT;
    for (std::size_t i = 0; i < plan.chunks.size(); ++i) {
        const Chunk& chunk = plan.chunks[i];
        const View view = ViewFor(snapshot, plan.chunks, i);
        PackedChunk packed =
            Pack({view.memory, view.settled, chunk.start, chunk.end, tstatesPerBit});
        unpackT.push_back(packed.unpackTStates);
        chunks.push_back({chunk, std::move(packed.loaded), packed.unpackedEnd});
    }
    const LoaderParts parts = BuildLoaderParts(snapshot, plan, speed, chunks);
    const std::vector<std::uint8_t> program = BootstrapProgram(parts.basicCode);
    tape.bootstrapBytes = program.size();
    tape.residentBytes = boot::Size;
    tape.mainBytes = parts.main.size();
    for (std::size_t i = 0; i < TailBytes; ++i) {
        tape.tailChanged +=
            parts.tail[i] != snapshot.At(static_cast<std::uint16_t>(plan.tailAt + i)) ? 1 : 0;
    }

    FastTzx tzx;
    tzx.Text(SnapshotText(snapshot));
    const auto header = BootstrapHeader(name, program.size());
    tzx.RomBlock(RomBlock(0x00, header), RomPilotPulses);
    tape.blockTexts.push_back("Bootstrap header");
    tzx.RomBlock(RomBlock(0xFF, program), RomPilotPulses);
    tape.blockTexts.push_back("Bootstrap: BASIC and the loader's resident part, " +
                              std::to_string(program.size()) + " bytes");
    tzx.FastBlock(speed.loader, PilotFor(speed.loader, BasicRunsT), parts.main);
    tape.blockTexts.push_back("Loader's main part, " + std::to_string(parts.main.size()) +
                              " bytes");
    double busy = ResidentCheckT * static_cast<double>(parts.main.size()) + BetweenChunksT;
    for (std::size_t i = 0; i < chunks.size(); ++i) {
        tzx.FastBlock(speed.data, PilotFor(speed.data, busy), chunks[i].loaded);
        tape.blockTexts.push_back(ChunkText(chunks[i].chunk, chunks[i].loaded.size(), is128));
        busy = static_cast<double>(unpackT[i]) * ContendedFactor + BetweenChunksT;
    }
    busy += RestoreT;
    tzx.FastBlock(speed.loader, PilotFor(speed.loader, busy),
                  SnapshotBytes(snapshot, plan.mainAt, plan.mainSize));
    tape.blockTexts.push_back("Memory 0x" + Hex(plan.mainAt, 4) + "-0x" +
                              Hex(static_cast<unsigned>(plan.mainAt + plan.mainSize - 1), 4) +
                              ", where the main part stood");
    busy = ResidentCheckT * static_cast<double>(plan.mainSize) + BetweenChunksT;
    tzx.FastBlock(TailCode, PilotFor(TailCode, busy),
                  SnapshotBytes(snapshot, plan.residentAt, boot::Size), true);
    tape.blockTexts.push_back("Memory 0x" + Hex(plan.residentAt, 4) +
                              "-0x80FF, where the resident part stood, and the registers");
    tape.tzx = tzx.Take();
    return tape;
}

std::vector<std::uint8_t> LoadingTapeTzx(const Snapshot& snapshot, unsigned speed) {
    return BuildLoadingTape(snapshot, speed).tzx;
}

} // namespace bitreel::fastload
