// Converts tape images between layouts and formats, keeping every stored byte.
#include "tape/Conversion.h"

#include "tape/HeaderFields.h"
#include "tape/RowText.h"
#include "tape/formats/BlockReader.h"
#include "tape/formats/ByteCursor.h"

#include <array>

namespace bitreel {
namespace {

void PutLength(std::vector<std::uint8_t>& out, std::uint16_t length) {
    std::array<std::uint8_t, 2> field{};
    PutLe16(field, length);
    out.insert(out.end(), field.begin(), field.end());
}

// Walks the blocks of an image; convert gets each block's length and body,
// and appends the block to the result. jupFrame is where the JUP form of
// the block stands, the input's or the output's, to judge its checksum by.
enum class JupSide { In, Out };

template <typename Convert>
AceConversion ConvertBlocks(std::span<const std::uint8_t> in, JupSide jupFrame, Convert convert) {
    AceConversion result;
    result.bytes.reserve(in.size() + in.size() / 8);
    ByteCursor cursor(in);
    while (cursor.Left() >= 2) {
        const std::size_t inAt = in.size() - cursor.Left();
        const std::size_t outAt = result.bytes.size();
        const std::uint16_t length = *cursor.U16();
        const auto body = cursor.Bytes(length);
        if (!body || !convert(length, *body, result)) {
            result.corruptBlock = result.blocks;
            return result;
        }
        const std::span<const std::uint8_t> frame =
            jupFrame == JupSide::In ? in.subspan(inAt, 2 + std::size_t{length})
                                    : std::span<const std::uint8_t>(result.bytes).subspan(outAt);
        if (FrameChecksumVerdict(frame) == ChecksumVerdict::Damaged) {
            result.damaged.push_back(result.blocks);
        }
        ++result.blocks;
    }
    result.strayByte = cursor.Left() == 1;
    return result;
}

} // namespace

AceConversion AceTapToJup(std::span<const std::uint8_t> tap) {
    return ConvertBlocks(
        tap, JupSide::Out,
        [](std::uint16_t length, std::span<const std::uint8_t> body, AceConversion& result) {
            if (length == 0xFFFF) {
                return false; // with the flag it would not fit the length field
            }
            PutLength(result.bytes, static_cast<std::uint16_t>(length + 1));
            result.bytes.push_back(result.blocks % 2 == 0 ? HeaderFlag : DataFlag);
            result.bytes.insert(result.bytes.end(), body.begin(), body.end());
            return true;
        });
}

AceConversion JupToAceTap(std::span<const std::uint8_t> jup) {
    return ConvertBlocks(
        jup, JupSide::In,
        [](std::uint16_t length, std::span<const std::uint8_t> body, AceConversion& result) {
            if (length == 0) {
                PutLength(result.bytes, 0);
                return true;
            }
            PutLength(result.bytes, static_cast<std::uint16_t>(length - 1));
            result.bytes.insert(result.bytes.end(), body.begin() + 1, body.end());
            return true;
        });
}

std::vector<std::uint8_t> BlockInLayout(std::span<const std::uint8_t> frame, TapeLayout layout) {
    std::vector<std::uint8_t> bytes(frame.begin(), frame.end());
    const std::uint16_t length = Le16At(frame, 0).value_or(0);
    if (layout == TapeLayout::AceTap && length > 0 && bytes.size() > 2) {
        bytes.erase(bytes.begin() + 2);
        PutLe16(std::span(bytes).first<2>(), static_cast<std::uint16_t>(length - 1));
    }
    return bytes;
}

ImageConversion ConvertImage(const TapeImage& image, TapeLayout layout) {
    ImageConversion result;
    // A text row that names the block right after it damaged, and its note.
    std::size_t markRow = 0;
    std::optional<std::string> note;
    for (std::size_t row = 0; row < image.RowCount(); ++row) {
        const ImageBlock block = image.Block(row);
        if (block.Sent()) {
            const auto bytes = BlockInLayout(block.stored, layout);
            result.bytes.insert(result.bytes.end(), bytes.begin(), bytes.end());
            if (note || block.verdict == ChecksumVerdict::Damaged) {
                result.damaged.push_back({row, note.value_or(std::string())});
            }
            note.reset();
            continue;
        }
        const auto damage = DamageNoteOf(block.row);
        if (note) {
            result.leftOut.push_back(markRow);
            // The note names the block right after it, whatever its form: one
            // that is no frame (a partial last byte, over 65535 bytes) is
            // still a damaged block, left out here but kept by a TZX.
            if (!damage) {
                result.damaged.push_back({row, *note, false});
            }
            note.reset();
        }
        if (damage) {
            markRow = row;
            note = std::string(*damage);
            continue;
        }
        result.leftOut.push_back(row);
        result.corrupt = result.corrupt || block.kind == BlockKind::Corrupt;
    }
    if (note) {
        result.leftOut.push_back(markRow);
    }
    return result;
}

} // namespace bitreel
