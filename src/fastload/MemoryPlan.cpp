// Where the loader, its tail and the chunks go.
#include "fastload/MemoryPlan.h"

#include "FastLoaderImages.h"
#include "tape/HexText.h"

#include <algorithm>

namespace bitreel::fastload {
namespace {

constexpr std::uint32_t ScreenEnd = 0x5B00;
constexpr std::uint32_t ResidentEnd = 0x8100;
constexpr std::uint32_t Bank2End = 0xC000;
constexpr std::uint32_t PageSize = 0x100;
constexpr std::uint32_t RamStart = 0x4000;

struct Range {
    std::uint32_t start;
    std::uint32_t end;
};

bool Overlap(Range a, Range b) {
    return a.start < b.end && b.start < a.end;
}

// The bank-2 addresses the tail writes, as the restore sees them: its own,
// and with bank 2 paged at 0xC000 (the restore pages before it copies the
// tail) the part there again where bank 2 also stands, 0x4000 lower.
std::vector<Range> TailRanges(const Snapshot& snapshot) {
    const std::uint16_t sp = snapshot.regs.sp;
    const std::uint32_t top = sp == 0 ? 0x10000 : sp;
    const Range tail{top - static_cast<std::uint32_t>(TailBytes), top};
    std::vector<Range> ranges{tail};
    const bool bank2High = Is128K(snapshot.model) && (snapshot.port7ffd & 7) == 2;
    if (bank2High && tail.end > Bank2End) {
        ranges.push_back({std::max(tail.start, Bank2End) - 0x4000, tail.end - 0x4000});
    }
    return ranges;
}

bool Overlap(const std::vector<Range>& ranges, Range b) {
    return std::any_of(ranges.begin(), ranges.end(), [b](Range a) { return Overlap(a, b); });
}

// A range of addresses less the holes in it, as chunks of one bank.
void AddChunks(std::vector<Chunk>& chunks, std::size_t bank, Range range,
               const std::vector<Range>& holes, std::optional<std::uint8_t> page) {
    std::vector<Range> inside;
    for (const Range& hole : holes) {
        if (Overlap(hole, range)) {
            inside.push_back(hole);
        }
    }
    std::sort(inside.begin(), inside.end(), [](Range a, Range b) { return a.start < b.start; });
    std::uint32_t at = range.start;
    for (const Range& hole : inside) {
        if (hole.start > at) {
            chunks.push_back({bank, at, hole.start, page});
            page.reset();
        }
        at = std::max(at, hole.end);
    }
    if (at < range.end) {
        chunks.push_back({bank, at, range.end, page});
    }
}

} // namespace

MemoryPlan PlanMemory(const Snapshot& snapshot, std::size_t (*mainSize)(std::size_t chunks)) {
    const std::uint16_t sp = snapshot.regs.sp;
    if (sp != 0 && sp < RamStart + TailBytes) {
        const std::string where = sp < RamStart ? " is in the ROM" : " is too near the ROM";
        throw SnapshotRefused("its stack pointer (0x" + Hex(sp, 4) + ")" + where + ": the " +
                              std::to_string(TailBytes) +
                              " bytes below it, where the loader's last steps stand, reach into "
                              "the ROM");
    }
    MemoryPlan plan;
    plan.residentAt = loader::fastboot::fail;
    plan.tailAt = static_cast<std::uint16_t>(sp - TailBytes);
    const std::vector<Range> tail = TailRanges(snapshot);
    const Range resident{plan.residentAt, ResidentEnd};
    if (Overlap(tail, resident)) {
        const bool aliased = !Overlap(tail.front(), resident);
        throw SnapshotRefused("its stack (SP 0x" + Hex(sp, 4) + ") is " +
                              (aliased ? "in bank 2, paged at 0xC000, " : "") +
                              "where the loader's resident part must stay");
    }
    // The most chunks a plan can have: the screen, the rest of banks 5 and
    // 2 in up to three pieces round the loader, and the other banks.
    const bool is128 = Is128K(snapshot.model);
    plan.mainSize = mainSize(is128 ? 10 : 4);
    for (std::uint32_t at = ResidentEnd;; at += PageSize) {
        const Range main{at, at + static_cast<std::uint32_t>(plan.mainSize)};
        if (main.end > Bank2End) {
            throw SnapshotRefused("its stack leaves the loader no room in bank 2");
        }
        if (!Overlap(tail, main)) {
            plan.mainAt = static_cast<std::uint16_t>(at);
            break;
        }
    }
    const std::vector<Range> loader{
        resident, {plan.mainAt, plan.mainAt + static_cast<std::uint32_t>(plan.mainSize)}};
    // A 48K program on a 128 finds bank 0 at 0xC000 whatever BASIC left;
    // its memory is one run from the screen up.
    if (!is128) {
        // A 16K program had no RAM above 0x8000: none of it is loaded.
        AddChunks(plan.chunks, 0, {RamStart, ScreenEnd}, loader, 0x10);
        AddChunks(plan.chunks, 0, {ScreenEnd, snapshot.ran16K ? 0x8000u : 0x10000u}, loader,
                  std::nullopt);
        return plan;
    }
    AddChunks(plan.chunks, 0, {RamStart, ScreenEnd}, loader, std::nullopt);
    AddChunks(plan.chunks, 0, {ScreenEnd, Bank2End}, loader, std::nullopt);
    for (const std::size_t bank : {0, 1, 3, 4, 6, 7}) {
        AddChunks(plan.chunks, bank, {Bank2End, 0x10000}, loader,
                  static_cast<std::uint8_t>(0x10 | bank));
    }
    return plan;
}

} // namespace bitreel::fastload
