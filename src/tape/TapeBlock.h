#pragma once

#include <cstdint>
#include <vector>

namespace bitreel {

// How a block's stored checksum byte compares with the two rules a tape may
// have followed. Only this system's own rule (payload alone) is ever sent.
enum class ChecksumVerdict : std::uint8_t {
    Good,     // the XOR of the payload
    Replaced, // the XOR of flag and payload: the byte is replaced, nothing is lost
    Damaged,  // neither: the block's bytes are not the ones that were saved
};

// One block in the form every layout is read into and that goes out on the
// line as one frame: 2-byte little-endian length field, flag, payload,
// checksum. For Ace TAP files the reader supplies the flag the file lacks.
struct TapeBlock {
    std::vector<std::uint8_t> Bytes; // length field, flag, payload, checksum
    std::int32_t Length = -1;        // bytes after the length field; -1 = no block
    bool BadChecksum = false;        // stored checksum was wrong; Bytes holds the computed one
    // What the stored checksum byte was: good, by the rule that covers the
    // flag too (replaced, nothing lost), or neither (damaged).
    ChecksumVerdict Verdict = ChecksumVerdict::Good;
};

} // namespace bitreel
