#pragma once

#include <cctype>
#include <string>
#include <string_view>

namespace bitreel::test {

// A parameterised test's name from any text ("ace/D.TAP" gives "ace_D_TAP").
inline std::string TestName(std::string_view text) {
    std::string name(text);
    for (char& ch : name) {
        if (!std::isalnum(static_cast<unsigned char>(ch))) {
            ch = '_';
        }
    }
    return name;
}

// The name generator for tables whose rows have a `name` or `file` field.
struct ByName {
    template <typename Info> std::string operator()(const Info& info) const {
        if constexpr (requires { info.param.name; }) {
            return TestName(info.param.name);
        } else {
            return TestName(info.param.file);
        }
    }
};

} // namespace bitreel::test
