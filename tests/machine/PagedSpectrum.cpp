#include "machine/PagedSpectrum.h"

#include <z80ex/z80ex.h>

namespace bitreel::test {
namespace {

PagedSpectrum& Of(void* data) {
    return *static_cast<PagedSpectrum*>(data);
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

// The ULA's frame: where the first screen line's fetches begin, the line's
// length, and the delay of an access at each T-state of a group of 8.
struct Frame {
    std::uint32_t length;
    std::uint32_t firstContended;
    std::uint32_t line;
    std::array<std::uint8_t, 8> delays;
};
constexpr Frame Frame48{69888, 14335, 224, {6, 5, 4, 3, 2, 1, 0, 0}};
constexpr Frame Frame128{70908, 14361, 228, {6, 5, 4, 3, 2, 1, 0, 0}};
constexpr Frame FramePlus3{70908, 14365, 228, {1, 0, 7, 6, 5, 4, 3, 2}};

const Frame& FrameOf(SpectrumModel model) {
    switch (model) {
    case SpectrumModel::Spectrum48:
        return Frame48;
    case SpectrumModel::Plus2A:
    case SpectrumModel::Plus3:
        return FramePlus3;
    default:
        return Frame128;
    }
}

} // namespace

PagedSpectrum::PagedSpectrum(SpectrumModel model, bool contended)
    : model_(model), contended_(contended),
      cpu_(z80ex_create(ReadMem, this, WriteMem, this, ReadIo, this, WriteIo, this, InterruptVector,
                        this),
           z80ex_destroy) {
    z80ex_reset(cpu_.get());
    z80ex_set_reg(cpu_.get(), regIFF1, 0);
    z80ex_set_reg(cpu_.get(), regIFF2, 0);
}

PagedSpectrum::~PagedSpectrum() = default;

std::uint32_t PagedSpectrum::ClockHz() const {
    return model_ == SpectrumModel::Spectrum48 ? 3'500'000 : 3'546'900;
}

std::size_t PagedSpectrum::BankAt(std::uint16_t address) const {
    switch (address >> 14) {
    case 1:
        return 5;
    case 2:
        return 2;
    default:
        return Is128K(model_) ? std::size_t{port7ffd_ & 7u} : 0;
    }
}

std::uint8_t PagedSpectrum::Peek(std::uint16_t address) const {
    return address < 0x4000 ? 0xFF : banks_[BankAt(address)][address & 0x3FFF];
}

void PagedSpectrum::Poke(std::uint16_t address, std::uint8_t value) {
    if (address >= 0x4000) {
        banks_[BankAt(address)][address & 0x3FFF] = value;
    }
}

bool PagedSpectrum::ContendedAddress(std::uint16_t address) const {
    if (address < 0x4000) {
        return false;
    }
    if (address < 0x8000) {
        return true;
    }
    if (address < 0xC000) {
        return false;
    }
    const std::size_t bank = BankAt(address);
    switch (model_) {
    case SpectrumModel::Spectrum48:
        return false;
    case SpectrumModel::Plus2A:
    case SpectrumModel::Plus3:
        return bank >= 4;
    default:
        return (bank & 1) != 0;
    }
}

unsigned PagedSpectrum::ContentionDelay(std::uint64_t tstate) const {
    const Frame& frame = FrameOf(model_);
    const std::uint64_t inFrame = tstate % frame.length;
    if (inFrame < frame.firstContended) {
        return 0;
    }
    const std::uint64_t fromFirst = inFrame - frame.firstContended;
    if (fromFirst / frame.line >= 192 || fromFirst % frame.line >= 128) {
        return 0;
    }
    return frame.delays[fromFirst % 8];
}

std::uint64_t PagedSpectrum::CallbackTime() const {
    return now_ + static_cast<std::uint64_t>(z80ex_op_tstate(cpu_.get()));
}

void PagedSpectrum::Contend(std::uint64_t tstate) {
    const unsigned delay = ContentionDelay(tstate);
    if (delay != 0) {
        z80ex_w_states(cpu_.get(), delay);
    }
}

std::uint8_t PagedSpectrum::ReadMemory(std::uint16_t address) {
    if (contended_ && ContendedAddress(address)) {
        Contend(CallbackTime());
    }
    return Peek(address);
}

void PagedSpectrum::WriteMemory(std::uint16_t address, std::uint8_t value) {
    if (contended_ && ContendedAddress(address)) {
        Contend(CallbackTime());
    }
    Poke(address, value);
}

std::uint8_t PagedSpectrum::ReadPort(std::uint16_t port) {
    const std::uint64_t t = CallbackTime();
    const bool plus3 = HasPort1ffd(model_);
    if ((port & 1) == 0) {
        if (contended_ && !plus3) {
            Contend(t);
        }
        const bool high = ear_ != nullptr && ear_->High(t);
        return high ? 0xFF : 0xBF;
    }
    if (Is128K(model_) && (port & 0xC002) == 0xC000) {
        return ay_[aySelected_ & 15];
    }
    return 0xFF;
}

void PagedSpectrum::WritePort(std::uint16_t port, std::uint8_t value) {
    const std::uint64_t t = CallbackTime();
    const bool plus3 = HasPort1ffd(model_);
    if ((port & 1) == 0) {
        if (contended_ && !plus3) {
            Contend(t);
        }
        if ((value & 7) != border_) {
            border_ = value & 7;
            borderChanges_.push_back({t, border_});
        }
    }
    if (!Is128K(model_)) {
        return;
    }
    const bool paging = plus3 ? (port & 0xC002) == 0x4000 : (port & 0x8002) == 0;
    if (paging && !PagingLocked()) {
        port7ffd_ = value;
    }
    if (plus3 && (port & 0xF002) == 0x1000 && !PagingLocked()) {
        port1ffd_ = value;
    }
    if ((port & 0xC002) == 0xC000) {
        aySelected_ = value;
    } else if ((port & 0xC002) == 0x8000) {
        ay_[aySelected_ & 15] = value;
    }
}

std::uint16_t PagedSpectrum::Register(int z80exRegister) const {
    return z80ex_get_reg(cpu_.get(), static_cast<Z80_REG_T>(z80exRegister));
}

void PagedSpectrum::SetRegister(int z80exRegister, std::uint16_t value) {
    z80ex_set_reg(cpu_.get(), static_cast<Z80_REG_T>(z80exRegister), value);
}

std::uint16_t PagedSpectrum::Pc() const {
    return Register(regPC);
}

Z80Registers PagedSpectrum::Registers() const {
    Z80Registers r;
    r.af = Register(regAF);
    r.bc = Register(regBC);
    r.de = Register(regDE);
    r.hl = Register(regHL);
    r.af2 = Register(regAF_);
    r.bc2 = Register(regBC_);
    r.de2 = Register(regDE_);
    r.hl2 = Register(regHL_);
    r.ix = Register(regIX);
    r.iy = Register(regIY);
    r.sp = Register(regSP);
    r.pc = Register(regPC);
    r.i = static_cast<std::uint8_t>(Register(regI));
    r.r = static_cast<std::uint8_t>((Register(regR) & 0x7F) | (Register(regR7) & 0x80));
    r.im = static_cast<std::uint8_t>(Register(regIM));
    r.iff1 = Register(regIFF1) != 0;
    r.iff2 = Register(regIFF2) != 0;
    return r;
}

bool PagedSpectrum::RunUntil(const std::function<bool(const PagedSpectrum&)>& stop,
                             std::uint64_t limit) {
    const std::uint64_t end = now_ + limit;
    while (now_ < end) {
        // A prefix is its own step: only whole instructions are stopped at.
        if (z80ex_last_op_type(cpu_.get()) == 0) {
            if (stop(*this)) {
                return true;
            }
            if (Pc() < 0x4000) {
                romAt_ = Pc();
                return false;
            }
        }
        now_ += static_cast<std::uint64_t>(z80ex_step(cpu_.get()));
    }
    return false;
}

} // namespace bitreel::test
