// Feeds arbitrary bytes to every decoder that looks inside a block: each
// must stay inside the bytes it is given, whatever they hold.
#include "tape/Tape.h"
#include "view/View.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    // A copy of exactly the given size, so that the address checker sees
    // any read past its end.
    const std::vector<std::uint8_t> bytes(data, data + size);
    const std::span<const std::uint8_t> all(bytes);
    namespace view = bitreel::view;

    // The first two bytes choose where the variables start, as a header would.
    const std::size_t programLength = size >= 2 ? (bytes[0] | (bytes[1] << 8)) : 0;
    (void)view::ListBasic(all, programLength).Text();
    (void)view::ListBasicProgram(all);
    (void)view::ListBasicVariables(all);
    (void)view::ListNumberArray(all, "a");
    (void)view::ListCharArray(all, "a$");
    (void)view::HexDump(all);

    // A header from the front, the data after it.
    const std::size_t split = std::min(size, bitreel::AceHeaderBytes);
    (void)view::ListAceWords(all.first(split), all.subspan(split));

    // The screen needs its 6912 bytes: the input repeated to that size. It
    // is slow to draw and has no branch on the bytes, so only for inputs
    // that begin "SC" (the fuzzer finds the prefix by itself).
    if (size >= 2 && bytes[0] == 'S' && bytes[1] == 'C') {
        std::vector<std::uint8_t> screen(view::ScreenBytes);
        for (std::size_t i = 0; i < screen.size(); ++i) {
            screen[i] = bytes[i % size];
        }
        (void)view::RenderScreen(screen);
    }
    (void)view::RenderScreen(all);

    for (const auto machine : {bitreel::MachineKind::Spectrum, bitreel::MachineKind::JupiterAce}) {
        for (const std::size_t headerSize : {std::size_t{17}, bitreel::AceHeaderBytes}) {
            if (size < headerSize) {
                continue;
            }
            const auto header = all.first(headerSize);
            const auto rest = all.subspan(headerSize);
            for (const auto fitting : view::FittingViews(machine, header, rest)) {
                (void)view::ViewText(fitting, header, rest);
            }
        }
    }
    // The inspector's way in: the blocks around each row of the bytes read
    // as a tape image, paired with their header or data, and shown; as
    // blocks in every layout, and as the blocks of a TZX image.
    const auto show = [](const bitreel::TapeImage& image) {
        for (std::size_t row = 0; row < std::min<std::size_t>(4, image.RowCount()); ++row) {
            const auto blocks = view::BlocksAround(image, row);
            (void)view::HexDump(*blocks.at, image.Layout());
            const auto shown = view::ViewsOfRow(blocks, image.Machine());
            if (shown.header) {
                (void)view::ListHeaderFields(image.Machine(), *shown.header);
            }
            for (const auto fitting : shown.views) {
                (void)view::ViewText(fitting, shown.header, shown.data);
            }
        }
    };
    for (const auto layout : {bitreel::TapeLayout::SpectrumTap, bitreel::TapeLayout::AceTap,
                              bitreel::TapeLayout::AceJup}) {
        const auto machine = layout == bitreel::TapeLayout::SpectrumTap
                                 ? bitreel::MachineKind::Spectrum
                                 : bitreel::MachineKind::JupiterAce;
        bitreel::TapeImage image(bytes, bitreel::ImageFormat::Blocks, machine, layout, true);
        image.Advance(5);
        show(image);
    }
    std::vector<std::uint8_t> tzx{'Z', 'X', 'T', 'a', 'p', 'e', '!', 0x1A, 1, 20};
    tzx.insert(tzx.end(), bytes.begin(), bytes.end());
    bitreel::TapeImage image(std::move(tzx), bitreel::ImageFormat::Tzx,
                             bitreel::MachineKind::Spectrum, bitreel::TapeLayout::SpectrumTap,
                             false);
    image.Advance(5);
    show(image);
    return 0;
}
