#include "machine/EmulatedSpectrum.h"

#include <z80ex/z80ex.h>

namespace bitreel::test {
namespace {

constexpr std::uint16_t RomEnd = 0x4000;
constexpr std::uint16_t ErrSp = 23613;

// The stand-in ROM's interrupt routine at $38: about as long as the ROM's
// keyboard scan, so that an interrupt let in while bits are timed spoils
// them. PUSH AF; PUSH BC; LD B,64; DJNZ $; POP BC; POP AF; EI; RET.
constexpr std::array<std::uint8_t, 10> InterruptRoutine{0xF5, 0xC5, 0x06, 0x40, 0x10,
                                                        0xFE, 0xC1, 0xF1, 0xFB, 0xC9};
constexpr std::uint16_t InterruptAt = 0x38;

EmulatedSpectrum& Of(void* data) {
    return *static_cast<EmulatedSpectrum*>(data);
}

Z80EX_BYTE ReadMem(Z80EX_CONTEXT*, Z80EX_WORD address, int, void* data) {
    return Of(data).ReadMemory(address);
}
void WriteMem(Z80EX_CONTEXT*, Z80EX_WORD address, Z80EX_BYTE value, void* data) {
    Of(data).WriteMemory(address, value);
}
Z80EX_BYTE ReadIo(Z80EX_CONTEXT*, Z80EX_WORD port, void* data) {
    return Of(data).ReadPort(port);
}
void WriteIo(Z80EX_CONTEXT*, Z80EX_WORD port, Z80EX_BYTE value, void* data) {
    Of(data).WritePort(port, value);
}
Z80EX_BYTE InterruptVector(Z80EX_CONTEXT*, void*) {
    return 0xFF;
}

} // namespace

EmulatedSpectrum::EmulatedSpectrum(Board board, SocketPins& pins)
    : board_(board), pins_(pins), cpu_(z80ex_create(ReadMem, this, WriteMem, this, ReadIo, this,
                                                    WriteIo, this, InterruptVector, this),
                                       z80ex_destroy) {
    memory_.fill(0);
    for (std::size_t i = 0; i < InterruptRoutine.size(); ++i) {
        memory_[InterruptAt + i] = InterruptRoutine[i];
    }
    // Tone on, noise off, port A an input, as a 128 may have them.
    ay_[7] = 0xB8;
    ay_[14] = 0xFF;
}

EmulatedSpectrum::~EmulatedSpectrum() = default;

std::uint32_t EmulatedSpectrum::ClockHz() const {
    return board_ == Board::Spectrum128 ? 3546900 : 3500000;
}

std::uint16_t EmulatedSpectrum::Word(std::uint16_t address) const {
    return static_cast<std::uint16_t>(memory_[address] |
                                      memory_[static_cast<std::uint16_t>(address + 1)] << 8);
}

void EmulatedSpectrum::SetWord(std::uint16_t address, std::uint16_t value) {
    memory_[address] = static_cast<std::uint8_t>(value);
    memory_[static_cast<std::uint16_t>(address + 1)] = static_cast<std::uint8_t>(value >> 8);
}

void EmulatedSpectrum::Call(std::uint16_t address, std::uint16_t stack,
                            const Registers& registers) {
    Z80EX_CONTEXT* cpu = cpu_.get();
    z80ex_reset(cpu);
    const auto errorSlot = static_cast<std::uint16_t>(stack - 2);
    SetWord(errorSlot, ReportReturn);
    SetWord(ErrSp, errorSlot);
    const auto sp = static_cast<std::uint16_t>(errorSlot - 6);
    SetWord(sp, UsrReturn);
    z80ex_set_reg(cpu, regSP, sp);
    z80ex_set_reg(cpu, regPC, address);
    z80ex_set_reg(cpu, regAF,
                  static_cast<Z80EX_WORD>(registers.a << 8 | (registers.carry ? 1 : 0)));
    z80ex_set_reg(cpu, regDE, registers.de);
    z80ex_set_reg(cpu, regIX, registers.ix);
    z80ex_set_reg(cpu, regBC, address);
    z80ex_set_reg(cpu, regHL, UsrReturn);
    z80ex_set_reg(cpu, regIY, ErrNr);
    z80ex_set_reg(cpu, regHL_, KeptHl);
    z80ex_set_reg(cpu, regIM, 1);
    z80ex_set_reg(cpu, regIFF1, 1);
    z80ex_set_reg(cpu, regIFF2, 1);
    state_ = State::Running;
    nextInterrupt_ = now_ + ClockHz() / 50;
}

EmulatedSpectrum::State EmulatedSpectrum::RunFor(std::uint64_t tstates) {
    const std::uint64_t end = now_ + tstates;
    while (state_ == State::Running && now_ < end) {
        Step();
    }
    pins_.Sync(now_);
    return state_;
}

void EmulatedSpectrum::Idle(std::uint64_t tstates) {
    now_ += tstates;
    pins_.Sync(now_);
}

void EmulatedSpectrum::Step() {
    Z80EX_CONTEXT* cpu = cpu_.get();
    if (now_ >= nextInterrupt_) {
        // 50 a second (the 128's frame is a little longer; no matter here).
        nextInterrupt_ += ClockHz() / 50;
        if (z80ex_int_possible(cpu)) {
            now_ += static_cast<std::uint64_t>(z80ex_int(cpu));
        }
    }
    const Z80EX_WORD pc = z80ex_get_reg(cpu, regPC);
    if (pc == UsrReturn) {
        state_ = State::Returned;
        return;
    }
    if (pc == ReportReturn) {
        state_ = State::Reported;
        return;
    }
    if (pc < RomEnd && (pc < InterruptAt || pc >= InterruptAt + InterruptRoutine.size())) {
        Fail("ran the ROM at " + std::to_string(pc));
        return;
    }
    now_ += static_cast<std::uint64_t>(z80ex_step(cpu));
}

void EmulatedSpectrum::Fail(std::string what) {
    if (fault_.empty()) {
        fault_ = std::move(what);
    }
    state_ = State::Fault;
}

std::uint16_t EmulatedSpectrum::Register(int z80exRegister) const {
    return z80ex_get_reg(cpu_.get(), static_cast<Z80_REG_T>(z80exRegister));
}

bool EmulatedSpectrum::Carry() const {
    return (Register(regAF) & 1) != 0;
}

std::uint8_t EmulatedSpectrum::A() const {
    return static_cast<std::uint8_t>(Register(regAF) >> 8);
}

bool EmulatedSpectrum::InterruptsEnabled() const {
    return Register(regIFF1) != 0;
}

void EmulatedSpectrum::WriteMemory(std::uint16_t address, std::uint8_t value) {
    if (address < RomEnd) {
        Fail("wrote the ROM at " + std::to_string(address));
        return;
    }
    memory_[address] = value;
}

std::uint64_t EmulatedSpectrum::PortTime() const {
    return now_ + static_cast<std::uint64_t>(z80ex_op_tstate(cpu_.get()));
}

std::uint8_t EmulatedSpectrum::ReadPort(std::uint16_t port) {
    const std::uint64_t t = PortTime();
    if ((port & 1) == 0) {
        // The keyboard: SPACE is bit 0 of the half row at A15.
        return (space_ && (port & 0x8000) == 0) ? 0xFE : 0xFF;
    }
    if (board_ == Board::Spectrum128) {
        if ((port & 0xC002) == 0xC000) {
            if (aySelected_ != 14) {
                return ay_[aySelected_ & 15];
            }
            const std::uint8_t pins = static_cast<std::uint8_t>(
                0x3F | (pins_.DtrReady(t) ? 0 : 0x40) | (pins_.TxdMark(t) ? 0x80 : 0));
            return (ay_[7] & 0x40) != 0 ? static_cast<std::uint8_t>(ay_[14] & pins) : pins;
        }
    } else if ((port & 0xFF) == 0xEF) {
        return static_cast<std::uint8_t>(0xF7 | (pins_.DtrReady(t) ? 0x08 : 0));
    } else if ((port & 0xFF) == 0xF7) {
        return pins_.TxdMark(t) ? 0x7F : 0xFF;
    }
    Fail("read port " + std::to_string(port));
    return 0xFF;
}

void EmulatedSpectrum::WritePort(std::uint16_t port, std::uint8_t value) {
    const std::uint64_t t = PortTime();
    if (board_ == Board::Spectrum128) {
        if ((port & 0x8002) == 0x0000) {
            Fail("paged memory");
        } else if ((port & 0xC002) == 0xC000) {
            aySelected_ = value;
        } else if ((port & 0xC002) == 0x8000) {
            const std::uint8_t reg = aySelected_ & 15;
            if (reg == 7 && ((value ^ ay_[7]) & 0xBF) != 0) {
                Fail("changed the sound chip's mixer");
            }
            if (reg == 14 && (value & 0xC1) != 0xC0) {
                Fail("wrote port A with an input bit at 0 or the keypad's bit at 1");
            }
            ay_[reg] = value;
            UpdateOutputs(t);
        } else {
            Fail("wrote port " + std::to_string(port));
        }
        return;
    }
    if ((port & 0xFF) == 0xEF) {
        if ((value & 0xEE) != 0xEE) {
            Fail("wrote Interface 1's control port with a bit at 0 it must not");
        }
        if1Control_ = value;
        UpdateOutputs(t);
    } else if ((port & 0xFF) == 0xF7) {
        if1Data_ = value;
        UpdateOutputs(t);
    } else {
        Fail("wrote port " + std::to_string(port));
    }
}

void EmulatedSpectrum::UpdateOutputs(std::uint64_t t) {
    bool cts = false;
    bool mark = true;
    if (board_ == Board::Spectrum128) {
        if ((ay_[7] & 0x40) != 0) {
            cts = (ay_[14] & 0x04) == 0;
            mark = (ay_[14] & 0x08) != 0;
        }
    } else {
        cts = (if1Control_ & 0x10) != 0;
        mark = (if1Control_ & 0x01) == 0 || (if1Data_ & 0x01) == 0;
    }
    if (cts != cts_) {
        cts_ = cts;
        pins_.SetCts(t, cts);
    }
    if (mark != rxdMark_) {
        rxdMark_ = mark;
        pins_.SetRxd(t, mark);
    }
}

} // namespace bitreel::test
