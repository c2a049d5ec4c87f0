// Recordings read back: every Spectrum tape of the corpus rendered, white
// noise added at a fixed seed from 30 dB down to 0 dB, and the blocks
// recovered byte for byte counted, by Bitreel and by audio2tape when given;
// the decoder's speed as a multiple of real time.
//   decode_bench [AUDIO2TAPE]
#include "signal/AudioFile.h"
#include "signal/RecordingReader.h"
#include "signal/TapeAudioFile.h"
#include "tape/PulseStream.h"
#include "tape/TapeImage.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <random>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;
using namespace bitreel;
using Block = std::vector<std::uint8_t>;
constexpr std::uint32_t Rate = 44'100;

struct Pcm final : SampleSink {
    void Write(std::span<const std::int16_t> piece) override {
        samples.insert(samples.end(), piece.begin(), piece.end());
    }
    std::vector<std::int16_t> samples;
};

std::vector<Block> SentBlocks(TapeImage& image) {
    std::vector<Block> blocks;
    image.ForEachBlock([&](std::size_t, const ImageBlock& b) {
        if (b.Sent() && b.stored.size() > 2) {
            blocks.emplace_back(b.stored.begin() + 2, b.stored.end());
        }
    });
    return blocks;
}

std::size_t Exact(const std::vector<Block>& want, const std::vector<Block>& got) {
    return std::size_t(std::count_if(want.begin(), want.end(), [&](const Block& b) {
        return std::find(got.begin(), got.end(), b) != got.end();
    }));
}

std::vector<float> Noisy(const std::vector<std::int16_t>& pcm, double snrDb) {
    double power = 0;
    for (const auto x : pcm) {
        power += double(x) * x;
    }
    const double sigma = std::sqrt(power / double(pcm.size()) / std::pow(10, snrDb / 10));
    std::mt19937 random(23);
    std::normal_distribution<double> noise(0, sigma);
    std::vector<float> out;
    out.reserve(pcm.size());
    for (const auto x : pcm) {
        out.push_back(float(std::clamp((x + noise(random)) / 32768.0, -1.0, 1.0)));
    }
    return out;
}

std::size_t Audio2tape(const std::string& tool, const std::vector<float>& samples,
                       const std::vector<Block>& want, double& seconds) {
    const fs::path dir = fs::temp_directory_path() / "bitreel_decode_bench";
    fs::create_directories(dir);
    {
        AudioFileWriter wav(dir / "in.wav", AudioFileType::Wav, Rate);
        std::vector<std::int16_t> pcm;
        for (const float x : samples) {
            pcm.push_back(std::int16_t(std::lround(x * 32767)));
        }
        wav.Write(pcm);
        wav.Finish();
    }
    fs::remove(dir / "out.tzx");
    const auto start = std::chrono::steady_clock::now();
    const std::string command = tool + " '" + (dir / "in.wav").string() + "' '" +
                                (dir / "out.tzx").string() + "' > /dev/null 2>&1";
    const bool ran = std::system(command.c_str()) == 0;
    seconds += std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    if (!ran || !fs::exists(dir / "out.tzx")) {
        return 0;
    }
    TapeImage read(dir / "out.tzx", MachineKind::Spectrum, TapeLayout::SpectrumTap);
    return Exact(want, SentBlocks(read));
}

} // namespace

int main(int argc, char* argv[]) {
    const std::string tool = argc > 1 ? argv[1] : "";
    struct Tape {
        std::vector<std::int16_t> pcm;
        std::vector<Block> blocks;
    };
    std::vector<Tape> tapes;
    for (const auto& entry : fs::directory_iterator(fs::path(BITREEL_CORPUS_DIR) / "spectrum")) {
        if (entry.path().extension() != ".tap") {
            continue;
        }
        TapeImage image(entry.path(), MachineKind::Spectrum, TapeLayout::SpectrumTap);
        image.IndexAll();
        Tape tape;
        tape.blocks = SentBlocks(image);
        PulseStream stream(image, {});
        Pcm sink;
        RenderOptions options;
        options.rate = Rate;
        (void)RenderTapeAudio(stream, options, sink);
        tape.pcm = std::move(sink.samples);
        tapes.push_back(std::move(tape));
    }
    std::printf("SNR dB | blocks | Bitreel | audio2tape\n");
    double ourSeconds = 0;
    double theirSeconds = 0;
    double soundSeconds = 0;
    for (const double snr : {99.0, 30.0, 20.0, 15.0, 12.0, 10.0, 8.0, 6.0, 4.0, 2.0, 0.0}) {
        std::size_t total = 0, ours = 0, theirs = 0;
        for (const Tape& tape : tapes) {
            const auto samples = Noisy(tape.pcm, snr);
            const auto start = std::chrono::steady_clock::now();
            const auto read = DecodeSamples(samples, 1, Rate, MachineKind::Spectrum);
            ourSeconds +=
                std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
            soundSeconds += double(samples.size()) / Rate;
            std::vector<Block> got;
            for (const auto& b : read.tape.blocks) {
                got.push_back(b.bytes);
            }
            total += tape.blocks.size();
            ours += Exact(tape.blocks, got);
            if (!tool.empty()) {
                theirs += Audio2tape(tool, samples, tape.blocks, theirSeconds);
            }
        }
        std::printf("%6s | %6zu | %7zu | %s\n",
                    snr > 90 ? "clean" : std::to_string(int(snr)).c_str(), total, ours,
                    tool.empty() ? "-" : std::to_string(theirs).c_str());
    }
    std::printf("Bitreel decodes at %.0f times real time", soundSeconds / ourSeconds);
    if (!tool.empty()) {
        std::printf(", audio2tape (with WAV reading) at %.0f", soundSeconds / theirSeconds);
    }
    std::printf("\n");
    return 0;
}
