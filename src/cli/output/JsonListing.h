#pragma once

#include "tape/ImageBlock.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>
#include <string_view>

namespace bitreel::cli {

// Text built a character at a time into storage of its own: a listing of
// millions of blocks appends billions of short pieces, each cheaper as a
// store than as a call.
class JsonText {
public:
    JsonText() : bytes_(std::make_unique<char[]>(Capacity)) {}
    void Put(char c) {
        if (size_ == capacity_) {
            Grow();
        }
        bytes_[size_++] = c;
    }
    void Put(std::string_view text) {
        Reserve(text.size());
        std::copy(text.begin(), text.end(), bytes_.get() + size_);
        size_ += text.size();
    }
    // A literal: its size known here, the copy is a few stores.
    template <std::size_t N> void Put(const char (&text)[N]) {
        Reserve(N - 1);
        std::memcpy(bytes_.get() + size_, text, N - 1);
        size_ += N - 1;
    }
    [[nodiscard]] std::size_t Size() const noexcept { return size_; }
    [[nodiscard]] std::string_view View() const noexcept { return {bytes_.get(), size_}; }
    void Clear() noexcept { size_ = 0; }

private:
    static constexpr std::size_t Capacity = 2 * 1024 * 1024;
    void Reserve(std::size_t more) {
        while (capacity_ - size_ < more) {
            Grow();
        }
    }
    void Grow() {
        auto bigger = std::make_unique<char[]>(capacity_ * 2);
        std::copy(bytes_.get(), bytes_.get() + size_, bigger.get());
        bytes_ = std::move(bigger);
        capacity_ *= 2;
    }

    std::unique_ptr<char[]> bytes_;
    std::size_t size_ = 0;
    std::size_t capacity_ = Capacity;
};

// Writes `list --json` as it goes: an array with one object per file (file,
// layout, blocks), each block an object (number, row, kind, flag, length,
// checksum, header) on a line of its own, with no spaces, so that a line-by-line tool can
// read it too. Nothing but the text not yet written is held, whatever the
// size of the listing.
class JsonListing {
public:
    explicit JsonListing(std::FILE* out);
    JsonListing(const JsonListing&) = delete;
    JsonListing& operator=(const JsonListing&) = delete;
    ~JsonListing();

    // A file's object begins; its name as given, the layout it was read in.
    void BeginFile(std::string_view file, std::string_view layout);
    // The block of the row at index; its number counts from 1.
    void AddBlock(int index, const ImageBlock& block);
    void EndFile();
    // Closes the array; the document is complete.
    void Finish();

private:
    void Flush();

    std::FILE* out_;
    JsonText text_;
    bool anyFile_ = false;
    bool anyBlock_ = false;
    bool finished_ = false;
};

// "good", "replaced", "damaged".
[[nodiscard]] std::string_view VerdictName(ChecksumVerdict verdict) noexcept;

} // namespace bitreel::cli
