// ScanComPorts and ChoosePort on the system port, with pseudo-terminals
// plugged in and pulled out behind the numbers of a table of their own.

#include "serial/PortChoice.h"
#include "serial/SystemPort.h"

#include "serial/SpyPort.h"
#include "support/PtyPair.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <memory>
#include <set>

namespace bitreel {
namespace {

using Entries = std::vector<std::string>;

// Numbers 1 to 17 have a device name in a folder of the test's own, except
// the refused ones; a device is there only while it is plugged in.
class Devices {
public:
    explicit Devices(const std::set<int>& refused = {}) {
        for (int n = 1; n <= 17; ++n) {
            if (!refused.contains(n)) {
                table_[n] = (dir_ / ("tty" + std::to_string(n))).string();
            }
        }
    }
    [[nodiscard]] const PortTable& Table() const { return table_; }

    void Plug(int number) {
        auto pty = std::make_unique<test::PtyPair>();
        std::filesystem::create_symlink(pty->Name(), table_.at(number));
        ptys_[number] = std::move(pty);
    }
    void Pull(int number) {
        std::filesystem::remove(table_.at(number));
        ptys_.erase(number);
    }

private:
    test::TempDir dir_;
    PortTable table_;
    std::map<int, std::unique_ptr<test::PtyPair>> ptys_;
};

struct ScanCase {
    const char* name;
    std::set<int> plugged;
    std::set<int> refused;
    std::set<int> held; // opened by another holder
    Entries expected;
};

void PrintTo(const ScanCase& c, std::ostream* out) {
    *out << c.name;
}

class ScanTest : public testing::TestWithParam<ScanCase> {};

TEST_P(ScanTest, ListsThePortsThatOpen) {
    const ScanCase& c = GetParam();
    Devices devices(c.refused);
    for (int n : c.plugged) {
        devices.Plug(n);
    }
    std::vector<std::unique_ptr<SystemPort>> holders;
    for (int n : c.held) {
        holders.push_back(std::make_unique<SystemPort>(devices.Table()));
        holders.back()->SetPortNumber(n);
        holders.back()->Open();
    }

    SystemPort port(devices.Table());
    Entries entries{"kept"};
    ScanComPorts(port, entries);

    Entries expected{"kept"};
    expected.insert(expected.end(), c.expected.begin(), c.expected.end());
    EXPECT_EQ(entries, expected);
    EXPECT_FALSE(port.IsOpen());
}

std::set<int> Range(int from, int to) {
    std::set<int> numbers;
    for (int n = from; n <= to; ++n) {
        numbers.insert(n);
    }
    return numbers;
}

INSTANTIATE_TEST_SUITE_P(
    Scan, ScanTest,
    testing::Values(ScanCase{"ThreeAndFive", {3, 5}, {}, {}, {"COM3", "COM5"}},
                    ScanCase{"NumericNotTextOrder", {12, 2}, {}, {}, {"COM2", "COM12"}},
                    ScanCase{"None", {}, {}, {}, {}},
                    ScanCase{"AboveSixteenNeverListed", {16, 17}, {}, {}, {"COM16"}},
                    ScanCase{"HeldByAnotherNotListed", {3, 5}, {}, {3}, {"COM5"}},
                    // After a refused number the open reaches the port set
                    // before it, and succeeds: still not listed.
                    ScanCase{"RefusedNeverListed", {1, 3}, Range(4, 17), {}, {"COM1", "COM3"}},
                    ScanCase{"RefusedBetween", {1, 3}, {2}, {}, {"COM1", "COM3"}}),
    [](const testing::TestParamInfo<ScanCase>& info) { return info.param.name; });

TEST(Scan, ClosesAnOpenPortFirstAndLeavesItClosed) {
    Devices devices;
    devices.Plug(4);
    SystemPort port(devices.Table());
    port.SetPortNumber(4);
    port.Open();
    Entries entries;
    ScanComPorts(port, entries);
    EXPECT_EQ(entries, Entries{"COM4"});
    EXPECT_FALSE(port.IsOpen());
}

TEST(Choice, FirstEntryAsAtStartUp) {
    Devices devices;
    devices.Plug(3);
    devices.Plug(5);
    SystemPort port(devices.Table());
    Entries entries;
    ScanComPorts(port, entries);
    ASSERT_EQ(entries, (Entries{"COM3", "COM5"}));

    EXPECT_EQ(ChoosePort(port, entries, entries[0]), "COM3");
    EXPECT_TRUE(port.IsOpen());
    EXPECT_EQ(port.PortNumber(), 3);
    EXPECT_EQ(entries, (Entries{"COM3", "COM5"}));
}

TEST(Choice, TheOpenPortIsClosedAndOpenedAgain) {
    Devices devices;
    devices.Plug(3);
    SystemPort system(devices.Table());
    system.SetPortNumber(3);
    system.Open();
    test::SpyPort port(system);
    Entries entries{"COM3"};

    EXPECT_EQ(ChoosePort(port, entries, "COM3"), "COM3");
    EXPECT_EQ(port.log, (Entries{"Close", "SetPortNumber 3", "Open"}));
    EXPECT_TRUE(port.IsOpen());
    EXPECT_EQ(entries, Entries{"COM3"});
}

TEST(Choice, VanishedPortFallsBackToWhatTheScanFindsNow) {
    Devices devices;
    devices.Plug(3);
    devices.Plug(5);
    SystemPort port(devices.Table());
    Entries entries;
    ScanComPorts(port, entries);
    devices.Pull(3);
    devices.Plug(7);

    EXPECT_EQ(ChoosePort(port, entries, "COM3"), "COM5");
    EXPECT_EQ(entries, (Entries{"COM5", "COM7"}));
    EXPECT_TRUE(port.IsOpen());
    EXPECT_EQ(port.PortNumber(), 5);
}

TEST(Choice, FallbackTakesTheChosenPortWhenTheScanFindsItAgain) {
    Devices devices;
    devices.Plug(3);
    devices.Plug(5);
    SystemPort system(devices.Table());
    test::SpyPort port(system);
    port.FailNext("Open");
    Entries entries{"COM3", "COM5"};

    EXPECT_EQ(ChoosePort(port, entries, "COM5"), "COM5");
    EXPECT_EQ(entries, (Entries{"COM3", "COM5"}));
    EXPECT_TRUE(port.IsOpen());
    EXPECT_EQ(port.PortNumber(), 5);
}

TEST(Choice, FallbackWithNoPortLeavesItClosedAsComZero) {
    Devices devices;
    devices.Plug(3);
    SystemPort port(devices.Table());
    Entries entries;
    ScanComPorts(port, entries);
    devices.Pull(3);

    EXPECT_EQ(ChoosePort(port, entries, "COM3"), "COM0");
    EXPECT_TRUE(entries.empty());
    EXPECT_FALSE(port.IsOpen());
    EXPECT_EQ(port.PortNumber(), 1);
}

struct TextCase {
    const char* name;
    const char* text;
    int opened;    // the port number open afterwards
    bool fallback; // whether the fallback ran (the list is scanned afresh)
};

void PrintTo(const TextCase& c, std::ostream* out) {
    *out << c.name;
}

class ChosenTextTest : public testing::TestWithParam<TextCase> {};

// The number is the rest of the text after three characters, read as a
// decimal number rounded to 16 bits, halves to even; anything else falls
// back to the first port found (2 here).
TEST_P(ChosenTextTest, ReadsTheNumberAfterCom) {
    const TextCase& c = GetParam();
    Devices devices;
    for (int n : {2, 3, 4, 5}) {
        devices.Plug(n);
    }
    SystemPort port(devices.Table());
    Entries entries{"stale"};

    const std::string shown = ChoosePort(port, entries, c.text);
    EXPECT_TRUE(port.IsOpen());
    EXPECT_EQ(port.PortNumber(), c.opened);
    if (c.fallback) {
        EXPECT_EQ(shown, PortEntryText(c.opened));
        EXPECT_EQ(entries, (Entries{"COM2", "COM3", "COM4", "COM5"}));
    } else {
        EXPECT_EQ(shown, c.text);
        EXPECT_EQ(entries, Entries{"stale"});
    }
}

INSTANTIATE_TEST_SUITE_P(
    Choice, ChosenTextTest,
    testing::Values(
        TextCase{"Plain", "COM4", 4, false}, TextCase{"LeadingZero", "COM05", 5, false},
        TextCase{"Plus", "COM+3", 3, false}, TextCase{"HalfDownToEven", "COM2.5", 2, false},
        TextCase{"HalfUpToEven", "COM3.5", 4, false}, TextCase{"Fraction", "COM4.6", 5, false},
        TextCase{"NotANumber", "COMx", 2, true}, TextCase{"Empty", "", 2, true},
        TextCase{"NothingAfterCom", "COM", 2, true}, TextCase{"Blank", "COM 3", 2, true},
        TextCase{"Exponent", "COM3e0", 2, true}, TextCase{"Above16Bits", "COM32767.5", 2, true},
        TextCase{"Negative", "COM-3", 2, true}, TextCase{"ZeroRefused", "COM0", 2, true}),
    [](const testing::TestParamInfo<TextCase>& info) { return info.param.name; });

} // namespace
} // namespace bitreel
