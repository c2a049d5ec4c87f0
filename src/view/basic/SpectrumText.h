#pragma once

// Spectrum character codes turned into readable UTF-8 text, with the spacing
// the machine's own listing puts around keywords.

#include <cstdint>
#include <span>
#include <string>
#include <string_view>

namespace bitreel::view {

// Builds one piece of text (a program line's body, a string's contents).
//
// Keyword spacing follows the ROM: a command keyword (OR and after, and
// SPECTRUM/PLAY) gets a leading space unless it begins with a non-letter
// (<=, >=, <>) or the last character shown was a space; functions (RND to
// BIN) get none. A keyword ending in a letter or "$" gets a trailing space,
// except RND, INKEY$ and PI. The text starts as if a space had just been
// shown, so a line's first keyword gets no leading space; a keyword's
// trailing space at the very end of the text is left out.
//
// Codes without a character of their own show in braces: colour and
// position controls with their operands ("{INK 2}", "{PAPER 7}",
// "{FLASH 1}", "{BRIGHT 1}", "{INVERSE 0}", "{OVER 1}", "{AT 3,4}",
// "{TAB 12}"), a control code cut short by the end of the bytes
// ("{INK ?}"), user-defined graphics ("{UDG A}") and any other control
// code as two hex digits ("{06}"). Block graphics show as the Unicode
// quadrant characters, and 0x5E, 0x60, 0x7F as the arrow, pound and
// copyright signs.
class SpectrumText {
public:
    // Appends the code at bytes[pos], with the operands a control code
    // takes after it, and returns the position after them. pos must lie
    // inside bytes.
    std::size_t Put(std::span<const std::uint8_t> bytes, std::size_t pos);

    // Appends one code that takes no operands (a character, graphic, UDG or
    // keyword).
    void Character(std::uint8_t code);

    // Appends text that is no character of the machine, such as a hidden
    // number in braces; the keyword spacing does not see it.
    void Note(std::string_view text);

    // The text so far; the object is empty afterwards.
    [[nodiscard]] std::string Take() noexcept;

private:
    void Shown(char ch);
    void Symbol(std::string_view utf8);
    void Keyword(std::uint8_t code);
    void FlushSpace();

    std::string text_;
    bool lastWasSpace_ = true;
    bool pendingSpace_ = false; // a keyword's trailing space, written before what follows
};

} // namespace bitreel::view
