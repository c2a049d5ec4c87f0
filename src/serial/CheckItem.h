#pragma once

#include <string>
#include <string_view>

namespace bitreel {

// What one item of a line check found. Cannot tell is no failure: the port
// gives no way to see (a pseudo-terminal has no modem lines).
enum class Verdict { Pass, Fail, CannotTell };

struct CheckItem {
    std::string name;  // "data", "rts-cts", "dtr-dsr-dcd", "handshake", "cts"
    std::string title; // how a person reads the name: "RTS to CTS"
    Verdict verdict = Verdict::CannotTell;
    std::string seen;    // what was seen, in one line
    std::string meaning; // a failure: what it means for Play and Record, and what to try
};

// "pass", "fail", "cannot tell".
[[nodiscard]] constexpr std::string_view VerdictText(Verdict verdict) noexcept {
    switch (verdict) {
    case Verdict::Pass:
        return "pass";
    case Verdict::Fail:
        return "fail";
    case Verdict::CannotTell:
        break;
    }
    return "cannot tell";
}

} // namespace bitreel
