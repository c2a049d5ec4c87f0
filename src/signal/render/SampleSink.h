#pragma once

#include <cstdint>
#include <span>

namespace bitreel {

// Where rendered samples go: a sound file, a sound card, or a bench's count.
class SampleSink {
public:
    virtual ~SampleSink() = default;
    virtual void Write(std::span<const std::int16_t> samples) = 0;
};

} // namespace bitreel
