#pragma once

// A snapshot's loading tape played into an emulated Spectrum from where the
// bootstrap leaves the machine: the BASIC program at PROG, its code called
// as USR calls it, the tape's fast blocks at the EAR socket, as Bitreel's
// own pulses (exact T-states) or its samples (whole samples at a rate), as
// fast or as slow as asked. The ROM's part of the tape is FUSE's to check.

#include "fastload/LoadingTape.h"
#include "machine/PagedSpectrum.h"

#include <array>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace bitreel::test {

struct Playback {
    std::uint32_t rate = 0; // 0: the pulses themselves; else rendered at this rate
    double speed = 1.0;     // tape seconds a second: 1.03 is 3% fast
    bool invert = false;
    bool contended = true;
    double snrDb = 0; // white noise this far below the sound's power; 0: none
};

struct LoadOutcome {
    bool reachedProgram = false;
    // From the first edge of the first fast block's pilot to the program's
    // first instruction, in the machine's T-states.
    std::uint64_t tstates = 0;
    std::uint16_t stoppedAt = 0; // PC where the run ended
    int romAt = -1;              // where it ran into the ROM, if it did
};

class FastLoadRig {
public:
    // The machine the tape plays to may be another model than the
    // snapshot's.
    FastLoadRig(const fastload::LoadingTape& tape, SpectrumModel machine, const Playback& playback);
    ~FastLoadRig();

    LoadOutcome Run(double seconds = 120);

    [[nodiscard]] PagedSpectrum& Machine() { return machine_; }
    // The fast blocks' offset in the TZX's rows: text, header, program.
    static constexpr std::size_t FirstFastRow = 3;

    // The differences from the snapshot the run ended with (see the free
    // Differences below).
    [[nodiscard]] std::vector<std::string> Differences(const Snapshot& snapshot) const;

private:
    const fastload::LoadingTape& tape_;
    PagedSpectrum machine_;
    class Ear;
    std::unique_ptr<Ear> ear_;
};

// What a machine, emulated here or elsewhere, ended a load with.
struct EndState {
    SpectrumModel model = SpectrumModel::Spectrum48;
    std::array<Bank, 8> banks{}; // a 48K's in the 128's numbering
    Z80Registers regs;
    std::uint8_t border = 0;
    std::uint8_t port7ffd = 0;
    std::optional<std::uint8_t> port1ffd; // where the machine has the port
    // The sound chip's registers and the one selected, where the machine
    // shows them.
    std::optional<std::array<std::uint8_t, 16>> ay;
    std::uint8_t aySelected = 0;
    // The banks it could show; a 128 locked by the program shows the ones
    // paged in.
    std::array<bool, 8> banksShown{true, true, true, true, true, true, true, true};
};

// The differences of a load's end from the snapshot, one line each, the
// 48 bytes below the snapshot's SP left out; empty when it gave back every
// other byte, register and port.
[[nodiscard]] std::vector<std::string> Differences(const EndState& got, const Snapshot& snapshot);

// The TZX's playing time of its rows before the fast blocks (the ROM's
// part), in seconds.
[[nodiscard]] double RomPartSeconds(const std::vector<std::uint8_t>& tzx);

// The loading tape as Bitreel plays it to a sound card, for an emulator to
// load: a WAV at the playback's rate, half a second of silence before the
// first pilot, inverted and with noise as asked, its header's rate the
// playback's speed times the rate (3% fast plays 3% of the rate more).
void WriteLoadingWav(const fastload::LoadingTape& tape, const Playback& playback,
                     const std::filesystem::path& out);
inline constexpr double WavLeadSeconds = 0.5;

} // namespace bitreel::test
