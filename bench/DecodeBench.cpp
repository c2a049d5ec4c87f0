// Recordings read back: every Spectrum tape of the corpus rendered, white
// noise added at a fixed seed from 30 dB down to 0 dB, and the blocks
// recovered byte for byte counted, by Bitreel and by audio2tape when given;
// then three takes of each tape, each with dropouts in other places, merged
// by rescue; and the decoder's speed as a multiple of real time.
//   decode_bench [AUDIO2TAPE]
#include "signal/RecordingReader.h"
#include "signal/RescueTakes.h"
#include "support/Degradations.h"
#include "support/RenderedTape.h"

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <random>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;
using namespace bitreel;
using namespace bitreel::test;
constexpr std::uint32_t Rate = 44'100;

std::vector<BlockBytes> BlocksRead(const DecodedTape& tape) {
    std::vector<BlockBytes> got;
    for (const auto& b : tape.blocks) {
        got.push_back(b.bytes);
    }
    return got;
}

void NoiseTable(const std::vector<RenderedTape>& tapes, const std::string& tool) {
    const fs::path dir = fs::temp_directory_path() / "bitreel_decode_bench";
    fs::create_directories(dir);
    std::printf("SNR dB | blocks | Bitreel | audio2tape\n");
    double ourSeconds = 0;
    double theirSeconds = 0;
    double soundSeconds = 0;
    for (const double snr : {99.0, 30.0, 20.0, 15.0, 12.0, 10.0, 8.0, 6.0, 4.0, 2.0, 0.0}) {
        std::size_t total = 0, ours = 0, theirs = 0;
        for (const RenderedTape& tape : tapes) {
            auto samples = tape.samples;
            AddNoise(samples, snr);
            Clip(samples, 1.0f);
            const auto start = std::chrono::steady_clock::now();
            const auto read = DecodeSamples(samples, 1, Rate, MachineKind::Spectrum);
            ourSeconds +=
                std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
            soundSeconds += double(samples.size()) / Rate;
            total += tape.blocks.size();
            ours += ExactBlocks(tape.blocks, BlocksRead(read.tape));
            if (!tool.empty()) {
                const auto started = std::chrono::steady_clock::now();
                theirs += ExactBlocks(tape.blocks, Audio2tapeBlocks(tool, samples, Rate, dir));
                theirSeconds +=
                    std::chrono::duration<double>(std::chrono::steady_clock::now() - started)
                        .count();
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
}

// Three takes of each tape, each with a dropout of 1 to 20 ms every few
// seconds at places of its own: the blocks each take reads alone, and the
// blocks rescue makes of the three.
void ThreeTakes(const std::vector<RenderedTape>& tapes) {
    constexpr int Takes = 3;
    std::size_t total = 0, merged = 0;
    std::size_t alone[Takes] = {};
    std::size_t dropouts = 0;
    for (const RenderedTape& tape : tapes) {
        std::vector<DecodedRecording> takes;
        for (int t = 0; t < Takes; ++t) {
            auto samples = tape.samples;
            std::mt19937 random(100 + unsigned(t));
            std::uniform_real_distribution<double> gap(2.0, 6.0);
            std::uniform_real_distribution<double> length(1.0, 20.0);
            for (double at = gap(random); at * Rate < double(samples.size()); at += gap(random)) {
                AddDropout(samples, std::size_t(at * Rate), length(random), Rate);
                ++dropouts;
            }
            AddNoise(samples, 30, 7 + unsigned(t));
            takes.push_back(DecodeSamples(samples, 1, Rate, MachineKind::Spectrum));
            alone[t] += ExactBlocks(tape.blocks, BlocksRead(takes.back().tape));
        }
        std::vector<BlockBytes> got;
        for (const auto& b : RescueTakes(takes)) {
            got.push_back(b.block.bytes);
        }
        total += tape.blocks.size();
        merged += ExactBlocks(tape.blocks, got);
    }
    std::printf("Three takes, %zu dropouts of 1-20 ms among them: alone %zu, %zu, %zu of %zu "
                "blocks; merged %zu of %zu\n",
                dropouts, alone[0], alone[1], alone[2], total, merged, total);
}

} // namespace

int main(int argc, char* argv[]) {
    const std::string tool = argc > 1 ? argv[1] : "";
    std::vector<RenderedTape> tapes;
    for (const auto& entry : fs::directory_iterator(fs::path(BITREEL_CORPUS_DIR) / "spectrum")) {
        if (entry.path().extension() == ".tap") {
            tapes.push_back(RenderTape(entry.path(), MachineKind::Spectrum, Rate));
        }
    }
    NoiseTable(tapes, tool);
    ThreeTakes(tapes);
    return 0;
}
