// Unpacks the ED ED run encoding of .z80 memory into a buffer of known size.
#include "tape/snapshot/Z80Runs.h"

#include <algorithm>

namespace bitreel {

RunsEnd UnpackZ80Runs(std::span<const std::uint8_t> packed, std::span<std::uint8_t> out) noexcept {
    constexpr std::uint8_t Ed = 0xED;
    std::size_t in = 0;
    std::size_t at = 0;
    while (in < packed.size()) {
        if (packed[in] == Ed && in + 1 < packed.size() && packed[in + 1] == Ed) {
            if (packed.size() - in < 4) {
                return RunsEnd::Short;
            }
            const std::size_t count = packed[in + 2];
            if (count > out.size() - at) {
                return RunsEnd::Overrun;
            }
            std::fill_n(out.begin() + std::ptrdiff_t(at), count, packed[in + 3]);
            at += count;
            in += 4;
        } else {
            if (at == out.size()) {
                return RunsEnd::Overrun;
            }
            out[at++] = packed[in++];
        }
    }
    return at == out.size() ? RunsEnd::Filled : RunsEnd::Short;
}

} // namespace bitreel
