#include "view/BlockChecksum.h"

#include "tape/formats/BlockReader.h"

#include <cstdio>

namespace bitreel::view {

ChecksumCheck CheckChecksum(std::span<const std::uint8_t> frame) noexcept {
    return CheckChecksum(frame, FrameChecksumVerdict(frame));
}

ChecksumCheck CheckChecksum(std::span<const std::uint8_t> frame, ChecksumVerdict verdict) noexcept {
    ChecksumCheck check;
    const auto body = frame.size() > 2 ? frame.subspan(2) : frame.subspan(0, 0);
    if (body.empty()) {
        return check;
    }
    check.stored = body.back();
    check.computed = body.size() > 1 ? PayloadChecksum(body.subspan(1, body.size() - 2)) : 0;
    switch (verdict) {
    case ChecksumVerdict::Good:
        check.state = ChecksumState::Good;
        break;
    case ChecksumVerdict::Replaced:
        check.state = ChecksumState::Replaced;
        break;
    case ChecksumVerdict::Damaged:
        check.state = ChecksumState::Damaged;
        break;
    }
    return check;
}

std::string ChecksumText(const ChecksumCheck& check) {
    if (check.state == ChecksumState::None) {
        return "none (empty block)";
    }
    const char* verdict = check.state == ChecksumState::Good       ? "good"
                          : check.state == ChecksumState::Replaced ? "replaced"
                                                                   : "damaged";
    char text[64];
    std::snprintf(text, sizeof text, "stored 0x%02X, computed 0x%02X: %s", check.stored,
                  check.computed, verdict);
    return text;
}

} // namespace bitreel::view
