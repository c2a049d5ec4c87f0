// The loopback items and the line watch on the simulated line, on its clock.

#include "serial/LineWatch.h"
#include "serial/LoopbackTest.h"
#include "support/SimulatedLine.h"
#include "support/TestNames.h"

#include <gtest/gtest.h>

#include <functional>

namespace bitreel {
namespace {

using namespace std::chrono_literals;
using test::LoopbackPlug;
using test::SimulatedLine;
using V = Verdict;

// The simulated line's clock; events fire once their time has come.
class SimulatedClock final : public LineClock {
public:
    explicit SimulatedClock(SimulatedLine& line) : line_(line) {}

    void At(Duration when, std::function<void()> event) {
        events_.push_back({when, std::move(event)});
    }
    Duration Now() override { return line_.Now(); }
    void Wait(Duration most) override {
        line_.Advance(most);
        for (auto& [when, event] : events_) {
            if (event && when <= line_.Now()) {
                std::exchange(event, nullptr)();
            }
        }
    }

private:
    SimulatedLine& line_;
    std::vector<std::pair<Duration, std::function<void()>>> events_;
};

// A line opened as the command line opens it, paced at 9600 baud.
void OpenAsForPlay(SimulatedLine& line) {
    line.SetSettings(LineSettings{});
    line.SetHandshaking(Handshake::RtsCts);
    line.SetDtrEnable(false);
    line.Open();
    line.SetPaced(true);
}

struct LoopbackCase {
    const char* name;
    LoopbackPlug plug;
    std::function<void(SimulatedLine&)> fault; // on top of the plug, or none
    // data, RTS to CTS, DTR to DSR and DCD, hardware handshake
    std::array<Verdict, 4> verdicts;
    std::size_t lost;
    std::size_t changed;
    const char* seen; // in one item's text, or empty
};

void PrintTo(const LoopbackCase& c, std::ostream* os) {
    *os << c.name;
}

LoopbackPlug Plug(std::function<void(LoopbackPlug&)> change) {
    LoopbackPlug plug;
    change(plug);
    return plug;
}

const LoopbackCase kLoopbacks[] = {
    {"WholePlug", {}, nullptr, {V::Pass, V::Pass, V::Pass, V::Pass}, 0, 0, "back unchanged"},
    {"TxNotJoined",
     Plug([](auto& p) { p.txToRx = false; }),
     nullptr,
     {V::Fail, V::Pass, V::Pass, V::CannotTell},
     1024,
     0,
     "none of 1024 bytes came back"},
    {"LostBytes",
     Plug([](auto& p) { p.loseEvery = 100; }),
     nullptr,
     {V::Fail, V::Pass, V::Pass, V::Pass},
     10,
     0,
     "10 lost, 0 changed"},
    {"ChangedBytes",
     Plug([](auto& p) { p.changeEvery = 256; }),
     nullptr,
     {V::Fail, V::Pass, V::Pass, V::Pass},
     0,
     4,
     "0 lost, 4 changed"},
    // CTS never rises, so bytes held back under RTS/CTS still prove the driver.
    {"RtsNotJoined",
     Plug([](auto& p) { p.rtsToCts = false; }),
     nullptr,
     {V::Pass, V::Fail, V::Pass, V::Pass},
     0,
     0,
     "CTS stayed low while RTS was raised"},
    {"DriverReadsCtsAlwaysAsserted",
     {},
     [](SimulatedLine& line) { line.SetCtsAlwaysAsserted(true); },
     {V::Pass, V::Fail, V::Pass, V::CannotTell},
     0,
     0,
     "CTS stayed asserted while RTS was low"},
    {"DtrNotJoined",
     Plug([](auto& p) { p.dtrToDsr = p.dtrToDcd = false; }),
     nullptr,
     {V::Pass, V::Pass, V::Fail, V::Pass},
     0,
     0,
     "neither DSR nor DCD followed DTR"},
    {"DcdNotJoined",
     Plug([](auto& p) { p.dtrToDcd = false; }),
     nullptr,
     {V::Pass, V::Pass, V::Pass, V::Pass},
     0,
     0,
     "DSR followed DTR; DCD did not"},
    {"DriverIgnoresHandshake",
     {},
     [](SimulatedLine& line) { line.SetIgnoresHandshake(true); },
     {V::Pass, V::Pass, V::Pass, V::Fail},
     0,
     0,
     "16 of 16 bytes left while CTS was low"},
    {"DriverRaisesRtsItself",
     {},
     [](SimulatedLine& line) { line.SetDrivesRtsItself(true); },
     {V::Pass, V::Pass, V::Pass, V::CannotTell},
     0,
     0,
     "the adapter raises RTS itself"},
    {"NoModemLines",
     {},
     [](SimulatedLine& line) { line.SetModemLines(false); },
     {V::Pass, V::CannotTell, V::CannotTell, V::CannotTell},
     0,
     0,
     "no modem lines"},
};

class LoopbackTest : public testing::TestWithParam<LoopbackCase> {};

TEST_P(LoopbackTest, EachItemPassesOrSaysWhatFailed) {
    const LoopbackCase& c = GetParam();
    SimulatedLine line;
    OpenAsForPlay(line);
    line.FitLoopbackPlug(c.plug);
    if (c.fault) {
        c.fault(line);
    }
    SimulatedClock clock(line);
    const LoopbackResult result = RunLoopback(line, clock, LineSettings{});

    ASSERT_EQ(result.items.size(), 4U);
    std::string texts;
    for (std::size_t i = 0; i < 4; ++i) {
        EXPECT_EQ(result.items[i].verdict, c.verdicts[i]) << result.items[i].seen;
        // Every failure says what it means and what to try.
        EXPECT_EQ(result.items[i].meaning.empty(), result.items[i].verdict != V::Fail);
        texts += result.items[i].seen + "\n";
    }
    EXPECT_NE(texts.find(c.seen), std::string::npos) << texts;
    EXPECT_EQ(result.data.sent, LoopbackDataBytes);
    EXPECT_EQ(result.data.lost, c.lost);
    EXPECT_EQ(result.data.changed, c.changed);
    if (result.data.received == LoopbackDataBytes) {
        // The bytes came back at the pace of the line, 960 a second.
        ASSERT_TRUE(result.data.bytesPerSecond);
        EXPECT_NEAR(*result.data.bytesPerSecond, 960, 10);
    }
    // Left as Play opens the line.
    EXPECT_FALSE(line.Dtr());
    EXPECT_TRUE(line.Rts());
    EXPECT_EQ(line.PendingOutput(), 0U);
    EXPECT_LT(line.Now(), 5s);
}

INSTANTIATE_TEST_SUITE_P(Plugs, LoopbackTest, testing::ValuesIn(kLoopbacks), test::ByName());

TEST(CompareBytes, CountsLostChangedAndExtraBytesInOrder) {
    const std::vector<std::uint8_t> sent{1, 2, 3, 4, 5, 6};
    const struct {
        std::vector<std::uint8_t> received;
        std::size_t lost, changed, extra;
    } cases[] = {
        {{1, 2, 3, 4, 5, 6}, 0, 0, 0}, {{1, 2, 4, 5, 6}, 1, 0, 0}, // a byte missing shifts no other
        {{1, 2, 9, 4, 6}, 1, 1, 0},    {{1, 2, 3, 4, 5, 6, 0}, 0, 0, 1}, {{}, 6, 0, 0},
    };
    for (const auto& c : cases) {
        const DataFigures figures = CompareBytes(sent, c.received);
        EXPECT_EQ(figures.lost, c.lost);
        EXPECT_EQ(figures.changed, c.changed);
        EXPECT_EQ(figures.extra, c.extra);
    }
}

TEST(LineWatch, TellsEachChangeWithItsTimeAndJudgesCtsAtTheEnd) {
    SimulatedLine line;
    OpenAsForPlay(line);
    line.SetCts(false);
    SimulatedClock clock(line);
    clock.At(500ms, [&] { line.SetCts(true); });
    clock.At(1200ms, [&] { line.SetCts(false); });
    clock.At(1800ms, [&] { line.SetCts(true); });

    std::vector<LineChange> changes;
    const WatchResult watch = WatchLines(
        line, clock, line.ReadInputLines(), 2s,
        [&](const LineChange& change) { changes.push_back(change); }, [] { return false; });

    ASSERT_EQ(changes.size(), 3U);
    const LineClock::Duration expected[] = {500ms, 1200ms, 1800ms};
    for (std::size_t i = 0; i < changes.size(); ++i) {
        EXPECT_EQ(changes[i].line, "CTS");
        EXPECT_EQ(changes[i].asserted, i != 1);
        EXPECT_GE(changes[i].at, expected[i]);
        EXPECT_LT(changes[i].at, expected[i] + 20ms);
    }
    EXPECT_EQ(CtsItem(watch.last).verdict, V::Pass);
    EXPECT_EQ(CtsItem(watch.first).verdict, V::Fail);
    EXPECT_EQ(CtsItem(std::nullopt).verdict, V::CannotTell);
}

TEST(LineWatch, EndsEarlyWhenAskedToStop) {
    SimulatedLine line;
    OpenAsForPlay(line);
    SimulatedClock clock(line);
    int polls = 0;
    const WatchResult watch = WatchLines(
        line, clock, line.ReadInputLines(), 10s, [](const LineChange&) {},
        [&] { return ++polls > 3; });
    EXPECT_TRUE(watch.stopped);
    EXPECT_LT(line.Now(), 1s);
}

} // namespace
} // namespace bitreel
