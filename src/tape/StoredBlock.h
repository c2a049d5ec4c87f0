#pragma once

#include "tape/ChecksumVerdict.h"

#include <cstdint>
#include <string>
#include <vector>

namespace bitreel {

// One block of a tape image as the file stores it, with what the contents
// list makes of it: what an inspector looks at, where playback needs the
// block as it goes out.
struct StoredBlock {
    // Length field, flag, payload, checksum, the checksum byte as stored
    // (not replaced). Jupiter Ace TAP blocks carry the flag the reader
    // supplies. A corrupt block holds what the file has of it.
    std::vector<std::uint8_t> Bytes;
    ChecksumVerdict Verdict = ChecksumVerdict::Good;
    bool Corrupt = false; // cannot be read whole
    bool Header = false;  // a header by the machine's rules, whose data block follows it
    std::string Row;      // its row in the contents list
    // False for a block of a TZX or PZX image that holds no frame (a pause, a
    // text, a corrupt block): Bytes is empty and only Row says what it is.
    bool Frame = true;
};

} // namespace bitreel
