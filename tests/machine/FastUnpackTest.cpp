// The packer's streams unpacked in place by the main part's Z80 unpacker on
// the emulated Spectrum: the same bytes as the packer's own unpacking gives,
// nothing written outside the chunk, and no slower than the packer's time
// model says (memory uncontended; with contention, within the margin the
// tape gives it).
#include "FastLoaderImages.h"
#include "fastload/Packer.h"
#include "machine/PagedSpectrum.h"
#include "support/SnapshotFiles.h"

#include <gtest/gtest.h>
#include <z80ex/z80ex.h>

#include <random>

namespace bitreel::test {
namespace {

namespace image = loader::fastmain;

constexpr std::uint16_t Sentinel = 0x0000; // the unpacker returns into the ROM: the run stops

struct UnpackCase {
    const char* name;
    std::size_t start;
    std::size_t end;
    // The memory the chunk is cut from: the chunk's bytes and, below it,
    // what is settled when it unpacks (from settledFrom up to start).
    std::function<std::vector<std::uint8_t>()> memory;
    std::size_t settledFrom;
};

void PrintTo(const UnpackCase& c, std::ostream* out) {
    *out << c.name;
}

std::vector<std::uint8_t> Noise(std::size_t seed) {
    std::vector<std::uint8_t> memory(65536);
    std::mt19937 random(static_cast<std::uint32_t>(seed));
    for (auto& byte : memory) {
        byte = static_cast<std::uint8_t>(random());
    }
    return memory;
}

// Words and numbers, repeated with changes: matches at every distance and
// length, runs between them.
std::vector<std::uint8_t> Text() {
    std::vector<std::uint8_t> memory = Noise(7);
    const std::string words[] = {"LOAD", "\"\"", "CODE", " ", "PRINT", "AT ", "10", "2", "GO TO"};
    std::mt19937 random(3);
    for (std::size_t at = 0x4000; at < 0x10000;) {
        const std::string& word = words[random() % std::size(words)];
        for (const char c : word) {
            if (at < 0x10000) {
                memory[at++] = static_cast<std::uint8_t>(c);
            }
        }
        if (random() % 5 == 0 && at < 0x10000) {
            memory[at++] = static_cast<std::uint8_t>(random());
        }
    }
    return memory;
}

std::vector<std::uint8_t> Filled(std::uint8_t value) {
    std::vector<std::uint8_t> memory(65536, value);
    return memory;
}

// A chunk that ends in bytes found nowhere else: the raw bytes kept at its
// end grow.
std::vector<std::uint8_t> ZerosThenNoise() {
    std::vector<std::uint8_t> memory = Noise(11);
    std::fill(memory.begin() + 0x4000, memory.begin() + 0x5F00, 0);
    return memory;
}

std::vector<std::uint8_t> Technted() {
    const Snapshot snapshot = TestSnapshot("speccymac-technted.z80");
    std::vector<std::uint8_t> memory(65536);
    for (std::size_t a = 0x4000; a < 0x10000; ++a) {
        memory[a] = snapshot.At(static_cast<std::uint16_t>(a));
    }
    return memory;
}

class FastUnpack : public testing::TestWithParam<UnpackCase> {};

TEST_P(FastUnpack, TheMachineUnpacksWhatThePackerMeant) {
    const UnpackCase& c = GetParam();
    const std::vector<std::uint8_t> want = c.memory();
    std::vector<std::uint8_t> settled(65536, 0);
    std::fill(settled.begin() + static_cast<long>(c.settledFrom),
              settled.begin() + static_cast<long>(c.start), 1);
    const fastload::PackedChunk packed = fastload::Pack({want, settled, c.start, c.end, 238});
    ASSERT_LE(packed.loaded.size(), c.end - c.start);

    // The loaded bytes at the chunk's end, the rest of it anything.
    std::vector<std::uint8_t> loaded = Noise(1);
    std::copy(want.begin() + static_cast<long>(c.settledFrom),
              want.begin() + static_cast<long>(c.start),
              loaded.begin() + static_cast<long>(c.settledFrom));
    std::copy(packed.loaded.begin(), packed.loaded.end(),
              loaded.begin() + static_cast<long>(c.end - packed.loaded.size()));
    std::vector<std::uint8_t> reference = loaded;
    ASSERT_TRUE(fastload::UnpackInPlace(reference, settled, c.start, c.end, packed.loaded.size(),
                                        packed.unpackedEnd));
    EXPECT_TRUE(std::equal(want.begin() + static_cast<long>(c.start),
                           want.begin() + static_cast<long>(c.end),
                           reference.begin() + static_cast<long>(c.start)));

    for (const bool contended : {false, true}) {
        PagedSpectrum machine(SpectrumModel::Spectrum48, contended);
        for (std::size_t a = 0x4000; a < 0x10000; ++a) {
            machine.Poke(static_cast<std::uint16_t>(a), loaded[a]);
        }
        for (std::size_t i = 0; i < image::Size; ++i) {
            machine.Poke(static_cast<std::uint16_t>(image::main + i), image::Bytes[i]);
        }
        const std::size_t endAt = c.start + packed.unpackedEnd;
        for (const std::uint16_t at : {image::endlo, image::endlo2}) {
            machine.Poke(at, static_cast<std::uint8_t>(endAt));
        }
        for (const std::uint16_t at : {image::endhi, image::endhi2}) {
            machine.Poke(at, static_cast<std::uint8_t>(endAt >> 8));
        }
        constexpr std::uint16_t Stack = 0x8100;
        machine.Poke(Stack - 2, Sentinel & 0xFF);
        machine.Poke(Stack - 1, Sentinel >> 8);
        machine.SetRegister(regSP, Stack - 2);
        machine.SetRegister(regPC, image::unpack);
        machine.SetRegister(regHL, static_cast<std::uint16_t>(c.end - packed.loaded.size()));
        machine.SetRegister(regDE, static_cast<std::uint16_t>(c.start));
        const std::uint64_t began = machine.Now();
        machine.RunUntil([](const PagedSpectrum&) { return false; }, 20'000'000);
        ASSERT_EQ(machine.RomReachedAt(), Sentinel) << "contended " << contended;
        const std::uint64_t took = machine.Now() - began;

        std::size_t wrong = 0;
        for (std::size_t a = 0x4000; a < 0x10000; ++a) {
            const bool loaderItself = a >= image::main && a < image::main + image::Size;
            const bool stack = a >= Stack - 8 && a < Stack;
            const std::uint8_t expected = a >= c.start && a < c.end ? want[a] : loaded[a];
            wrong +=
                !loaderItself && !stack && machine.Peek(static_cast<std::uint16_t>(a)) != expected;
        }
        EXPECT_EQ(wrong, 0u) << "contended " << contended;
        if (!contended) {
            EXPECT_EQ(took, packed.unpackTStates);
        } else {
            EXPECT_LE(static_cast<double>(took),
                      static_cast<double>(packed.unpackTStates) * fastload::ContendedFactor);
        }
    }
}

INSTANTIATE_TEST_SUITE_P(
    Chunks, FastUnpack,
    testing::Values(UnpackCase{"Zeros", 0x4000, 0x8000, [] { return Filled(0); }, 0x4000},
                    UnpackCase{"Text", 0xA000, 0x10000, Text, 0x9000},
                    // Nothing to gain: loaded as it is.
                    UnpackCase{"Noise", 0x4000, 0x4800, [] { return Noise(5); }, 0x4000},
                    UnpackCase{"ZerosThenNoise", 0x4000, 0x6000, ZerosThenNoise, 0x4000},
                    UnpackCase{"OneByte", 0x5000, 0x5001, [] { return Filled(0x55); }, 0x4000},
                    UnpackCase{"TechnicianTedWithTheScreenBelow", 0x5B00, 0x8000, Technted, 0x4000},
                    UnpackCase{"TechnicianTedHigh", 0xC000, 0x10000, Technted, 0x8600}));

} // namespace
} // namespace bitreel::test
