// Judges a block's stored checksum byte against the payload and flag.
#include "tape/ChecksumVerdict.h"

#include "tape/BlockReader.h"

namespace bitreel {

ChecksumVerdict FrameChecksumVerdict(std::span<const std::uint8_t> frame) noexcept {
    const auto body = frame.size() > 2 ? frame.subspan(2) : frame.subspan(0, 0);
    if (body.size() < 2) {
        return body.empty() || body[0] == 0 ? ChecksumVerdict::Good : ChecksumVerdict::Damaged;
    }
    const std::uint8_t stored = body.back();
    const std::uint8_t payload = PayloadChecksum(body.subspan(1, body.size() - 2));
    if (stored == payload) {
        return ChecksumVerdict::Good;
    }
    // With flag 0 both rules agree, and the first test has answered.
    if (stored == (payload ^ body[0])) {
        return ChecksumVerdict::Replaced;
    }
    return ChecksumVerdict::Damaged;
}

} // namespace bitreel
