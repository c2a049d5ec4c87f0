// Sound files into edges, a piece at a time, and the better channel's
// blocks.
#include "signal/decode/RecordingReader.h"

#include "pulses/CswPulses.h"
#include "signal/decode/EdgeFinder.h"
#include "tape/TapeFile.h"
#include "tape/TapeImage.h"
#include "tape/formats/RecordingHook.h"

#include <sndfile.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <memory>
#include <stdexcept>
#include <string>
#include <string_view>
#include <system_error>

namespace bitreel {
namespace {

constexpr std::size_t Frames = 64 * 1024;

std::size_t GoodBlocks(const DecodedTape& tape) {
    return std::size_t(std::count_if(tape.blocks.begin(), tape.blocks.end(),
                                     [](const DecodedBlock& b) { return b.checksumGood; }));
}

// Of the channels' decodings, the one with the most good blocks, then the
// most blocks.
DecodedRecording Best(std::vector<EdgeFinder>& finders, std::uint32_t rate, MachineKind machine) {
    DecodedRecording best;
    best.rate = rate;
    best.channels = unsigned(finders.size());
    bool first = true;
    for (unsigned c = 0; c < finders.size(); ++c) {
        auto edges = finders[c].TakeEdges();
        DecodedTape tape = DecodeEdges(edges, rate, RomFor(machine));
        const auto score = std::pair(GoodBlocks(tape), tape.blocks.size());
        if (first || score > std::pair(GoodBlocks(best.tape), best.tape.blocks.size())) {
            best.channel = c;
            best.edges = std::move(edges);
            best.tape = std::move(tape);
            first = false;
        }
    }
    return best;
}

std::system_error NotSound(const std::filesystem::path& path, RecordingError why) {
    return std::system_error(MakeError(why), path.string());
}

std::uint32_t Le(std::span<const std::uint8_t> bytes, std::size_t at, int size) {
    std::uint32_t value = 0;
    for (int i = size - 1; i >= 0; --i) {
        value = (value << 8) | bytes[at + std::size_t(i)];
    }
    return value;
}

} // namespace

const RomEncoding& RomFor(MachineKind machine) noexcept {
    return machine == MachineKind::JupiterAce ? AceRom : SpectrumRom;
}

std::vector<double> CswEdges(std::span<const std::uint8_t> bytes, std::uint32_t& rate,
                             std::size_t mostPulses) {
    constexpr std::string_view Signature = "Compressed Square Wave\x1A";
    if (bytes.size() < 0x20 || !std::equal(Signature.begin(), Signature.end(), bytes.begin())) {
        throw std::runtime_error("not a CSW file");
    }
    const std::uint8_t major = bytes[0x17];
    std::size_t dataAt = 0;
    std::uint8_t compression = 0;
    if (major == 1) {
        rate = Le(bytes, 0x19, 2);
        compression = bytes[0x1B];
        dataAt = 0x20;
    } else if (major == 2 && bytes.size() >= 0x34) {
        rate = Le(bytes, 0x19, 4);
        compression = bytes[0x21];
        dataAt = 0x34 + bytes[0x23];
    } else {
        throw std::runtime_error("a CSW version not known");
    }
    if (rate == 0 || dataAt > bytes.size() || (compression != 1 && compression != 2)) {
        throw std::runtime_error("a CSW header out of range");
    }
    // Pulses as far as they read: a file cut short, or damaged inside its
    // compressed stream, keeps the blocks before the damage.
    CswPulseReader pulses(bytes.subspan(dataAt), CswCompression(compression));
    std::vector<double> edges{0.0};
    double at = 0;
    while (const auto length = pulses.Next()) {
        if (edges.size() > mostPulses) {
            throw std::length_error("more pulses than a tape holds");
        }
        at += *length;
        edges.push_back(at);
    }
    return edges;
}

DecodedRecording DecodeSamples(std::span<const float> samples, unsigned channels,
                               std::uint32_t rate, MachineKind machine) {
    std::vector<EdgeFinder> finders(std::max(channels, 1u), EdgeFinder(rate));
    if (channels <= 1) {
        finders[0].Feed(samples);
    } else {
        std::vector<float> one(samples.size() / channels);
        for (unsigned c = 0; c < channels; ++c) {
            for (std::size_t i = 0; i < one.size(); ++i) {
                one[i] = samples[i * channels + c];
            }
            finders[c].Feed(one);
        }
    }
    return Best(finders, rate, machine);
}

namespace {

// The sound libsndfile opened, read a piece at a time into edges.
DecodedRecording DecodeSound(SNDFILE* sound, const SF_INFO& info, MachineKind machine,
                             const std::filesystem::path& path) {
    if (info.samplerate < int(MinRecordingRate)) {
        throw NotSound(path, RecordingError::RateTooLow);
    }
    if (info.channels < 1 || info.channels > 2) {
        throw NotSound(path, RecordingError::Channels);
    }
    const auto channels = unsigned(info.channels);
    std::vector<EdgeFinder> finders(channels, EdgeFinder(std::uint32_t(info.samplerate)));
    std::vector<float> frames(Frames * channels);
    std::vector<float> one(Frames);
    for (;;) {
        const sf_count_t got = sf_readf_float(sound, frames.data(), sf_count_t(Frames));
        if (got <= 0) {
            break;
        }
        for (unsigned c = 0; c < channels; ++c) {
            for (sf_count_t i = 0; i < got; ++i) {
                one[std::size_t(i)] = frames[std::size_t(i) * channels + c];
            }
            finders[c].Feed(std::span(one).first(std::size_t(got)));
        }
    }
    return Best(finders, std::uint32_t(info.samplerate), machine);
}

using SoundFile = std::unique_ptr<SNDFILE, int (*)(SNDFILE*)>;

// Bytes in memory as libsndfile's virtual file.
struct MemoryFile {
    std::span<const std::uint8_t> bytes;
    sf_count_t at = 0;

    static MemoryFile& Of(void* data) { return *static_cast<MemoryFile*>(data); }
    static sf_count_t Length(void* data) { return sf_count_t(Of(data).bytes.size()); }
    static sf_count_t Seek(sf_count_t offset, int whence, void* data) {
        MemoryFile& file = Of(data);
        const sf_count_t base = whence == SEEK_CUR   ? file.at
                                : whence == SEEK_END ? Length(data)
                                                     : 0;
        file.at = std::clamp<sf_count_t>(base + offset, 0, Length(data));
        return file.at;
    }
    static sf_count_t Read(void* out, sf_count_t count, void* data) {
        MemoryFile& file = Of(data);
        const sf_count_t n = std::clamp<sf_count_t>(count, 0, Length(data) - file.at);
        std::copy_n(file.bytes.begin() + std::ptrdiff_t(file.at), std::size_t(n),
                    static_cast<std::uint8_t*>(out));
        file.at += n;
        return n;
    }
    static sf_count_t Write(const void*, sf_count_t, void*) { return 0; }
    static sf_count_t Tell(void* data) { return Of(data).at; }
};

DecodedRecording DecodeCsw(std::span<const std::uint8_t> bytes, MachineKind machine,
                           const std::filesystem::path& path) {
    DecodedRecording recording;
    try {
        recording.edges = CswEdges(bytes, recording.rate);
    } catch (const std::length_error&) {
        throw NotSound(path, RecordingError::TooManyPulses);
    } catch (const std::runtime_error&) {
        throw NotSound(path, RecordingError::NotCsw);
    }
    recording.channels = 1;
    recording.tape = DecodeEdges(recording.edges, recording.rate, RomFor(machine));
    return recording;
}

} // namespace

DecodedRecording DecodeRecordingBytes(std::span<const std::uint8_t> bytes, bool csw,
                                      MachineKind machine) {
    if (csw) {
        return DecodeCsw(bytes, machine, "CSW bytes");
    }
    SF_VIRTUAL_IO io{MemoryFile::Length, MemoryFile::Seek, MemoryFile::Read, MemoryFile::Write,
                     MemoryFile::Tell};
    MemoryFile file{bytes};
    SF_INFO info{};
    const SoundFile sound(sf_open_virtual(&io, SFM_READ, &info, &file), sf_close);
    if (!sound) {
        throw NotSound("sound bytes", RecordingError::NotSound);
    }
    return DecodeSound(sound.get(), info, machine, "sound bytes");
}

DecodedRecording DecodeRecordingFile(const std::filesystem::path& path, MachineKind machine) {
    std::string extension = path.extension().string();
    std::transform(extension.begin(), extension.end(), extension.begin(),
                   [](unsigned char c) { return char(std::tolower(c)); });
    if (extension == ".csw") {
        return DecodeCsw(ReadWholeFile(path, TapeImage::MaxFileSize), machine, path);
    }
    SF_INFO info{};
    const SoundFile sound(sf_open(path.c_str(), SFM_READ, &info), sf_close);
    if (!sound) {
        std::error_code ec;
        if (!std::filesystem::is_regular_file(path, ec)) {
            throw std::system_error(ENOENT, std::generic_category(), path.string());
        }
        throw NotSound(path, RecordingError::NotSound);
    }
    return DecodeSound(sound.get(), info, machine, path);
}

} // namespace bitreel
