#pragma once

#include "tape/ImageBlock.h"

#include <cstdio>
#include <string>
#include <string_view>

namespace bitreel::cli {

// Writes `list --json` as it goes: an array with one object per file (file,
// layout, blocks), each block an object (number, row, kind, flag, length,
// checksum, header), laid out as an indented JSON document with its keys in
// order. Nothing but the text not yet written is held, whatever the size of
// the listing.
class JsonListing {
public:
    explicit JsonListing(std::FILE* out) : out_(out) {}
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
    std::string text_;
    std::string file_;
    std::string layout_;
    bool anyFile_ = false;
    bool anyBlock_ = false;
    bool finished_ = false;
};

// "good", "replaced", "damaged".
[[nodiscard]] std::string_view VerdictName(ChecksumVerdict verdict) noexcept;

} // namespace bitreel::cli
