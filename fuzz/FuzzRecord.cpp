// Feeds arbitrary bytes from the simulated machine, cut into arbitrary
// reads, to the recording's frame gathering in every layout, the way the
// Record command takes them in, describes and stores each block.
#include "support/SimulatedLine.h"
#include "tape/Tape.h"
#include "transfer/FrameGatherer.h"

#include <fuzzer/FuzzedDataProvider.h>

#include <cstddef>
#include <cstdint>
#include <vector>

namespace {

using namespace bitreel;

void Require(bool holds) {
    if (!holds) {
        __builtin_trap();
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FuzzedDataProvider in(data, size);
    const TapeLayout layout =
        in.PickValueInArray({TapeLayout::SpectrumTap, TapeLayout::AceTap, TapeLayout::AceJup});
    const MachineKind machine =
        layout == TapeLayout::SpectrumTap ? MachineKind::Spectrum : MachineKind::JupiterAce;
    const bool isTapFile = in.ConsumeBool();
    std::vector<std::size_t> reads(in.ConsumeIntegralInRange<std::size_t>(1, 16));
    for (std::size_t& n : reads) {
        n = in.ConsumeIntegralInRange<std::size_t>(0, 300);
    }
    reads.back() = std::max<std::size_t>(reads.back(), 1); // the last size repeats
    const std::vector<std::uint8_t> sent = in.ConsumeRemainingBytes<std::uint8_t>();

    test::SimulatedLine line;
    line.Open();
    line.Send(sent, test::SendPlan{reads});

    FrameGatherer gatherer;
    BlockLister lister(machine, isTapFile);
    std::size_t taken = 0;
    std::size_t completed = 0; // bytes of the frames completed, in arrival order
    // One pass per read, as the recording makes them, until nothing is left.
    for (std::size_t pass = 0; pass < 2 * sent.size() + 64; ++pass) {
        const std::vector<std::uint8_t> bytes = line.ReadAll();
        taken += bytes.size();
        gatherer.Take(bytes);
        if (!gatherer.Waiting() || !gatherer.Gather()) {
            continue;
        }
        Require(gatherer.Count() <= gatherer.Total());
        if (!gatherer.Complete()) {
            continue;
        }
        const TapeBlock block = gatherer.TakeBlock();
        // A frame is whole and in order: its length field, then its body.
        Require(block.Length >= 0 &&
                block.Bytes.size() == static_cast<std::size_t>(block.Length) + 2);
        Require(Le16At(block.Bytes, 0) == block.Length);
        Require(completed + block.Bytes.size() <= sent.size());
        for (std::size_t i = 0; i < block.Bytes.size(); ++i) {
            Require(block.Bytes[i] == sent[completed + i]);
        }
        completed += block.Bytes.size();

        (void)lister.Row(block);
        const std::vector<std::uint8_t> stored = BlockInLayout(block.Bytes, layout);
        const bool dropsFlag = layout == TapeLayout::AceTap && block.Length > 0;
        Require(stored.size() == block.Bytes.size() - (dropsFlag ? 1 : 0));
        Require(Le16At(stored, 0) == stored.size() - 2);
        // The file read back holds the same block; the Ace TAP layout
        // supplies a flag of its own, and reads an empty block as one byte.
        if (layout == TapeLayout::AceTap && block.Length == 0) {
            continue;
        }
        TapeImage image(stored, ImageFormat::Blocks, machine, layout, isTapFile);
        image.IndexAll();
        Require(image.RowCount() == 1);
        const ImageBlock back = image.Block(0);
        Require(back.Sent() && back.stored.size() == block.Bytes.size());
        for (std::size_t i = 0; i < back.stored.size(); ++i) {
            Require(back.stored[i] == block.Bytes[i] || (layout == TapeLayout::AceTap && i == 2));
        }
    }
    Require(taken == sent.size());
    return 0;
}
