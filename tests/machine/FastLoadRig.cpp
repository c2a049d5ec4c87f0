#include "machine/FastLoadRig.h"

#include "FastLoaderImages.h"
#include "pulses/PulseStream.h"
#include "signal/render/AudioFile.h"
#include "signal/render/SampleRenderer.h"
#include "support/Degradations.h"
#include "tape/TapeImage.h"

#include <z80ex/z80ex.h>

#include <cmath>
#include <limits>

namespace bitreel::test {
namespace {

// Where a 48K or 128 without Interface 1 keeps BASIC's program, and BASIC's
// stack as USR finds it.
constexpr std::uint16_t Prog = 23755;
constexpr std::uint16_t BasicStack = 0xFF40;
constexpr double TapeClock = 3'500'000;

TapeImage ImageOf(const std::vector<std::uint8_t>& tzx) {
    TapeImage image(tzx, ImageFormat::Tzx, MachineKind::Spectrum, TapeLayout::SpectrumTap, false);
    image.IndexAll();
    return image;
}

std::string Hex(unsigned value) {
    char text[8];
    std::snprintf(text, sizeof text, "%04X", value);
    return text;
}

// The rows from firstRow on as a sound card gets them at the playback's
// rate, with its noise.
std::vector<std::int16_t> Render(const TapeImage& image, std::size_t firstRow,
                                 const Playback& playback, const RenderOptions& options) {
    PulseStream stream(image, {firstRow, std::nullopt});
    SampleRenderer renderer(stream, options);
    std::vector<std::int16_t> samples;
    std::vector<std::int16_t> buffer(1 << 16);
    for (;;) {
        const auto filled = renderer.Fill(buffer);
        samples.insert(samples.end(), buffer.begin(), buffer.begin() + filled.samples);
        if (filled.ended) {
            break;
        }
    }
    if (playback.snrDb != 0) {
        Sound sound(samples.begin(), samples.end());
        AddNoise(sound, playback.snrDb);
        for (std::size_t i = 0; i < samples.size(); ++i) {
            samples[i] = static_cast<std::int16_t>(std::clamp(sound[i], -32768.0f, 32767.0f));
        }
    }
    return samples;
}

} // namespace

// The EAR socket fed from the fast blocks: each pulse as it comes, or the
// samples of the whole of it rendered at a rate.
class FastLoadRig::Ear final : public EarInput {
public:
    Ear(const std::vector<std::uint8_t>& tzx, const Playback& playback, std::uint32_t clockHz)
        : image_(ImageOf(tzx)), stream_(image_, {FirstFastRow, std::nullopt}), playback_(playback),
          clock_(clockHz) {
        if (playback.rate == 0) {
            return;
        }
        RenderOptions options;
        options.rate = playback.rate;
        options.leadMs = 0;
        options.tailMs = 10;
        samples_ = Render(image_, FirstFastRow, playback, options);
    }

    bool High(std::uint64_t tstate) override {
        const double seconds = static_cast<double>(tstate) / clock_ * playback_.speed;
        bool high = false;
        if (playback_.rate != 0) {
            const auto at = static_cast<std::size_t>(seconds * playback_.rate);
            high = at < samples_.size() && samples_[at] > 0;
        } else {
            const double tape = seconds * TapeClock;
            while (tape >= end_) {
                PulseEvent event;
                if (!stream_.Next(event)) {
                    level_ = Level::Low;
                    end_ = std::numeric_limits<double>::infinity();
                    break;
                }
                if (event.kind == PulseEvent::Kind::Pulse) {
                    level_ = event.level;
                    end_ += event.tstates;
                }
            }
            high = level_ == Level::High;
        }
        return high != playback_.invert;
    }

private:
    TapeImage image_;
    PulseStream stream_;
    Playback playback_;
    double clock_;
    std::vector<std::int16_t> samples_;
    Level level_ = Level::Low;
    double end_ = 0;
};

FastLoadRig::FastLoadRig(const fastload::LoadingTape& tape, SpectrumModel machine,
                         const Playback& playback)
    : tape_(tape), machine_(machine, playback.contended),
      ear_(std::make_unique<Ear>(tape.tzx, playback, machine_.ClockHz())) {
    machine_.SetEar(ear_.get());
}

FastLoadRig::~FastLoadRig() = default;

LoadOutcome FastLoadRig::Run(double seconds) {
    // The bootstrap as LOAD "" leaves it: the program at PROG, its line run,
    // USR calling the code after the REM with BC its address.
    const std::vector<std::uint8_t>& tzx = tape_.tzx;
    TapeImage image = ImageOf(tzx);
    const std::vector<std::uint8_t> program = [&] {
        const auto block = image.BlockAsPlayed(FirstFastRow - 1);
        // The stored block: length, flag, the program, the checksum.
        return std::vector<std::uint8_t>(block.stored.begin() + 3, block.stored.end() - 1);
    }();
    for (std::size_t i = 0; i < program.size(); ++i) {
        machine_.Poke(static_cast<std::uint16_t>(Prog + i), program[i]);
    }
    constexpr std::uint16_t CodeOffset = 31;
    machine_.SetRegister(regPC, Prog + CodeOffset);
    machine_.SetRegister(regBC, Prog + CodeOffset);
    machine_.SetRegister(regSP, BasicStack);

    const std::uint16_t tailRet = static_cast<std::uint16_t>(
        tape_.plan.tailAt + loader::fastmain::tei + 1 - loader::fastmain::tail);
    std::uint16_t previous = 0;
    bool returned = false;
    const bool stopped = machine_.RunUntil(
        [&](const PagedSpectrum& m) {
            returned = previous == tailRet;
            previous = m.Pc();
            return returned;
        },
        static_cast<std::uint64_t>(seconds * machine_.ClockHz()));
    LoadOutcome outcome;
    outcome.reachedProgram = stopped && returned;
    outcome.tstates = machine_.Now();
    outcome.stoppedAt = machine_.Pc();
    outcome.romAt = machine_.RomReachedAt();
    return outcome;
}

std::vector<std::string> FastLoadRig::Differences(const Snapshot& snapshot) const {
    const PagedSpectrum& m = machine_;
    EndState got;
    got.model = m.Model();
    for (std::size_t bank = 0; bank < 8; ++bank) {
        got.banks[bank] = m.RamBank(bank);
    }
    got.regs = m.Registers();
    got.border = m.Border();
    got.port7ffd = m.Port7ffd();
    if (HasPort1ffd(got.model)) {
        got.port1ffd = m.Port1ffd();
    }
    got.ay = m.Ay();
    got.aySelected = m.AySelected();
    return test::Differences(got, snapshot);
}

std::vector<std::string> Differences(const EndState& m, const Snapshot& snapshot) {
    std::vector<std::string> out;
    const bool is128 = Is128K(snapshot.model);
    const bool on128 = Is128K(m.model);
    // The 48 bytes below the program's stack, where the restore's last
    // steps stand, wherever the snapshot's paging shows their bank.
    const std::uint32_t top = snapshot.regs.sp == 0 ? 0x10000 : snapshot.regs.sp;
    const std::size_t high = is128 ? snapshot.port7ffd & 7u : 0;
    auto inTail = [&](std::size_t bank, std::uint32_t offset) {
        auto below = [&](std::uint32_t address) {
            return address < top && address + fastload::TailBytes >= top;
        };
        const std::uint32_t fixed = bank == 5 ? 0x4000 : bank == 2 ? 0x8000 : 0x10000;
        return below(fixed + offset) || (bank == high && below(0xC000 + offset));
    };
    // The RAM: a 48K's three banks where it sees them, a 128's eight.
    std::size_t wrong = 0;
    std::string first;
    auto compare = [&](std::size_t bank, std::uint32_t offset, std::uint8_t got) {
        if (!inTail(bank, offset) && got != snapshot.banks[bank][offset]) {
            if (wrong++ == 0) {
                first = "bank " + std::to_string(bank) + " at offset " + Hex(offset);
            }
        }
    };
    if (!is128) {
        const std::uint32_t end = snapshot.ran16K ? 0x8000 : 0x10000;
        const std::size_t upper = on128 ? m.port7ffd & 7u : 0;
        for (std::uint32_t a = 0x4000; a < end; ++a) {
            const std::size_t bank = a < 0x8000 ? 5 : a < 0xC000 ? 2 : 0;
            const std::size_t seen = a < 0xC000 ? bank : upper;
            compare(bank, a % BankSize, m.banks[seen][a % BankSize]);
        }
    } else {
        for (std::size_t bank = 0; bank < 8; ++bank) {
            if (!m.banksShown[bank]) {
                continue;
            }
            for (std::uint32_t i = 0; i < BankSize; ++i) {
                compare(bank, i, m.banks[bank][i]);
            }
        }
    }
    if (wrong != 0) {
        out.push_back(std::to_string(wrong) + " bytes of RAM differ, the first in " + first);
    }
    Z80Registers want = snapshot.regs;
    want.iff2 = want.iff1;
    const Z80Registers& got = m.regs;
    auto reg = [&](const char* name, unsigned a, unsigned b) {
        if (a != b) {
            out.push_back(std::string(name) + " " + Hex(a) + " where the snapshot has " + Hex(b));
        }
    };
    reg("AF", got.af, want.af);
    reg("BC", got.bc, want.bc);
    reg("DE", got.de, want.de);
    reg("HL", got.hl, want.hl);
    reg("AF'", got.af2, want.af2);
    reg("BC'", got.bc2, want.bc2);
    reg("DE'", got.de2, want.de2);
    reg("HL'", got.hl2, want.hl2);
    reg("IX", got.ix, want.ix);
    reg("IY", got.iy, want.iy);
    reg("SP", got.sp, want.sp);
    reg("PC", got.pc, want.pc);
    reg("I", got.i, want.i);
    reg("R", got.r, want.r);
    reg("IM", got.im, want.im);
    reg("IFF1", got.iff1, want.iff1);
    reg("IFF2", got.iff2, want.iff2);
    reg("border", m.border, snapshot.border & 7u);
    if (on128) {
        const std::uint8_t paging = is128 ? snapshot.port7ffd : 0x30;
        reg("0x7FFD", m.port7ffd, paging);
        // A 48K or 128 program on a +2A/+3: the ROM its 0x7FFD asks for.
        const bool highRom = !is128 || (snapshot.port7ffd & 0x10) != 0;
        if (m.port1ffd) {
            reg("0x1FFD", *m.port1ffd,
                HasPort1ffd(snapshot.model) ? snapshot.port1ffd
                : highRom                   ? 0x04
                                            : 0x00);
        }
        if (is128 && m.ay) {
            for (std::size_t r = 0; r < 16; ++r) {
                reg(("AY " + std::to_string(r)).c_str(), (*m.ay)[r], snapshot.ay[r]);
            }
            reg("AY selected", m.aySelected & 15u, snapshot.ayRegister & 15u);
        }
    }
    return out;
}

double RomPartSeconds(const std::vector<std::uint8_t>& tzx) {
    TapeImage image = ImageOf(tzx);
    PulseStream stream(image, {0, FastLoadRig::FirstFastRow - 1});
    double tstates = 0;
    PulseEvent event;
    while (stream.Next(event)) {
        if (event.kind == PulseEvent::Kind::Pulse) {
            tstates += event.tstates;
        }
    }
    return tstates / TapeClock;
}

void WriteLoadingWav(const fastload::LoadingTape& tape, const Playback& playback,
                     const std::filesystem::path& out) {
    RenderOptions options;
    options.rate = playback.rate;
    options.invert = playback.invert;
    options.leadMs = static_cast<std::uint32_t>(WavLeadSeconds * 1000);
    const std::vector<std::int16_t> samples = Render(ImageOf(tape.tzx), 0, playback, options);
    AudioFileWriter writer(out, AudioFileType::Wav,
                           static_cast<std::uint32_t>(std::lround(playback.rate * playback.speed)));
    writer.Write(samples);
    writer.Finish();
}

} // namespace bitreel::test
