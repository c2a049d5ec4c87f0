#pragma once

// Picks the reader for a tape image by its name: TZX and PZX images are read
// whole into entries, every other file block by block as before.

#include "tape/EntryBuilder.h"
#include "tape/TapeEntry.h"
#include "tape/TapeLayout.h"

#include <cstdint>
#include <filesystem>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace bitreel {

enum class ImageFormat { Tzx, Pzx };

// TZX for a name ending in ".TZX", PZX for ".PZX" (any case), with the
// Spectrum chosen; no value for every other file, which is read in the tape
// layout in force as before.
[[nodiscard]] std::optional<ImageFormat> ImageFormatOf(const std::filesystem::path& path,
                                                       MachineKind machine);

// The entries of an image held in memory.
[[nodiscard]] TapeEntries ReadEntries(std::span<const std::uint8_t> bytes, ImageFormat format,
                                      FrameUse frames = FrameUse::Keep);

// The entries of a TZX or PZX file, read into memory once; no value when the
// name does not pick one of those readers. Throws std::system_error when the
// file cannot be opened or read, or (EFBIG) when it exceeds
// ContentsIndex::MaxFileSize.
[[nodiscard]] std::optional<TapeEntries> LoadTapeEntries(const std::filesystem::path& path,
                                                         MachineKind machine,
                                                         FrameUse frames = FrameUse::Keep);

// The contents list of any image: the entries' rows for TZX and PZX (their
// frames are not kept), else LoadContents in the given layout. Sets ExpectHeader as LoadContents
// does.
[[nodiscard]] std::vector<std::string> LoadImageContents(const std::filesystem::path& path,
                                                         MachineKind machine, TapeLayout layout,
                                                         bool& ExpectHeader);

} // namespace bitreel
