#pragma once

// Writes TZX and PZX images block by block for tests, every block type of
// both formats, unknown IDs and tags, and files cut short.

#include "support/TapeBuilder.h"

#include <array>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <string_view>
#include <utility>
#include <vector>

namespace bitreel::test {

// Little-endian fields and the other pieces both builders write.
class ImageBytes {
public:
    void Byte(unsigned value) { bytes_.push_back(static_cast<std::uint8_t>(value & 0xFF)); }
    void Word(unsigned value) {
        Byte(value);
        Byte(value >> 8);
    }
    void Tri(std::uint32_t value) {
        Word(value & 0xFFFF);
        Byte(value >> 16);
    }
    void Dword(std::uint32_t value) {
        Word(value & 0xFFFF);
        Word(value >> 16);
    }
    void Raw(const Bytes& bytes) { bytes_.insert(bytes_.end(), bytes.begin(), bytes.end()); }
    void Text(std::string_view text) {
        for (const char c : text) {
            Byte(static_cast<unsigned char>(c));
        }
    }
    // Drops the last count bytes (a file cut short).
    void Cut(std::size_t count) { bytes_.resize(bytes_.size() - std::min(count, bytes_.size())); }

    [[nodiscard]] const Bytes& bytes() const { return bytes_; }
    [[nodiscard]] std::size_t size() const { return bytes_.size(); }

    void WriteTo(const std::filesystem::path& path) const {
        std::ofstream out(path, std::ios::binary | std::ios::trunc);
        out.write(reinterpret_cast<const char*>(bytes_.data()),
                  static_cast<std::streamsize>(bytes_.size()));
    }

private:
    Bytes bytes_;
};

// The bytes a TAP block holds after its length field: flag, payload and the
// checksum (by default the XOR of the payload).
inline Bytes DataBytes(std::uint8_t flag, const Bytes& payload) {
    Bytes b{flag};
    b.insert(b.end(), payload.begin(), payload.end());
    b.push_back(Xor(payload));
    return b;
}

class TzxBuilder {
public:
    explicit TzxBuilder(unsigned major = 1, unsigned minor = 20) {
        out_.Text("ZXTape!");
        out_.Byte(0x1A);
        out_.Byte(major);
        out_.Byte(minor);
    }
    // No signature at all: the bytes start with the first block.
    static TzxBuilder Headerless() {
        TzxBuilder b;
        b.out_ = ImageBytes();
        return b;
    }

    TzxBuilder& Standard(const Bytes& data, unsigned pause = 1000) {
        Id(0x10).Word(pause);
        out_.Word(static_cast<unsigned>(data.size()));
        out_.Raw(data);
        return *this;
    }
    // Pilot, sync 1, sync 2, zero, one and the pilot's pulses; by default the ROM's.
    using TurboTimings = std::array<unsigned, 6>;
    static constexpr TurboTimings RomTimings{2168, 667, 735, 855, 1710, 3223};
    TzxBuilder& Turbo(const Bytes& data, unsigned usedBits = 8, unsigned pause = 1000,
                      const TurboTimings& timings = RomTimings) {
        Id(0x11);
        for (unsigned timing : timings) {
            out_.Word(timing);
        }
        return DataTail(data, usedBits, pause);
    }
    TzxBuilder& PureData(const Bytes& data, unsigned usedBits = 8, unsigned pause = 1000) {
        Id(0x14).Word(855);
        out_.Word(1710);
        return DataTail(data, usedBits, pause);
    }
    TzxBuilder& PureTone(unsigned pulseLength, unsigned pulses) {
        Id(0x12).Word(pulseLength);
        out_.Word(pulses);
        return *this;
    }
    TzxBuilder& Pulses(const std::vector<unsigned>& lengths) {
        Id(0x13).Byte(static_cast<unsigned>(lengths.size()));
        for (unsigned length : lengths) {
            out_.Word(length);
        }
        return *this;
    }
    TzxBuilder& DirectRecording(unsigned tStatesPerSample, unsigned usedBits,
                                const Bytes& samples) {
        Id(0x15).Word(tStatesPerSample);
        out_.Word(0);
        out_.Byte(usedBits);
        out_.Tri(static_cast<std::uint32_t>(samples.size()));
        out_.Raw(samples);
        return *this;
    }
    TzxBuilder& Csw(std::uint32_t pulses, const Bytes& data) {
        Id(0x18).Dword(static_cast<std::uint32_t>(10 + data.size()));
        out_.Word(0);
        out_.Tri(44100);
        out_.Byte(1);
        out_.Dword(pulses);
        out_.Raw(data);
        return *this;
    }
    // Data symbols of one bit each (two symbols, the ROM's pulses), no pilot.
    TzxBuilder& Generalized(std::uint32_t dataSymbols) {
        ImageBytes body;
        body.Word(0);
        body.Dword(0);
        body.Byte(0);
        body.Byte(0);
        body.Dword(dataSymbols);
        body.Byte(2);
        body.Byte(2);
        for (unsigned pulse : {855u, 1710u}) {
            body.Byte(0);
            body.Word(pulse);
            body.Word(pulse);
        }
        body.Raw(Bytes((dataSymbols + 7) / 8, 0x5A));
        Id(0x19).Dword(static_cast<std::uint32_t>(body.size()));
        out_.Raw(body.bytes());
        return *this;
    }
    TzxBuilder& Pause(unsigned ms) {
        Id(0x20).Word(ms);
        return *this;
    }
    TzxBuilder& GroupStart(std::string_view name) {
        Id(0x21).Byte(static_cast<unsigned>(name.size()));
        out_.Text(name);
        return *this;
    }
    TzxBuilder& GroupEnd() {
        Id(0x22);
        return *this;
    }
    TzxBuilder& Jump(int blocks) {
        Id(0x23).Word(static_cast<unsigned>(blocks) & 0xFFFF);
        return *this;
    }
    TzxBuilder& LoopStart(unsigned times) {
        Id(0x24).Word(times);
        return *this;
    }
    TzxBuilder& LoopEnd() {
        Id(0x25);
        return *this;
    }
    TzxBuilder& Call(const std::vector<int>& offsets) {
        Id(0x26).Word(static_cast<unsigned>(offsets.size()));
        for (int offset : offsets) {
            out_.Word(static_cast<unsigned>(offset) & 0xFFFF);
        }
        return *this;
    }
    TzxBuilder& Return() {
        Id(0x27);
        return *this;
    }
    TzxBuilder& Select(const std::vector<std::string_view>& choices) {
        ImageBytes body;
        body.Byte(static_cast<unsigned>(choices.size()));
        for (std::string_view choice : choices) {
            body.Word(1);
            body.Byte(static_cast<unsigned>(choice.size()));
            body.Text(choice);
        }
        Id(0x28).Word(static_cast<unsigned>(body.size()));
        out_.Raw(body.bytes());
        return *this;
    }
    TzxBuilder& StopIf48K() {
        Id(0x2A).Dword(0);
        return *this;
    }
    TzxBuilder& SignalLevel(unsigned level) {
        Id(0x2B).Dword(1);
        out_.Byte(level);
        return *this;
    }
    TzxBuilder& Text(std::string_view text) {
        Id(0x30).Byte(static_cast<unsigned>(text.size()));
        out_.Text(text);
        return *this;
    }
    TzxBuilder& Message(std::string_view text) {
        Id(0x31).Byte(5);
        out_.Byte(static_cast<unsigned>(text.size()));
        out_.Text(text);
        return *this;
    }
    TzxBuilder& ArchiveInfo(const std::vector<std::pair<unsigned, std::string_view>>& texts) {
        ImageBytes body;
        body.Byte(static_cast<unsigned>(texts.size()));
        for (const auto& [kind, text] : texts) {
            body.Byte(kind);
            body.Byte(static_cast<unsigned>(text.size()));
            body.Text(text);
        }
        Id(0x32).Word(static_cast<unsigned>(body.size()));
        out_.Raw(body.bytes());
        return *this;
    }
    TzxBuilder& Hardware(unsigned types) {
        Id(0x33).Byte(types);
        for (unsigned i = 0; i < types; ++i) {
            out_.Byte(0);
            out_.Byte(i);
            out_.Byte(1);
        }
        return *this;
    }
    // A hardware block that names the Jupiter Ace, as the archive's files have it.
    TzxBuilder& AceHardware() {
        Id(0x33).Byte(1);
        out_.Byte(0);
        out_.Byte(0x1A);
        out_.Byte(0);
        return *this;
    }
    TzxBuilder& EmulationInfo() {
        Id(0x34).Raw(Bytes(8, 0));
        return *this;
    }
    TzxBuilder& CustomInfo(std::string_view id, const Bytes& data) {
        Id(0x35);
        for (std::size_t i = 0; i < 16; ++i) {
            out_.Byte(i < id.size() ? static_cast<unsigned char>(id[i]) : ' ');
        }
        out_.Dword(static_cast<std::uint32_t>(data.size()));
        out_.Raw(data);
        return *this;
    }
    TzxBuilder& Snapshot(const Bytes& data) {
        Id(0x40).Byte(0);
        out_.Tri(static_cast<std::uint32_t>(data.size()));
        out_.Raw(data);
        return *this;
    }
    TzxBuilder& Glue() {
        Id(0x5A).Text("XTape!");
        out_.Byte(0x1A);
        out_.Byte(1);
        out_.Byte(20);
        return *this;
    }
    // Any ID with a 4-byte length before its body: 0x16, 0x17, unknown IDs.
    TzxBuilder& LengthPrefixed(unsigned id, const Bytes& body) {
        Id(id).Dword(static_cast<std::uint32_t>(body.size()));
        out_.Raw(body);
        return *this;
    }
    TzxBuilder& Raw(const Bytes& bytes) {
        out_.Raw(bytes);
        return *this;
    }
    TzxBuilder& Cut(std::size_t count) {
        out_.Cut(count);
        return *this;
    }

    [[nodiscard]] const Bytes& bytes() const { return out_.bytes(); }
    [[nodiscard]] std::size_t size() const { return out_.size(); }
    // The ID of every block written, in order.
    [[nodiscard]] const std::vector<unsigned>& ids() const { return ids_; }
    void WriteTo(const std::filesystem::path& path) const { out_.WriteTo(path); }

private:
    ImageBytes& Id(unsigned id) {
        ids_.push_back(id);
        out_.Byte(id);
        return out_;
    }
    TzxBuilder& DataTail(const Bytes& data, unsigned usedBits, unsigned pause) {
        out_.Byte(usedBits);
        out_.Word(pause);
        out_.Tri(static_cast<std::uint32_t>(data.size()));
        out_.Raw(data);
        return *this;
    }

    ImageBytes out_;
    std::vector<unsigned> ids_;
};

class PzxBuilder {
public:
    // Starts with the header block; no title when title is empty.
    explicit PzxBuilder(unsigned major = 1, unsigned minor = 0, std::string_view title = {}) {
        ImageBytes body;
        body.Byte(major);
        body.Byte(minor);
        if (!title.empty()) {
            body.Text(title);
            body.Byte(0);
            body.Text("Author");
            body.Byte(0);
            body.Text("Someone");
        }
        Block("PZXT", body);
    }
    static PzxBuilder Headerless() {
        PzxBuilder b;
        b.out_ = ImageBytes();
        return b;
    }

    // Each pulse as a count and a duration, stored in the shortest form.
    PzxBuilder& Pulses(const std::vector<std::pair<unsigned, std::uint32_t>>& pulses) {
        ImageBytes body;
        for (const auto& [count, duration] : pulses) {
            if (count > 1) {
                body.Word(0x8000 | count);
            }
            if (duration >= 0x8000) {
                body.Word(0x8000 | (duration >> 16));
                body.Word(duration & 0xFFFF);
            } else {
                body.Word(duration);
            }
        }
        return Block("PULS", body);
    }
    // A data block of whole bytes (or bits of them) with the ROM's pulses,
    // or with the given ones.
    PzxBuilder& Data(const Bytes& data, std::uint32_t bits = 0xFFFFFFFF,
                     std::vector<unsigned> zero = {855, 855},
                     std::vector<unsigned> one = {1710, 1710}) {
        ImageBytes body;
        body.Dword(bits == 0xFFFFFFFF ? static_cast<std::uint32_t>(8 * data.size())
                                      : bits | 0x80000000u);
        body.Word(945);
        body.Byte(static_cast<unsigned>(zero.size()));
        body.Byte(static_cast<unsigned>(one.size()));
        for (unsigned p : zero) {
            body.Word(p);
        }
        for (unsigned p : one) {
            body.Word(p);
        }
        body.Raw(data);
        return Block("DATA", body);
    }
    PzxBuilder& Pause(std::uint32_t tStates) {
        ImageBytes body;
        body.Dword(tStates);
        return Block("PAUS", body);
    }
    PzxBuilder& Browse(std::string_view text) {
        ImageBytes body;
        body.Text(text);
        return Block("BRWS", body);
    }
    PzxBuilder& Stop(unsigned flags) {
        ImageBytes body;
        body.Word(flags);
        return Block("STOP", body);
    }
    PzxBuilder& Block(std::string_view tag, const ImageBytes& body) {
        out_.Text(tag);
        out_.Dword(static_cast<std::uint32_t>(body.size()));
        out_.Raw(body.bytes());
        return *this;
    }
    PzxBuilder& Cut(std::size_t count) {
        out_.Cut(count);
        return *this;
    }

    [[nodiscard]] const Bytes& bytes() const { return out_.bytes(); }
    [[nodiscard]] std::size_t size() const { return out_.size(); }
    void WriteTo(const std::filesystem::path& path) const { out_.WriteTo(path); }

private:
    ImageBytes out_;
};

// A Jupiter Ace TZX image of a JUP file's blocks, each in a standard speed
// data block: after the archive's text and hardware blocks, or with no
// hardware block, or with the first block in a turbo block.
enum class AceTzxShape { Archive, NoHardware, TurboFirst };

inline Bytes AceTzxOf(const Bytes& jup, AceTzxShape shape) {
    TzxBuilder tzx;
    if (shape != AceTzxShape::NoHardware) {
        tzx.Text("Jupiter ACE Archive").AceHardware();
    }
    bool first = true;
    for (const Bytes& body : TapBlocks(jup)) {
        if (first && shape == AceTzxShape::TurboFirst) {
            tzx.Turbo(body);
        } else {
            tzx.Standard(body);
        }
        first = false;
    }
    return tzx.bytes();
}

} // namespace bitreel::test
