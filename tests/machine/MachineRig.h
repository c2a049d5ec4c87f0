#pragma once

// A Spectrum with Bitreel's companion loaded, its RS-232 socket wired at
// the bit level to the port layer's simulated line, and Bitreel's own Play
// and Record engines on the PC's end. BASIC's memory is laid out as after
// CLEAR below the companion, so that the entry points can be called as USR
// calls them.

#include "companion/CompanionTapes.h"
#include "machine/EmulatedSpectrum.h"
#include "machine/SerialWire.h"
#include "support/SimulatedLine.h"
#include "transfer/TransferResult.h"

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <limits>
#include <vector>

namespace bitreel::test {

using Bytes = std::vector<std::uint8_t>;

// Where BASIC keeps the system variables the rig lays out and the tests
// read. The 14 words from Vars to StkEnd are the pointers the ROM's
// POINTERS moves when an area grows or shrinks.
namespace sysvar {
constexpr std::uint16_t NewPpc = 23618;
constexpr std::uint16_t NsPpc = 23620;
constexpr std::uint16_t Ppc = 23621;
constexpr std::uint16_t Vars = 23627;
constexpr std::uint16_t Dest = 23629;
constexpr std::uint16_t Chans = 23631;
constexpr std::uint16_t CurChl = 23633;
constexpr std::uint16_t ProgAt = 23635;
constexpr std::uint16_t NxtLin = 23637;
constexpr std::uint16_t DatAdd = 23639;
constexpr std::uint16_t ELine = 23641;
constexpr std::uint16_t KCur = 23643;
constexpr std::uint16_t ChAdd = 23645;
constexpr std::uint16_t XPtr = 23647;
constexpr std::uint16_t WorkSp = 23649;
constexpr std::uint16_t StkBot = 23651;
constexpr std::uint16_t StkEnd = 23653;
constexpr std::uint16_t RamTop = 23730;
} // namespace sysvar

// BASIC's areas as the system variables mark them out.
struct BasicAreas {
    Bytes program;   // PROG to VARS
    Bytes variables; // VARS to the end marker
    bool endMarker = false;
    Bytes editLine;                      // E_LINE to WORKSP
    Bytes calculator;                    // STKBOT to STKEND
    std::ptrdiff_t chAddInEditLine = -1; // CH_ADD's place in it, -1 outside
};

class MachineRig {
public:
    // The PC's clock is its baud rate: 9600 exact, or as much off as asked.
    explicit MachineRig(Board board, int pcBaud = 9600, std::size_t lateBytes = 0);

    [[nodiscard]] std::uint16_t Origin() const { return origin_; }
    [[nodiscard]] std::uint16_t ProgramEnd() const { return end_; }
    [[nodiscard]] std::uint16_t Prog() const;

    // PROG where the board keeps it (23813 with Interface 1), then the
    // program with its variables, the end marker, the edit line (its last
    // byte an ENTER) with CH_ADD at chAdd in it, and a number on the
    // calculator's stack.
    void LayOutBasic(const Bytes& program, const Bytes& variables, const Bytes& editLine,
                     std::size_t chAdd);
    [[nodiscard]] BasicAreas Areas() const;

    void Call(std::uint16_t entry, const EmulatedSpectrum::Registers& registers = {});
    // Plays the image with Bitreel's Play while the machine runs, until the
    // call ends or the line has let stopAfter bytes go.
    TransferResult Play(const std::filesystem::path& image,
                        std::size_t stopAfter = std::numeric_limits<std::size_t>::max());
    // Records into out with Bitreel's Record until the call has ended and
    // its bytes are in.
    TransferResult Record(const std::filesystem::path& out);
    // Runs on until the call ends, at most this many seconds of the machine.
    EmulatedSpectrum::State Finish(double seconds = 10);
    [[nodiscard]] double Seconds(std::uint64_t tstates) const;

    // The first byte that differs from before outside these ranges, -1 when none.
    struct Range {
        std::uint32_t from;
        std::uint32_t to;
    };
    [[nodiscard]] long FirstChangeOutside(std::vector<Range> allowed) const;
    // The word at address when the call was made.
    [[nodiscard]] std::uint16_t WordBefore(std::uint16_t address) const;

    SimulatedLine line;
    SerialWire wire;
    EmulatedSpectrum machine;

private:
    std::uint16_t origin_;
    std::uint16_t end_;
    std::array<std::uint8_t, 65536> before_{};
};

} // namespace bitreel::test
