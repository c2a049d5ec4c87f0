#include "machine/MachineRig.h"

#include "support/ScriptedDialog.h"
#include "support/TapeBuilder.h"
#include "support/TestFrontEnd.h"
#include "transfer/Playback.h"
#include "transfer/Recording.h"

#include <algorithm>
#include <stdexcept>

namespace bitreel::test {
namespace {

using namespace sysvar;

// A quarter of a millisecond of the machine between passes of an engine:
// Play hands the port a byte a pass, four in a byte's time.
constexpr std::uint64_t SlicesPerSecond = 4000;

// The CODE block of the companion's tape: the fourth block's payload.
Bytes CompanionCode(Board board, std::uint16_t& origin) {
    const auto tape = CompanionTape(board == Board::Interface1 ? CompanionMachine::Interface1
                                                               : CompanionMachine::Spectrum128);
    const auto blocks = TapBlocks(Bytes(tape.begin(), tape.end()));
    if (blocks.size() < 4) {
        throw std::logic_error("no CODE block on the companion's tape");
    }
    // The blocks hold their flag and checksum; the header's payload says
    // where the code goes.
    const Bytes& header = blocks[2];
    origin = static_cast<std::uint16_t>(header[14] | header[15] << 8);
    return Bytes(blocks[3].begin() + 1, blocks[3].end() - 1);
}

} // namespace

MachineRig::MachineRig(Board board, int pcBaud, std::size_t lateBytes)
    : wire(line, board == Board::Spectrum128 ? 3546900 : 3500000, pcBaud, lateBytes),
      machine(board, wire) {
    line.SetSettings(LineSettings{pcBaud});
    line.SetHandshaking(Handshake::RtsCts);
    line.Open();
    line.SetPaced(true);
    const Bytes code = CompanionCode(board, origin_);
    std::copy(code.begin(), code.end(), machine.Memory().begin() + origin_);
    end_ = static_cast<std::uint16_t>(origin_ + code.size());
    machine.SetWord(RamTop, static_cast<std::uint16_t>(origin_ - 1));
    LayOutBasic({}, {}, {0x0D}, 0);
}

std::uint16_t MachineRig::Prog() const {
    return machine.Word(ProgAt);
}

void MachineRig::LayOutBasic(const Bytes& program, const Bytes& variables, const Bytes& editLine,
                             std::size_t chAdd) {
    EmulatedSpectrum& m = machine;
    const std::uint16_t prog = machine.BoardType() == Board::Interface1 ? 23813 : 23755;
    auto& memory = m.Memory();
    std::uint16_t at = prog;
    const auto put = [&](const Bytes& bytes) {
        std::copy(bytes.begin(), bytes.end(), memory.begin() + at);
        at = static_cast<std::uint16_t>(at + bytes.size());
    };
    m.SetWord(Chans, static_cast<std::uint16_t>(prog - 21));
    m.SetWord(CurChl, static_cast<std::uint16_t>(prog - 21));
    m.SetWord(ProgAt, prog);
    m.SetWord(DatAdd, static_cast<std::uint16_t>(prog - 1));
    put(program);
    m.SetWord(Vars, at);
    put(variables);
    put({0x80});
    m.SetWord(ELine, at);
    m.SetWord(ChAdd, static_cast<std::uint16_t>(at + chAdd));
    m.SetWord(KCur, static_cast<std::uint16_t>(at + editLine.size() - 1));
    put(editLine);
    put({0x80});
    m.SetWord(NxtLin, static_cast<std::uint16_t>(at - 1));
    m.SetWord(WorkSp, at);
    m.SetWord(StkBot, at);
    put({0x00, 0x00, 0x2A, 0x00, 0x00}); // 42
    m.SetWord(StkEnd, at);
    m.SetWord(NewPpc, 0);
    memory[NsPpc] = 0xFF;
    m.SetWord(Ppc, 0xFFFE);
}

BasicAreas MachineRig::Areas() const {
    const EmulatedSpectrum& m = machine;
    const auto& memory = m.Memory();
    const auto span = [&](std::uint16_t from, std::uint16_t to) {
        return from <= to ? Bytes(memory.begin() + from, memory.begin() + to) : Bytes{};
    };
    BasicAreas areas;
    const std::uint16_t eLine = m.Word(ELine);
    areas.program = span(m.Word(ProgAt), m.Word(Vars));
    areas.variables = span(m.Word(Vars), static_cast<std::uint16_t>(eLine - 1));
    areas.endMarker = memory[static_cast<std::uint16_t>(eLine - 1)] == 0x80;
    areas.editLine = span(eLine, m.Word(WorkSp));
    areas.calculator = span(m.Word(StkBot), m.Word(StkEnd));
    const std::uint16_t chAdd = m.Word(ChAdd);
    if (chAdd >= eLine && chAdd < m.Word(WorkSp)) {
        areas.chAddInEditLine = chAdd - eLine;
    }
    return areas;
}

void MachineRig::Call(std::uint16_t entry, const EmulatedSpectrum::Registers& registers) {
    machine.Call(static_cast<std::uint16_t>(origin_ + entry),
                 static_cast<std::uint16_t>(origin_ - 1), registers);
    before_ = machine.Memory();
}

double MachineRig::Seconds(std::uint64_t tstates) const {
    return static_cast<double>(tstates) / machine.ClockHz();
}

TransferResult MachineRig::Play(const std::filesystem::path& image, std::size_t stopAfter) {
    TestFrontEnd frontEnd;
    frontEnd.onYield = [&] {
        machine.RunFor(machine.ClockHz() / SlicesPerSecond);
        if (machine.Ended() || line.Received().size() >= stopAfter) {
            frontEnd.Stop();
        }
    };
    PlayRequest request;
    request.file = image;
    return Playback(line, frontEnd).Run(request);
}

TransferResult MachineRig::Record(const std::filesystem::path& out) {
    TestFrontEnd frontEnd;
    ScriptedDialog dialog;
    dialog.answer = out;
    bool endedBefore = false;
    frontEnd.onYield = [&] {
        // As the front ends wait on the port: with DTR raised.
        line.SetDtrEnable(true);
        if (machine.Ended()) {
            machine.Idle(machine.ClockHz() / SlicesPerSecond);
        } else {
            machine.RunFor(machine.ClockHz() / SlicesPerSecond);
        }
        line.SetDtrEnable(false);
        // One more pass reads what came in last.
        if (endedBefore && wire.ReceiverIdle()) {
            frontEnd.Stop();
        }
        endedBefore = machine.Ended();
    };
    RecordingRequest request;
    request.dialogFolder = out.parent_path();
    return Recording(line, frontEnd, frontEnd, dialog).Run(request);
}

EmulatedSpectrum::State MachineRig::Finish(double seconds) {
    return machine.RunFor(static_cast<std::uint64_t>(seconds * machine.ClockHz()));
}

std::uint16_t MachineRig::WordBefore(std::uint16_t address) const {
    return static_cast<std::uint16_t>(before_[address] | before_[(address + 1) & 0xFFFF] << 8);
}

long MachineRig::FirstChangeOutside(std::vector<Range> allowed) const {
    allowed.push_back({origin_, end_});
    // The stack below RAMTOP, where the call's return addresses are.
    allowed.push_back({static_cast<std::uint32_t>(origin_ - 64), origin_});
    const auto& now = machine.Memory();
    for (std::uint32_t address = 0; address < now.size(); ++address) {
        const bool free = std::none_of(allowed.begin(), allowed.end(), [&](const Range& r) {
            return address >= r.from && address < r.to;
        });
        if (free && now[address] != before_[address]) {
            return static_cast<long>(address);
        }
    }
    return -1;
}

} // namespace bitreel::test
