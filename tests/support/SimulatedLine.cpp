#include "support/SimulatedLine.h"

#include <algorithm>
#include <stdexcept>
#include <utility>

namespace bitreel::test {
namespace {

constexpr int FirstNumber = 1;
constexpr int LastNumber = 16;

} // namespace

SimulatedLine::SimulatedLine() = default;

void SimulatedLine::SetPortNumber(int number) {
    Operation(PortOp::SetPortNumber);
    if (open_) {
        throw PortError("the port number cannot change while the port is open");
    }
    if (number < FirstNumber || number > LastNumber) {
        throw PortError("no simulated line for port number " + std::to_string(number));
    }
    number_ = number;
}

std::string SimulatedLine::DeviceName(int number) const {
    if (number < FirstNumber || number > LastNumber) {
        return {};
    }
    return "simulated" + std::to_string(number);
}

void SimulatedLine::SetSettings(const LineSettings& settings) {
    Operation(PortOp::SetSettings);
    settings_ = settings;
}

void SimulatedLine::SetHandshaking(Handshake mode) {
    Operation(PortOp::SetHandshaking);
    if (mode != Handshake::None && mode != Handshake::RtsCts) {
        throw PortError("unsupported handshaking " + std::to_string(static_cast<int>(mode)));
    }
    handshaking_ = mode;
    Update();
}

void SimulatedLine::SetDtrEnable(bool enable) {
    Operation(PortOp::SetDtrEnable);
    if (open_ && enable && !dtrEnable_) {
        ++dtrRaises_;
    }
    dtrEnable_ = enable;
}

void SimulatedLine::Open() {
    Operation(PortOp::Open);
    if (open_) {
        throw PortError("the port is open already");
    }
    if (vanished_) {
        throw PortError("no such device");
    }
    if (inUse_) {
        throw PortError("the port is in use");
    }
    open_ = true;
    rts_ = true;
    if (dtrEnable_) {
        ++dtrRaises_;
    }
    Update();
}

void SimulatedLine::Close() {
    Operation(PortOp::Close);
    open_ = false;
    queue_.clear();
    inbox_.clear();
}

bool SimulatedLine::CtsHolding() {
    Operation(PortOp::CtsHolding);
    RequireOpen();
    if (ctsMode_ == CtsMode::Script) {
        long long index = ctsReads_++;
        bool level = ctsScript_.back().asserted;
        for (const CtsSpan& span : ctsScript_) {
            if (index < span.reads) {
                level = span.asserted;
                break;
            }
            index -= span.reads;
        }
        // The line keeps the level read until the next read.
        ctsLastRead_ = level;
        Update();
    }
    return CtsAsserted();
}

void SimulatedLine::DiscardOutput() {
    Operation(PortOp::DiscardOutput);
    RequireOpen();
    queue_.clear();
}

void SimulatedLine::Write(std::span<const std::uint8_t> bytes) {
    Operation(PortOp::Write);
    RequireOpen();
    written_.insert(written_.end(), bytes.begin(), bytes.end());
    queue_.insert(queue_.end(), bytes.begin(), bytes.end());
    Update();
}

std::vector<std::uint8_t> SimulatedLine::ReadAll() {
    Operation(PortOp::ReadAll);
    RequireOpen();
    while (!outgoing_.empty()) {
        Outgoing& next = outgoing_.front();
        if (next.plan.whileDtr && !Dtr()) {
            break;
        }
        const std::size_t left = next.bytes.size() - next.sent;
        std::size_t count = left;
        const bool chunked = !next.plan.chunks.empty();
        if (chunked) {
            const auto& sizes = next.plan.chunks;
            count = std::min(left, sizes[std::min(next.chunk, sizes.size() - 1)]);
            ++next.chunk;
        }
        const auto from = next.bytes.begin() + static_cast<std::ptrdiff_t>(next.sent);
        inbox_.insert(inbox_.end(), from, from + static_cast<std::ptrdiff_t>(count));
        next.sent += count;
        if (next.sent == next.bytes.size()) {
            outgoing_.pop_front();
        }
        if (chunked) {
            break;
        }
    }
    return std::exchange(inbox_, {});
}

std::size_t SimulatedLine::PendingOutput() {
    Operation(PortOp::PendingOutput);
    RequireOpen();
    return queue_.size();
}

std::optional<InputLines> SimulatedLine::ReadInputLines() {
    Operation(PortOp::ReadInputLines);
    RequireOpen();
    if (!modemLines_) {
        return std::nullopt;
    }
    const bool dtr = Dtr();
    return InputLines{CtsAsserted(), plug_ && plug_->dtrToDsr && dtr,
                      plug_ && plug_->dtrToDcd && dtr};
}

void SimulatedLine::SetRts(bool raised) {
    Operation(PortOp::SetRts);
    RequireOpen();
    if (handshaking_ == Handshake::RtsCts) {
        throw PortError("RTS is the driver's own while RTS/CTS handshaking is on");
    }
    rts_ = raised;
    Update();
}

void SimulatedLine::FitLoopbackPlug(LoopbackPlug plug) {
    plug_ = plug;
    looped_ = 0;
    Update();
}

void SimulatedLine::SetDrivesRtsItself(bool drives) {
    drivesRts_ = drives;
    Update();
}

void SimulatedLine::SetCtsAlwaysAsserted(bool always) {
    ctsAlways_ = always;
    Update();
}

bool SimulatedLine::Rts() const {
    return open_ && (rts_ || (drivesRts_ && handshaking_ == Handshake::RtsCts));
}

void SimulatedLine::SetCts(bool asserted) {
    ctsMode_ = CtsMode::Fixed;
    ctsFixed_ = asserted;
    Update();
}

void SimulatedLine::ScriptCts(std::vector<CtsSpan> spans) {
    if (spans.empty() || std::any_of(spans.begin(), spans.end(),
                                     [](const CtsSpan& span) { return span.reads < 1; })) {
        throw std::invalid_argument("a CTS script needs spans of at least one read");
    }
    ctsMode_ = CtsMode::Script;
    ctsScript_ = std::move(spans);
    ctsReads_ = 0;
    ctsLastRead_ = ctsScript_.front().asserted;
    Update();
}

void SimulatedLine::SetCtsWhileRoom(std::size_t capacity, Duration takeTime) {
    if (capacity == 0 || takeTime < Duration::zero()) {
        throw std::invalid_argument("the machine needs room for at least one byte");
    }
    ctsMode_ = CtsMode::WhileRoom;
    machineCapacity_ = capacity;
    machineTakeTime_ = takeTime;
    machineBuffered_ = 0;
    machineFree_ = Now();
    Update();
}

void SimulatedLine::MachineTake(std::size_t count) {
    machineBuffered_ -= std::min(count, machineBuffered_);
    Update();
}

bool SimulatedLine::CtsAsserted() const {
    if (plug_) {
        return ctsAlways_ || (plug_->rtsToCts && Rts());
    }
    switch (ctsMode_) {
    case CtsMode::Fixed:
        return ctsFixed_;
    case CtsMode::Script:
        return ctsLastRead_;
    case CtsMode::WhileRoom:
        return machineBuffered_ < machineCapacity_;
    }
    return false;
}

std::vector<std::vector<std::uint8_t>> SimulatedLine::Frames() const {
    std::vector<std::vector<std::uint8_t>> frames;
    std::size_t at = 0;
    while (received_.size() - at >= 2) {
        const std::size_t length = received_[at] | (std::size_t{received_[at + 1]} << 8);
        if (received_.size() - at - 2 < length) {
            break;
        }
        const auto from = received_.begin() + static_cast<std::ptrdiff_t>(at);
        frames.emplace_back(from, from + static_cast<std::ptrdiff_t>(length + 2));
        at += length + 2;
    }
    return frames;
}

std::vector<std::uint8_t> SimulatedLine::PartialFrame() const {
    std::size_t complete = 0;
    for (const auto& frame : Frames()) {
        complete += frame.size();
    }
    return {received_.begin() + static_cast<std::ptrdiff_t>(complete), received_.end()};
}

void SimulatedLine::Send(std::span<const std::uint8_t> bytes, SendPlan plan) {
    if (!plan.chunks.empty() && plan.chunks.back() == 0) {
        throw std::invalid_argument("a send plan cannot end in empty reads");
    }
    if (bytes.empty()) {
        return;
    }
    if (plan.chunks.empty() && !plan.whileDtr && outgoing_.empty()) {
        inbox_.insert(inbox_.end(), bytes.begin(), bytes.end());
        return;
    }
    outgoing_.push_back(Outgoing{{bytes.begin(), bytes.end()}, 0, std::move(plan), 0});
}

void SimulatedLine::SendFrame(std::span<const std::uint8_t> body, SendPlan plan) {
    if (body.size() > 0xFFFF) {
        throw std::invalid_argument("a frame body holds at most 65535 bytes");
    }
    std::vector<std::uint8_t> frame{static_cast<std::uint8_t>(body.size() & 0xFF),
                                    static_cast<std::uint8_t>(body.size() >> 8)};
    frame.insert(frame.end(), body.begin(), body.end());
    Send(frame, std::move(plan));
}

std::size_t SimulatedLine::Unsent() const {
    std::size_t unsent = 0;
    for (const Outgoing& next : outgoing_) {
        unsent += next.bytes.size() - next.sent;
    }
    return unsent;
}

void SimulatedLine::Vanish() {
    vanished_ = true;
    open_ = false;
    queue_.clear();
    inbox_.clear();
}

void SimulatedLine::VanishAt(PortOp op, int nth) {
    if (nth < 1) {
        throw std::invalid_argument("calls are counted from 1");
    }
    failOp_ = op;
    failCountdown_ = nth;
}

void SimulatedLine::SetPaced(bool paced) {
    paced_ = paced;
    lineFree_ = std::max(lineFree_, Now());
    Update();
}

void SimulatedLine::Advance(Duration time) {
    simulatedNow_ += time;
    Update();
}

void SimulatedLine::UseRealTime() {
    // The clock goes on from where the simulated one stands.
    realStart_ = std::chrono::steady_clock::now();
    realTime_ = true;
}

SimulatedLine::Duration SimulatedLine::Now() const {
    if (!realTime_) {
        return simulatedNow_;
    }
    return simulatedNow_ +
           std::chrono::duration_cast<Duration>(std::chrono::steady_clock::now() - realStart_);
}

void SimulatedLine::Operation(PortOp op) {
    simulatedNow_ += timePerOperation_;
    Update();
    ++calls_[static_cast<std::size_t>(op)];
    ++calls_[static_cast<std::size_t>(PortOp::Any)];
    if (failCountdown_ > 0 && (failOp_ == PortOp::Any || failOp_ == op) && --failCountdown_ == 0) {
        Vanish();
        throw PortError("COM" + std::to_string(number_) + " went away");
    }
}

void SimulatedLine::RequireOpen() const {
    if (!open_) {
        throw PortError("COM" + std::to_string(number_) + " is not open");
    }
}

bool SimulatedLine::CanTransmit() const {
    return open_ && !queue_.empty() &&
           (handshaking_ != Handshake::RtsCts || ignoresHandshake_ || CtsAsserted());
}

void SimulatedLine::Deliver(std::size_t count, Duration at) {
    for (std::size_t i = 0; i < count && !queue_.empty(); ++i) {
        const std::uint8_t byte = queue_.front();
        received_.push_back(byte);
        receivedAt_.push_back(at);
        queue_.pop_front();
        if (plug_ && plug_->txToRx) {
            const std::size_t n = ++looped_;
            const bool lost = plug_->loseEvery > 0 && n % plug_->loseEvery == 0;
            const bool changed = plug_->changeEvery > 0 && n % plug_->changeEvery == 0;
            if (!lost) {
                inbox_.push_back(changed ? static_cast<std::uint8_t>(~byte) : byte);
            }
        }
        if (ctsMode_ == CtsMode::WhileRoom) {
            ++machineBuffered_;
        }
    }
}

void SimulatedLine::Update() {
    const Duration now = Now();
    // Play the line's events (a byte arriving at the machine, the machine
    // taking a byte from its buffer) in time order up to now.
    for (;;) {
        const bool transmit = CanTransmit();
        const Duration sendAt = paced_ ? lineFree_ + ByteTime() : lineFree_;
        const bool canSend = transmit && sendAt <= now;
        const bool takes = ctsMode_ == CtsMode::WhileRoom && machineBuffered_ > 0 &&
                           machineTakeTime_ > Duration::zero();
        const Duration takeAt = machineFree_ + machineTakeTime_;
        const bool canTake = takes && takeAt <= now;
        if (canTake && (!canSend || takeAt <= sendAt)) {
            const bool blocked = !transmit;
            --machineBuffered_;
            machineFree_ = takeAt;
            if (blocked && CanTransmit()) {
                // Room again: the next byte starts now, not when the line
                // last went quiet.
                lineFree_ = std::max(lineFree_, takeAt);
            }
        } else if (canSend) {
            if (machineBuffered_ == 0) {
                machineFree_ = std::max(machineFree_, sendAt);
            }
            lineFree_ = sendAt;
            Deliver(1, sendAt);
        } else {
            break;
        }
    }
    if (!CanTransmit()) {
        lineFree_ = std::max(lineFree_, now);
    }
    if (machineBuffered_ == 0) {
        machineFree_ = std::max(machineFree_, now);
    }
}

} // namespace bitreel::test
