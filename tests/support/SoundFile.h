#pragma once

// A sound file read back as other programs read it, through libsndfile: the
// tests that link it check what Bitreel wrote against what a player gets.

#include <gtest/gtest.h>
#include <sndfile.h>

#include <cstdint>
#include <filesystem>
#include <vector>

namespace bitreel::test {

struct Sound {
    int format = 0; // libsndfile's container and encoding
    int rate = 0;
    int channels = 0;
    std::vector<std::int16_t> samples;
};

// A file libsndfile cannot open is a failure of the test that reads it.
inline Sound ReadSound(const std::filesystem::path& path) {
    SF_INFO info{};
    SNDFILE* file = sf_open(path.c_str(), SFM_READ, &info);
    if (file == nullptr) {
        ADD_FAILURE() << "libsndfile cannot read " << path << ": " << sf_strerror(nullptr);
        return {};
    }
    Sound sound{info.format, info.samplerate, info.channels,
                std::vector<std::int16_t>(static_cast<std::size_t>(info.frames))};
    EXPECT_EQ(sf_read_short(file, sound.samples.data(), info.frames), info.frames);
    sf_close(file);
    return sound;
}

} // namespace bitreel::test
