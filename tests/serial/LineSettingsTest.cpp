#include "serial/LineSettings.h"
#include "serial/SerialPort.h"

#include <gtest/gtest.h>

namespace bitreel {
namespace {

struct GoodCase {
    const char* text;
    LineSettings settings;
    long long byteTimeNs;
};

void PrintTo(const GoodCase& c, std::ostream* out) {
    *out << c.text;
}

class GoodSettingsTest : public testing::TestWithParam<GoodCase> {};

TEST_P(GoodSettingsTest, Parses) {
    const LineSettings settings = ParseLineSettings(GetParam().text);
    EXPECT_EQ(settings, GetParam().settings);
    EXPECT_EQ(settings.ByteTime().count(), GetParam().byteTimeNs);
    // The text made from them reads back as the same settings.
    EXPECT_EQ(ParseLineSettings(LineSettingsText(settings)), settings);
}

INSTANTIATE_TEST_SUITE_P(
    Settings, GoodSettingsTest,
    testing::Values(
        // 10 bits per byte at 9600 baud.
        GoodCase{"9600,n,8,1", {9600, Parity::None, 8, StopBits::One}, 1041666},
        GoodCase{"9600,N,8,1", {9600, Parity::None, 8, StopBits::One}, 1041666},
        GoodCase{"19200,e,7,2", {19200, Parity::Even, 7, StopBits::Two}, 572916},
        GoodCase{"300,o,5,1.5", {300, Parity::Odd, 5, StopBits::OneAndHalf}, 28333333},
        GoodCase{"115200,m,8,1", {115200, Parity::Mark, 8, StopBits::One}, 95486},
        GoodCase{"1200,S,6,2", {1200, Parity::Space, 6, StopBits::Two}, 8333333}));

class BadSettingsTest : public testing::TestWithParam<const char*> {};

TEST_P(BadSettingsTest, Throws) {
    EXPECT_THROW((void)ParseLineSettings(GetParam()), PortError);
}

INSTANTIATE_TEST_SUITE_P(Settings, BadSettingsTest,
                         testing::Values("", "9600", "9600,n,8", "9600,n,8,1,", "9600,n,8,1,1",
                                         " 9600,n,8,1", "9600,n,8,1 ", "9600,,8,1", "9600,x,8,1",
                                         "9600,nn,8,1", "0,n,8,1", "-9600,n,8,1", "+9600,n,8,1",
                                         "96OO,n,8,1", "99999999999,n,8,1", "9600,n,4,1",
                                         "9600,n,9,1", "9600,n,8,0", "9600,n,8,3", "9600,n,8,1.0",
                                         "9600;n;8;1"));

} // namespace
} // namespace bitreel
