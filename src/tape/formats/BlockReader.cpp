// Reads one block of a Spectrum TAP, Jupiter Ace TAP or Jupiter Ace JUP image.
#include "tape/formats/BlockReader.h"

#include "tape/HeaderFields.h"
#include "tape/formats/ByteCursor.h"

#include <cstring>

namespace bitreel {
namespace {

// Checks the checksum of a body (flag, payload, checksum) and puts the
// computed one in place of a wrong one.
void CheckBody(std::span<std::uint8_t> body, bool& badChecksum) {
    if (body.empty()) {
        return;
    }
    const auto payload = body.size() >= 2 ? body.subspan(1, body.size() - 2) : body.subspan(0, 0);
    const std::uint8_t computed = PayloadChecksum(payload);
    if (body.back() != computed) {
        body.back() = computed;
        badChecksum = true;
    }
}

// The Ace TAP layout stores no flag, so no stored checksum can cover one:
// only the stored bytes (payload, checksum) are judged.
ChecksumVerdict StoredAceTapVerdict(std::span<const std::uint8_t> stored) {
    if (stored.empty()) {
        return ChecksumVerdict::Good;
    }
    return stored.back() == PayloadChecksum(stored.first(stored.size() - 1))
               ? ChecksumVerdict::Good
               : ChecksumVerdict::Damaged;
}

} // namespace

std::uint8_t PayloadChecksum(std::span<const std::uint8_t> payload) noexcept {
    // Thirty-two bytes at a time in four independent lanes: XOR does not care
    // how the bytes are grouped, and large data blocks are most of what the
    // contents list reads.
    std::uint64_t lane[4] = {};
    std::size_t i = 0;
    for (; i + 32 <= payload.size(); i += 32) {
        for (int k = 0; k < 4; ++k) {
            std::uint64_t word;
            std::memcpy(&word, payload.data() + i + 8 * k, 8);
            lane[k] ^= word;
        }
    }
    const std::uint64_t wide = lane[0] ^ lane[1] ^ lane[2] ^ lane[3];
    std::uint8_t x = 0;
    for (int shift = 0; shift < 64; shift += 8) {
        x ^= static_cast<std::uint8_t>(wide >> shift);
    }
    for (; i < payload.size(); ++i) {
        x ^= payload[i];
    }
    return x;
}

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

bool ReadBlock(TapeFile& file, TapeBlock& block, TapeLayout layout, bool ExpectHeader) {
    block.BadChecksum = false;
    block.Verdict = ChecksumVerdict::Good;
    block.Bytes.clear();

    // The normal end of every file: nothing left, or a lone byte that cannot
    // be a length field.
    if (file.Read(2, block.Bytes) < 2) {
        block.Length = -1;
        return true;
    }
    const std::uint32_t stored = *Le16At(block.Bytes, 0);
    block.Length = static_cast<std::int32_t>(stored);

    // A length larger than the whole file cannot be a block: report it and
    // leave the file just after the length field, so that reading goes on
    // two bytes further.
    if (stored > file.Size()) {
        return false;
    }

    if (layout == TapeLayout::AceTap) {
        block.Bytes.push_back(ExpectHeader ? HeaderFlag : DataFlag);
        const bool complete = file.Read(stored, block.Bytes) == stored;
        // The body with its supplied flag must still fit the length field.
        if (!complete || stored + 1 > 0xFFFF) {
            return false;
        }
        const std::uint32_t length = stored + 1;
        block.Length = static_cast<std::int32_t>(length);
        PutLe16(std::span(block.Bytes).first<2>(), static_cast<std::uint16_t>(length));
    } else if (file.Read(stored, block.Bytes) != stored) {
        // The file ends inside the block; it is left exhausted.
        return false;
    }

    block.Verdict = layout == TapeLayout::AceTap
                        ? StoredAceTapVerdict(std::span(block.Bytes).subspan(3))
                        : FrameChecksumVerdict(block.Bytes);
    CheckBody(std::span(block.Bytes).subspan(2), block.BadChecksum);
    return true;
}

void FrameFromBody(std::span<const std::uint8_t> body, TapeBlock& block) {
    block.BadChecksum = false;
    block.Bytes.clear();
    block.Bytes.reserve(body.size() + 2);
    block.Bytes.resize(2);
    PutLe16(std::span(block.Bytes).first<2>(), static_cast<std::uint16_t>(body.size()));
    block.Bytes.insert(block.Bytes.end(), body.begin(), body.end());
    block.Length = static_cast<std::int32_t>(body.size());
    block.Verdict = FrameChecksumVerdict(block.Bytes);
    CheckBody(std::span(block.Bytes).subspan(2), block.BadChecksum);
}

std::span<const std::uint8_t> BlockBody(std::span<const std::uint8_t> frame) noexcept {
    return frame.size() > 2 ? frame.subspan(2) : std::span<const std::uint8_t>{};
}

std::span<const std::uint8_t> BlockPayload(std::span<const std::uint8_t> frame) noexcept {
    const auto body = BlockBody(frame);
    return body.size() > 2 ? body.subspan(1, body.size() - 2) : std::span<const std::uint8_t>{};
}

} // namespace bitreel
