#pragma once

// A tape image played into sound as Bitreel plays it to the EAR socket, with
// the blocks it sends and where they lie, to read back; and Debian's
// audio2tape run on such sound, as the reference.

#include "pulses/PulseStream.h"
#include "signal/decode/RecordingReader.h"
#include "signal/render/AudioFile.h"
#include "signal/render/TapeAudioFile.h"
#include "support/TapeBuilder.h"
#include "tape/TapeImage.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <random>
#include <string>
#include <utility>
#include <vector>

namespace bitreel::test {

using BlockBytes = std::vector<std::uint8_t>; // flag, payload, checksum

struct RenderedTape {
    std::vector<float> samples;
    std::vector<BlockBytes> blocks; // each block sent, in order
};

// The blocks of an image that go out as frames, without their length field.
inline std::vector<BlockBytes> SentBlocks(TapeImage& image) {
    std::vector<BlockBytes> blocks;
    image.ForEachBlock([&](std::size_t, const ImageBlock& b) {
        if (b.Sent() && b.stored.size() > 2) {
            blocks.emplace_back(b.stored.begin() + 2, b.stored.end());
        }
    });
    return blocks;
}

inline RenderedTape RenderTape(const std::filesystem::path& path, MachineKind machine,
                               std::uint32_t rate) {
    struct Floats final : SampleSink {
        void Write(std::span<const std::int16_t> piece) override {
            for (const auto s : piece) {
                samples.push_back(float(s) / 32768.0f);
            }
        }
        std::vector<float> samples;
    };
    TapeImage image(path, machine,
                    machine == MachineKind::Spectrum ? TapeLayout::SpectrumTap
                                                     : TapeLayout::AceTap);
    image.IndexAll();
    RenderedTape tape;
    tape.blocks = SentBlocks(image);
    PulseStream stream(image, {});
    Floats sink;
    RenderOptions options;
    options.rate = rate;
    (void)RenderTapeAudio(stream, options, sink);
    tape.samples = std::move(sink.samples);
    return tape;
}

// How many of the blocks wanted are among those got, byte for byte.
inline std::size_t ExactBlocks(const std::vector<BlockBytes>& want,
                               const std::vector<BlockBytes>& got) {
    return std::size_t(std::count_if(want.begin(), want.end(), [&](const BlockBytes& b) {
        return std::find(got.begin(), got.end(), b) != got.end();
    }));
}

// A Spectrum TAP file of code blocks, each a header and its data of the
// size given, random at the seed, so that a misread byte is a wrong one.
inline void WriteCodeTape(const std::filesystem::path& path, const std::vector<unsigned>& sizes,
                          std::uint32_t seed = 1) {
    std::mt19937 random(seed);
    TapeBuilder tape;
    for (const unsigned size : sizes) {
        Bytes data(size);
        for (auto& byte : data) {
            byte = std::uint8_t(random());
        }
        tape.Block(0x00, SpectrumHeader(3, "code" + std::to_string(size), size, 32768, 32768))
            .Block(0xFF, data);
    }
    tape.WriteTo(path);
}

// Sound as a 16-bit mono WAV file.
inline void WriteWav(const std::filesystem::path& path, const std::vector<float>& samples,
                     std::uint32_t rate) {
    AudioFileWriter wav(path, AudioFileType::Wav, rate);
    std::vector<std::int16_t> pcm;
    pcm.reserve(samples.size());
    for (const float x : samples) {
        pcm.push_back(std::int16_t(std::lround(std::clamp(x, -1.0f, 1.0f) * 32767)));
    }
    wav.Write(pcm);
    wav.Finish();
}

// Where each block's bits lie in clean sound, in samples: the first edge
// after its syncs and its last edge.
inline std::vector<std::pair<std::size_t, std::size_t>>
BitSpans(const std::vector<float>& samples, std::uint32_t rate, MachineKind machine) {
    const DecodedRecording read = DecodeSamples(samples, 1, rate, machine);
    std::vector<std::pair<std::size_t, std::size_t>> spans;
    for (const DecodedBlock& b : read.tape.blocks) {
        spans.emplace_back(std::size_t(read.edges[b.firstEdge + b.pilotPulses + 2]),
                           std::size_t(read.edges[b.endEdge - 1]));
    }
    return spans;
}

// The blocks of a TZX file audio2tape wrote.
inline std::vector<BlockBytes> Audio2tapeOutput(const std::filesystem::path& tzx) {
    TapeImage read(tzx, MachineKind::Spectrum, TapeLayout::SpectrumTap);
    return SentBlocks(read);
}

// The blocks audio2tape (the program tool) reads from the sound, written
// as a 16-bit WAV in dir; none when it fails.
inline std::vector<BlockBytes> Audio2tapeBlocks(const std::string& tool,
                                                const std::vector<float>& samples,
                                                std::uint32_t rate,
                                                const std::filesystem::path& dir) {
    WriteWav(dir / "in.wav", samples, rate);
    std::filesystem::remove(dir / "out.tzx");
    const std::string command = tool + " '" + (dir / "in.wav").string() + "' '" +
                                (dir / "out.tzx").string() + "' > /dev/null 2>&1";
    if (std::system(command.c_str()) != 0 || !std::filesystem::exists(dir / "out.tzx")) {
        return {};
    }
    return Audio2tapeOutput(dir / "out.tzx");
}

} // namespace bitreel::test
