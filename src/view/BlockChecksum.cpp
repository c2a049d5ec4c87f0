#include "view/BlockChecksum.h"

#include <cstdio>

namespace bitreel::view {

ChecksumCheck CheckChecksum(std::span<const std::uint8_t> body) noexcept {
    ChecksumCheck check;
    if (body.empty()) {
        return check;
    }
    check.stored = body.back();
    if (body.size() == 1) {
        check.state = check.stored == 0 ? ChecksumState::Good : ChecksumState::Damaged;
        return check;
    }
    for (const auto byte : body.subspan(1, body.size() - 2)) {
        check.computed ^= byte;
    }
    if (check.stored == check.computed) {
        check.state = ChecksumState::Good;
    } else if (check.stored == (check.computed ^ body.front())) {
        check.state = ChecksumState::Replaced;
    } else {
        check.state = ChecksumState::Damaged;
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
