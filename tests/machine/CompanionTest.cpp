// The companion on an emulated Spectrum 128 and Interface 1, each at its own
// clock, against Bitreel's Play and Record over a line simulated bit by bit.
#include "machine/MachineRig.h"

#include "support/ImageEntries.h"
#include "support/TapeBuilder.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>
#include <z80ex/z80ex.h>

#include <string>

namespace bitreel::test {
namespace {

using namespace sysvar;

// BASIC's bytes: a line, numbers as the editor stores them, variables.
Bytes Line(int number, Bytes tokens) {
    tokens.push_back(0x0D);
    Bytes line{static_cast<std::uint8_t>(number >> 8), static_cast<std::uint8_t>(number)};
    PutWord(line, static_cast<unsigned>(tokens.size()));
    line.insert(line.end(), tokens.begin(), tokens.end());
    return line;
}
Bytes Number(unsigned value) {
    Bytes digits;
    for (char c : std::to_string(value)) {
        digits.push_back(static_cast<std::uint8_t>(c));
    }
    digits.insert(digits.end(), {0x0E, 0, 0, static_cast<std::uint8_t>(value),
                                 static_cast<std::uint8_t>(value >> 8), 0});
    return digits;
}
Bytes operator+(Bytes a, const Bytes& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}
Bytes Text(std::string_view text) {
    return {text.begin(), text.end()};
}
constexpr std::uint8_t Print = 0xF5, GoTo = 0xEC, Rem = 0xEA, Randomize = 0xF9, Usr = 0xC0,
                       RunToken = 0xF7;
// RANDOMIZE USR address, then the rest of the statement line.
Bytes UsrCall(unsigned address, const Bytes& rest = {}) {
    return Bytes{Randomize, Usr} + Number(address) + rest;
}

const Bytes kProgram = Line(10, Bytes{Print} + Text("\"HI\"")) + Line(20, Bytes{GoTo} + Number(10));
const Bytes kVariables{0x61, 0, 0, 42, 0, 0}; // a = 42
const Bytes kOldProgram = Line(1, Bytes{Rem} + Text("an older and longer program"));
const Bytes kShortProgram = Line(1, Bytes{Rem} + Text("old"));                  // and no variables
const Bytes kOldNumbers{0x7A, 0,  0, 7, 0, 0,                                   // z = 7
                        0x81, 13, 0, 1, 2, 0, 0, 0, 1, 0, 0, 0, 0, 2, 0, 0};    // a(2) = 1, 2
const Bytes kNumbers{1, 3, 0, 0, 0, 5, 0, 0, 0, 0, 6, 0, 0, 0, 0, 7, 0, 0};     // a(3): 5, 6, 7
const Bytes kCharacters{2, 2, 0, 4, 0, 'A', 'B', 'C', 'D', 'E', 'F', 'G', 'H'}; // b$(2,4)
constexpr unsigned kCodeAt = 40000;
Bytes Pattern(std::size_t size) {
    Bytes bytes(size);
    for (std::size_t i = 0; i < size; ++i) {
        bytes[i] = static_cast<std::uint8_t>(i * 7 + 3);
    }
    return bytes;
}
const Bytes kCode = Pattern(300);

// A ROM's checksum: the flag's and the payload's XOR.
std::uint8_t RomChecksum(std::uint8_t flag, const Bytes& payload) {
    return static_cast<std::uint8_t>(flag ^ Xor(payload));
}

// What the PC plays; the +3 and +6 calls ask for kCode at kCodeAt, flag 255.
enum class Tape {
    None,
    Program,       // auto-start at line 10
    ProgramNoLine, // saved without LINE
    Code,          // at kCodeAt
    CodeOverUs,    // at the companion itself
    NumberArray,   // a(3)
    CharArray,     // b$(2,4)
    Block,         // the data block alone
    BlockFlag,     // the same with flag 254
    BlockLength,   // one byte short
};

Bytes Image(Tape tape, std::uint16_t origin) {
    TapeBuilder b;
    const Bytes program = kProgram + kVariables;
    const auto header = [&](std::uint8_t type, unsigned length, unsigned p1, unsigned p2) {
        b.Block(0, SpectrumHeader(type, "TEST", length, p1, p2));
    };
    switch (tape) {
    case Tape::None:
        break;
    case Tape::Program:
    case Tape::ProgramNoLine:
        header(0, static_cast<unsigned>(program.size()), tape == Tape::Program ? 10 : 0x8000,
               static_cast<unsigned>(kProgram.size()));
        b.Block(255, program);
        break;
    case Tape::Code:
    case Tape::CodeOverUs:
        header(3, 300, tape == Tape::Code ? kCodeAt : origin - 100u, 32768);
        b.Block(255, kCode);
        break;
    case Tape::NumberArray:
        header(1, static_cast<unsigned>(kNumbers.size()), 0x8100, 32768);
        b.Block(255, kNumbers);
        break;
    case Tape::CharArray:
        header(2, static_cast<unsigned>(kCharacters.size()), 0xC200, 32768);
        b.Block(255, kCharacters);
        break;
    case Tape::Block:
        b.Block(255, kCode);
        break;
    case Tape::BlockFlag:
        b.Block(254, kCode);
        break;
    case Tape::BlockLength:
        b.Block(255, Bytes(kCode.begin(), kCode.end() - 1));
        break;
    }
    return b.bytes();
}

enum class Call { Load, LdBytes, SaBytes, Save };
// What memory holds in the end, besides what every case checks.
enum class Holds {
    NewProgram,   // kProgram and kVariables, the edit line moved whole
    EmptyProgram, // a failed load left neither the old program nor a half new one
    OldProgram,   // nothing moved
    Code,         // kCode at kCodeAt
    Stored,       // what came of the block at kCodeAt, and nothing else
    Numbers,      // z, then the new a()
    Characters,   // the old variables, then b$()
    Recorded,     // Record wrote what the call sent
};
enum class Ends { Done, Failed, Reported };
// What BASIC holds before the call, when the call does not choose it.
enum class Old {
    Longer,  // kOldProgram and kOldNumbers
    Shorter, // kShortProgram: VARS at the end marker
    Empty,   // as NEW leaves it: PROG, VARS and the end marker at one address
};

struct Case {
    const char* name;
    Call call;
    Tape tape;
    Ends ends;
    std::uint8_t code; // Failed: the reason in A; Reported: ERR_NR
    Holds holds;
    double pcClock = 1.0;
    std::size_t late = 0; // bytes the adapter sends after CTS drops
    bool running = false; // a line of the program in memory makes the call
    long corrupt = -1;    // the frame byte noise changes
    std::size_t stopAfter = static_cast<std::size_t>(-1); // the PC stops after this many bytes
    bool space = false;                                   // SPACE is held
    Old old = Old::Longer;
};

// Reasons, as the companion gives them in A, and BASIC's reports.
constexpr std::uint8_t Quiet = 1, Damaged = 3, Length = 4, Flag = 5;
constexpr std::uint8_t Report4 = 3, ReportD = 12, ReportR = 26;

const Case kCases[] = {
    {"LoadsProgramAndRunsItsLine", Call::Load, Tape::Program, Ends::Done, 0, Holds::NewProgram},
    {"LoadsProgramOverLongerOne", Call::Load, Tape::ProgramNoLine, Ends::Done, 0,
     Holds::NewProgram},
    {"LoadsProgramOverShorterOne", Call::Load, Tape::Program, Ends::Done, 0, Holds::NewProgram, 1.0,
     0, false, -1, static_cast<std::size_t>(-1), false, Old::Shorter},
    {"LoadsProgramOverEmptyOne", Call::Load, Tape::Program, Ends::Done, 0, Holds::NewProgram, 1.0,
     0, false, -1, static_cast<std::size_t>(-1), false, Old::Empty},
    {"LoadsProgramCalledFromRunningLine", Call::Load, Tape::Program, Ends::Done, 0,
     Holds::NewProgram, 1.0, 0, true},
    {"LoadsProgramWithoutLineCalledFromRunningLine", Call::Load, Tape::ProgramNoLine, Ends::Done, 0,
     Holds::NewProgram, 1.0, 0, true},
    {"LoadsProgramOneLateByte", Call::Load, Tape::Program, Ends::Done, 0, Holds::NewProgram, 1.0,
     1},
    {"LoadsProgramTwoLateBytes", Call::Load, Tape::Program, Ends::Done, 0, Holds::NewProgram, 1.0,
     2},
    {"LoadsProgramThreeLateBytes", Call::Load, Tape::Program, Ends::Done, 0, Holds::NewProgram, 1.0,
     3},
    {"LoadsProgramPcClockFast", Call::Load, Tape::Program, Ends::Done, 0, Holds::NewProgram, 1.04,
     2},
    {"LoadsProgramPcClockSlow", Call::Load, Tape::Program, Ends::Done, 0, Holds::NewProgram, 0.96,
     2},
    {"LoadsCode", Call::Load, Tape::Code, Ends::Done, 0, Holds::Code, 1.0, 3},
    {"LoadsNumberArrayOverOneOfItsName", Call::Load, Tape::NumberArray, Ends::Done, 0,
     Holds::Numbers, 1.0, 1},
    {"LoadsCharArray", Call::Load, Tape::CharArray, Ends::Done, 0, Holds::Characters},
    {"LoadReportsDamagedProgram", Call::Load, Tape::Program, Ends::Reported, ReportR,
     Holds::EmptyProgram, 1.0, 0, false, 3 + 21 + 5},
    {"LoadReportsDamagedProgramOverEmptyOne", Call::Load, Tape::Program, Ends::Reported, ReportR,
     Holds::EmptyProgram, 1.0, 0, false, 3 + 21 + 5, static_cast<std::size_t>(-1), false,
     Old::Empty},
    {"LoadReportsCodeOverItself", Call::Load, Tape::CodeOverUs, Ends::Reported, Report4,
     Holds::OldProgram},
    {"LoadReportsSpace", Call::Load, Tape::None, Ends::Reported, ReportD, Holds::OldProgram, 1.0, 0,
     false, -1, static_cast<std::size_t>(-1), true},
    {"LdBytesTakesBlock", Call::LdBytes, Tape::Block, Ends::Done, 0, Holds::Code},
    // A slow PC's last data bit, a space, still on the line when the next
    // start bit is looked for.
    {"LdBytesTakesBlockPcClockFivePercentSlow", Call::LdBytes, Tape::Block, Ends::Done, 0,
     Holds::Code, 0.94875},
    {"LdBytesRefusesOtherFlag", Call::LdBytes, Tape::BlockFlag, Ends::Failed, Flag,
     Holds::OldProgram},
    {"LdBytesRefusesOtherLength", Call::LdBytes, Tape::BlockLength, Ends::Failed, Length,
     Holds::OldProgram},
    {"LdBytesFailsDamagedChecksum", Call::LdBytes, Tape::Block, Ends::Failed, Damaged,
     Holds::Stored, 1.0, 0, false, 3 + 150},
    {"LdBytesEndsWhenPcStops", Call::LdBytes, Tape::Block, Ends::Failed, Quiet, Holds::Stored, 1.0,
     0, false, -1, 150},
    {"SaBytesRecorded", Call::SaBytes, Tape::None, Ends::Done, 0, Holds::Recorded},
    {"SaveRecorded", Call::Save, Tape::None, Ends::Done, 0, Holds::Recorded},
    {"SaveRecordedPcClockFast", Call::Save, Tape::None, Ends::Done, 0, Holds::Recorded, 1.04},
    {"SaveRecordedPcClockSlow", Call::Save, Tape::None, Ends::Done, 0, Holds::Recorded, 0.96},
};

void PrintTo(const Case& c, std::ostream* os) {
    *os << c.name;
}

class CompanionTest : public ::testing::TestWithParam<std::tuple<Case, Board>> {};

std::uint16_t EntryOf(Call call) {
    switch (call) {
    case Call::Load:
        return CompanionLoad;
    case Call::LdBytes:
        return CompanionLdBytes;
    case Call::SaBytes:
        return CompanionSaBytes;
    case Call::Save:
        return CompanionSave;
    }
    return 0;
}

TEST_P(CompanionTest, OverTheLine) {
    const Case& c = std::get<0>(GetParam());
    MachineRig rig(std::get<1>(GetParam()), static_cast<int>(9600 * c.pcClock + 0.5), c.late);
    const std::uint16_t origin = rig.Origin();
    const unsigned entry = origin + EntryOf(c.call);

    // The old program, or the one to send, and the edit line that calls.
    Bytes program = c.old == Old::Longer    ? kOldProgram
                    : c.old == Old::Shorter ? kShortProgram
                                            : Bytes{};
    Bytes variables = c.old == Old::Longer ? kOldNumbers : Bytes{};
    Bytes editLine = UsrCall(entry) + Bytes{0x0D};
    if (c.call == Call::Save) {
        program = kProgram;
        variables = kVariables;
        editLine = UsrCall(entry, Bytes{':', Rem} + Text("\"HELLO\" 10")) + Bytes{0x0D};
    }
    std::size_t chAdd = UsrCall(entry).size();
    if (c.running) {
        program = Line(1, UsrCall(entry));
        editLine = {RunToken, 0x0D};
    }
    rig.LayOutBasic(program, variables, editLine, chAdd);
    const BasicAreas before = rig.Areas();
    const std::uint16_t prog = rig.Prog();
    if (c.running) {
        rig.machine.SetWord(ChAdd, static_cast<std::uint16_t>(prog + program.size() - 1));
    }
    rig.machine.HoldSpace(c.space);
    if (c.corrupt >= 0) {
        rig.wire.Corrupt(static_cast<std::size_t>(c.corrupt), 0x10);
    }

    TempDir dir;
    const auto image = dir / "PLAYED.TAP";
    TapeBuilder().Raw(Image(c.tape, origin)).WriteTo(image);
    if (c.call == Call::SaBytes) {
        std::copy(kCode.begin(), kCode.end(), rig.machine.Memory().begin() + kCodeAt);
    }
    rig.Call(static_cast<std::uint16_t>(EntryOf(c.call)),
             {0xFF, static_cast<std::uint16_t>(kCode.size()), static_cast<std::uint16_t>(kCodeAt),
              true});
    const auto recorded = dir / "SAVED.TAP";
    if (c.holds == Holds::Recorded) {
        rig.Record(recorded);
    } else if (c.tape != Tape::None) {
        rig.Play(image, c.stopAfter);
    }
    rig.Finish();

    const EmulatedSpectrum& m = rig.machine;
    ASSERT_EQ(m.Fault(), "");
    const auto expected = c.ends == Ends::Reported ? EmulatedSpectrum::State::Reported
                                                   : EmulatedSpectrum::State::Returned;
    ASSERT_EQ(m.Current(), expected);
    EXPECT_TRUE(m.InterruptsEnabled());
    EXPECT_EQ(m.Register(regIY), EmulatedSpectrum::ErrNr);
    EXPECT_EQ(m.Register(regHL_), EmulatedSpectrum::KeptHl);
    if (c.ends == Ends::Reported) {
        EXPECT_EQ(m.Memory()[EmulatedSpectrum::ErrNr], c.code);
        EXPECT_EQ(m.Word(StkEnd), m.Word(StkBot)) << "the calculator's stack is emptied";
    } else if (c.call == Call::LdBytes || c.call == Call::SaBytes) {
        EXPECT_EQ(m.Carry(), c.ends == Ends::Done);
        if (c.ends == Ends::Failed) {
            EXPECT_EQ(m.A(), c.code);
        }
    }
    if (c.stopAfter != static_cast<std::size_t>(-1)) {
        const double quiet = rig.Seconds(m.Now() - rig.wire.StartOf(c.stopAfter - 1));
        EXPECT_GE(quiet, 5.0);
        EXPECT_LT(quiet, 5.1);
    }

    const BasicAreas after = rig.Areas();
    const auto kept = [&] {
        EXPECT_EQ(after.editLine, before.editLine);
        EXPECT_EQ(after.calculator, c.ends == Ends::Reported ? Bytes{} : before.calculator);
        EXPECT_EQ(after.chAddInEditLine, before.chAddInEditLine);
        EXPECT_TRUE(after.endMarker);
    };
    // PROG stays, the rest follows what is in; E_LINE is returned.
    const auto programAt = [&](std::size_t programSize, std::size_t variablesSize) {
        const auto vars = static_cast<std::uint16_t>(prog + programSize);
        const auto eLine = static_cast<std::uint16_t>(vars + variablesSize + 1);
        EXPECT_EQ(m.Word(ProgAt), prog) << "PROG";
        EXPECT_EQ(m.Word(Vars), vars) << "VARS";
        EXPECT_EQ(m.Word(ELine), eLine) << "E_LINE";
        EXPECT_EQ(m.Word(DatAdd), prog - 1) << "DATADD: READ starts again";
        return eLine;
    };
    const std::uint32_t basicTop = std::max(m.Word(StkEnd), static_cast<std::uint16_t>(prog + 200));
    std::vector<MachineRig::Range> changes{{23552, basicTop}};
    switch (c.holds) {
    case Holds::NewProgram: {
        EXPECT_EQ(after.program, kProgram);
        EXPECT_EQ(after.variables, kVariables);
        kept();
        if (c.tape == Tape::Program) {
            EXPECT_EQ(m.Word(NewPpc), 10) << "NEWPPC";
            EXPECT_EQ(m.Memory()[NsPpc], 0) << "NSPPC";
        } else {
            EXPECT_EQ(m.Memory()[NsPpc], 0xFF) << "NSPPC";
        }
        // What lay above the old end marker moves with the edit line, by
        // as much as E_LINE; what lay below it does not.
        const auto eLine = programAt(kProgram.size(), kVariables.size());
        const auto by = static_cast<std::uint16_t>(eLine - rig.WordBefore(ELine));
        std::vector<std::pair<std::uint16_t, const char*>> moved{
            {KCur, "K_CUR"}, {WorkSp, "WORKSP"}, {StkBot, "STKBOT"}, {StkEnd, "STKEND"}};
        if (c.running) {
            // BASIC reads on from an ENTER, then goes to the auto-start line
            // or finds the program's end (NXTLIN at the end marker): 0 OK.
            EXPECT_EQ(m.Memory()[m.Word(ChAdd)], 0x0D) << "CH_ADD";
            EXPECT_EQ(m.Word(NxtLin), eLine - 1) << "NXTLIN";
        } else {
            moved.insert(moved.end(), {{ChAdd, "CH_ADD"}, {NxtLin, "NXTLIN"}});
        }
        for (const auto& [pointer, name] : moved) {
            EXPECT_EQ(m.Word(pointer), static_cast<std::uint16_t>(rig.WordBefore(pointer) + by))
                << name;
        }
        const std::pair<std::uint16_t, const char*> unmoved[]{
            {Dest, "DEST"}, {Chans, "CHANS"}, {CurChl, "CURCHL"}, {XPtr, "X_PTR"}};
        for (const auto& [pointer, name] : unmoved) {
            EXPECT_EQ(m.Word(pointer), rig.WordBefore(pointer)) << name;
        }
        break;
    }
    case Holds::EmptyProgram:
        EXPECT_EQ(after.program, Bytes{});
        EXPECT_EQ(after.variables, Bytes{});
        kept();
        programAt(0, 0);
        break;
    case Holds::OldProgram:
        EXPECT_EQ(after.program, before.program);
        EXPECT_EQ(after.variables, before.variables);
        kept();
        // A report sets its system variables; nothing else changes.
        changes = {{23552, c.ends == Ends::Reported ? 23734u : 23552u}};
        break;
    case Holds::Code:
        EXPECT_TRUE(std::equal(kCode.begin(), kCode.end(), m.Memory().begin() + kCodeAt));
        EXPECT_EQ(after.program, before.program);
        changes = {{kCodeAt, kCodeAt + 300}};
        break;
    case Holds::Stored:
        changes = {{kCodeAt, kCodeAt + 300}};
        break;
    case Holds::Numbers:
        EXPECT_EQ(after.variables, (Bytes{0x7A, 0, 0, 7, 0, 0, 0x81, 18, 0} + kNumbers));
        kept();
        break;
    case Holds::Characters:
        EXPECT_EQ(after.variables, (kOldNumbers + Bytes{0xC2, 13, 0} + kCharacters));
        kept();
        break;
    case Holds::Recorded: {
        TapeBuilder sent;
        if (c.call == Call::SaBytes) {
            sent.Block(255, kCode, RomChecksum(255, kCode));
        } else {
            const Bytes data = kProgram + kVariables;
            const Bytes header = SpectrumHeader(0, "HELLO", static_cast<unsigned>(data.size()), 10,
                                                static_cast<unsigned>(kProgram.size()));
            sent.Block(0, header, RomChecksum(0, header)).Block(255, data, RomChecksum(255, data));
            // Bitreel lists it as the program it is.
            const auto asPlayed = dir / "PROGRAM.TAP";
            TapeBuilder().Block(0, header).Block(255, data).WriteTo(asPlayed);
            EXPECT_EQ(EntryRows(LoadEntries(recorded)), EntryRows(LoadEntries(asPlayed)));
        }
        EXPECT_EQ(ReadFileBytes(recorded), sent.bytes());
        EXPECT_EQ(rig.wire.FramingErrors(), 0u);
        changes.clear();
        break;
    }
    }
    EXPECT_EQ(rig.FirstChangeOutside(changes), -1);
}

INSTANTIATE_TEST_SUITE_P(BothBoards, CompanionTest,
                         ::testing::Combine(::testing::ValuesIn(kCases),
                                            ::testing::Values(Board::Spectrum128,
                                                              Board::Interface1)),
                         [](const auto& info) {
                             return std::string(std::get<0>(info.param).name) +
                                    (std::get<1>(info.param) == Board::Spectrum128 ? "_Spectrum128"
                                                                                   : "_Interface1");
                         });

} // namespace
} // namespace bitreel::test
