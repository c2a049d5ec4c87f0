#include "machine/SerialWire.h"

#include <algorithm>

namespace bitreel::test {

SerialWire::SerialWire(SimulatedLine& line, std::uint32_t clockHz, int pcBaud,
                       std::size_t lateBytes)
    : line_(line), clockHz_(clockHz), baud_(static_cast<std::uint64_t>(pcBaud)),
      lateBytes_(lateBytes) {
    line_.SetCts(false);
}

SimulatedLine::Duration SerialWire::Nanoseconds(std::uint64_t t) const {
    return SimulatedLine::Duration(static_cast<std::int64_t>(t * 1'000'000'000 / clockHz_));
}

void SerialWire::Sync(std::uint64_t t) {
    if (t <= synced_) {
        return;
    }
    // In steps shorter than a byte, so that a held CTS drops after the
    // right byte.
    const std::uint64_t step = clockHz_ * 5 / baud_;
    while (synced_ < t) {
        AdvanceLine(std::min(t, synced_ + step));
    }
    Receive(t);
}

void SerialWire::AdvanceLine(std::uint64_t t) {
    synced_ = t;
    line_.Advance(Nanoseconds(t) - line_.Now());
    const auto& at = line_.ReceivedAt();
    while (starts_.size() < at.size()) {
        // The first T-state whose time is not before the byte's.
        const auto ns = static_cast<std::uint64_t>(at[starts_.size()].count());
        starts_.push_back((ns * clockHz_ + 999'999'999) / 1'000'000'000);
    }
    if (holding_ && starts_.size() >= holdUntil_) {
        holding_ = false;
        line_.SetCts(false);
    }
}

bool SerialWire::TxdMark(std::uint64_t t) {
    Sync(t);
    while (current_ + 1 < starts_.size() && starts_[current_ + 1] <= t) {
        ++current_;
    }
    if (current_ >= starts_.size() || starts_[current_] > t) {
        return true;
    }
    const std::uint64_t bit = (t - starts_[current_]) * baud_ / clockHz_;
    if (bit == 0) {
        return false;
    }
    if (bit > 8) {
        return true;
    }
    const std::uint8_t byte =
        line_.Received()[current_] ^ (current_ == corruptByte_ ? corruptBits_ : 0);
    return ((byte >> (bit - 1)) & 1) != 0;
}

bool SerialWire::DtrReady(std::uint64_t t) {
    Sync(t);
    return line_.Dtr();
}

void SerialWire::SetCts(std::uint64_t t, bool ready) {
    Sync(t);
    if (ready) {
        holding_ = false;
        line_.SetCts(true);
        return;
    }
    const std::size_t late = std::min(lateBytes_, line_.Queued());
    if (late == 0) {
        line_.SetCts(false);
        return;
    }
    holding_ = true;
    holdUntil_ = starts_.size() + late;
}

void SerialWire::SetRxd(std::uint64_t t, bool mark) {
    Sync(t);
    changes_.emplace_back(t, mark);
}

bool SerialWire::RxdAt(std::uint64_t t) const {
    bool mark = true;
    for (std::size_t i = scan_; i < changes_.size() && changes_[i].first <= t; ++i) {
        mark = changes_[i].second;
    }
    return mark;
}

void SerialWire::Receive(std::uint64_t t) {
    for (;;) {
        if (!inByte_) {
            // The next fall to space is a start bit.
            std::size_t i = scan_ + 1;
            while (i < changes_.size() && changes_[i].second) {
                ++i;
            }
            if (i >= changes_.size() || changes_[i].first > t) {
                return;
            }
            scan_ = i;
            inByte_ = true;
            byteStart_ = changes_[i].first;
            bit_ = 1;
            byte_ = 0;
        }
        const std::uint64_t middle =
            byteStart_ + (static_cast<std::uint64_t>(2 * bit_ + 1) * clockHz_) / (2 * baud_);
        if (middle > t) {
            return;
        }
        const bool mark = RxdAt(middle);
        if (bit_ <= 8) {
            byte_ = static_cast<std::uint8_t>(byte_ | (mark ? 1 : 0) << (bit_ - 1));
            ++bit_;
            continue;
        }
        // A stop bit at space is a framing error: the port reads a 0.
        if (!mark) {
            ++framingErrors_;
        }
        const std::uint8_t got = mark ? byte_ : 0;
        line_.Send(std::span(&got, 1));
        inByte_ = false;
        while (scan_ + 1 < changes_.size() && changes_[scan_ + 1].first <= middle) {
            ++scan_;
        }
    }
}

} // namespace bitreel::test
