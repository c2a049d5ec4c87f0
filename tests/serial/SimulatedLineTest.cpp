// The simulated line's own behaviour, as the transfer tests rely on it.

#include "support/SimulatedLine.h"

#include <gtest/gtest.h>

#include <thread>

namespace bitreel {
namespace {

using Bytes = std::vector<std::uint8_t>;
using test::CtsSpan;
using test::PortOp;
using test::SendPlan;
using test::SimulatedLine;

class SimulatedLineTest : public testing::Test {
protected:
    SimulatedLineTest() {
        line.SetSettings(ParseLineSettings("9600,n,8,1"));
        line.SetHandshaking(Handshake::RtsCts);
        line.SetDtrEnable(false);
        line.Open();
    }

    void WriteEach(const Bytes& bytes) {
        for (std::uint8_t b : bytes) {
            line.Write(std::span(&b, 1));
        }
    }

    SimulatedLine line;
};

TEST_F(SimulatedLineTest, SplitsWhatArrivesIntoFrames) {
    WriteEach({3, 0, 0xAA, 0xBB, 0xCC, 0, 0, 1, 1});
    WriteEach(Bytes(257, 7));
    WriteEach({5, 0, 1});
    ASSERT_EQ(line.Frames().size(), 3U);
    EXPECT_EQ(line.Frames()[0], (Bytes{3, 0, 0xAA, 0xBB, 0xCC}));
    EXPECT_EQ(line.Frames()[1], (Bytes{0, 0}));
    EXPECT_EQ(line.Frames()[2].size(), 259U);
    EXPECT_EQ(line.PartialFrame(), (Bytes{5, 0, 1}));
}

TEST_F(SimulatedLineTest, CtsScriptCountsReadsAndItsLastSpanHolds) {
    line.ScriptCts({{false, 2}, {true, 1}, {false, 1}, {true, 1}});
    std::vector<bool> reads;
    for (int i = 0; i < 7; ++i) {
        reads.push_back(line.CtsHolding());
    }
    EXPECT_EQ(reads, (std::vector<bool>{false, false, true, false, true, true, true}));
}

TEST_F(SimulatedLineTest, OutputWaitsForCtsAndDiscardEmptiesIt) {
    line.SetCts(false);
    WriteEach({1, 2, 3});
    EXPECT_EQ(line.PendingOutput(), 3U);
    EXPECT_TRUE(line.Received().empty());
    EXPECT_EQ(line.Written(), (Bytes{1, 2, 3}));

    line.SetCts(true);
    EXPECT_EQ(line.Received(), (Bytes{1, 2, 3}));
    EXPECT_EQ(line.PendingOutput(), 0U);

    line.SetCts(false);
    WriteEach({4, 5});
    line.DiscardOutput();
    line.SetCts(true);
    EXPECT_EQ(line.PendingOutput(), 0U);
    EXPECT_EQ(line.Received(), (Bytes{1, 2, 3}));
}

TEST_F(SimulatedLineTest, ScriptedCtsHoldsTheLevelLastRead) {
    line.ScriptCts({{true, 1}, {false, 1}, {true, 1}});
    ASSERT_TRUE(line.CtsHolding());
    WriteEach({1});
    ASSERT_FALSE(line.CtsHolding());
    WriteEach({2});
    EXPECT_EQ(line.Received(), Bytes{1});
    ASSERT_TRUE(line.CtsHolding());
    EXPECT_EQ(line.Received(), (Bytes{1, 2}));
}

TEST_F(SimulatedLineTest, WithoutHandshakingCtsIsIgnored) {
    line.SetHandshaking(Handshake::None);
    line.SetCts(false);
    WriteEach({9});
    EXPECT_EQ(line.Received(), Bytes{9});
}

TEST_F(SimulatedLineTest, PacedBytesLeaveOnePerByteTime) {
    line.SetPaced(true);
    ASSERT_EQ(line.ByteTime(), std::chrono::nanoseconds(1041666));
    WriteEach({1, 2, 3, 4});
    EXPECT_TRUE(line.Received().empty());
    line.Advance(line.ByteTime() * 2);
    EXPECT_EQ(line.Received(), (Bytes{1, 2}));
    EXPECT_EQ(line.PendingOutput(), 2U);
    line.Advance(line.ByteTime() * 2 - std::chrono::nanoseconds(1));
    EXPECT_EQ(line.Received().size(), 3U);
    line.Advance(std::chrono::nanoseconds(1));
    EXPECT_EQ(line.Received().size(), 4U);
}

TEST_F(SimulatedLineTest, TimePerOperationMovesTheClock) {
    line.SetPaced(true);
    line.SetTimePerOperation(line.ByteTime());
    WriteEach({1, 2, 3});
    // Each write moved the clock by one byte time before queueing its byte.
    EXPECT_EQ(line.Received(), (Bytes{1, 2}));
    EXPECT_EQ(line.PendingOutput(), 0U);
    EXPECT_EQ(line.Received(), (Bytes{1, 2, 3}));
}

TEST_F(SimulatedLineTest, CtsWhileTheMachineHasRoom) {
    line.SetCtsWhileRoom(4);
    WriteEach(Bytes(10, 1));
    EXPECT_EQ(line.Received().size(), 4U);
    EXPECT_FALSE(line.CtsHolding());
    line.MachineTake(3);
    EXPECT_EQ(line.Received().size(), 7U);
    EXPECT_EQ(line.PendingOutput(), 3U);
}

TEST_F(SimulatedLineTest, PacedMachineTakesInItsOwnTime) {
    // Room for one byte; the machine needs three byte times for each.
    const auto t = line.ByteTime();
    line.SetPaced(true);
    line.SetCtsWhileRoom(1, 3 * t);
    WriteEach({1, 2, 3});
    line.Advance(t); // byte 1 in, buffer full
    EXPECT_EQ(line.Received().size(), 1U);
    line.Advance(3 * t); // t=4: taken, byte 2 starts
    EXPECT_EQ(line.Received().size(), 1U);
    line.Advance(t); // t=5: byte 2 in
    EXPECT_EQ(line.Received().size(), 2U);
    line.Advance(3 * t); // t=8: taken, byte 3 starts
    EXPECT_EQ(line.Received().size(), 2U);
    line.Advance(t);
    EXPECT_EQ(line.Received().size(), 3U);
}

TEST_F(SimulatedLineTest, SendsAtOnceInChunksAndWhileDtr) {
    line.Send(Bytes{1, 2});
    EXPECT_EQ(line.ReadAll(), (Bytes{1, 2}));
    EXPECT_TRUE(line.ReadAll().empty());

    line.SendFrame(Bytes{9, 8, 7, 6}, SendPlan{{1, 0, 2}});
    EXPECT_EQ(line.Unsent(), 6U);
    EXPECT_EQ(line.ReadAll(), Bytes{4});
    EXPECT_TRUE(line.ReadAll().empty());
    EXPECT_EQ(line.ReadAll(), (Bytes{0, 9}));
    EXPECT_EQ(line.ReadAll(), (Bytes{8, 7}));
    EXPECT_EQ(line.ReadAll(), Bytes{6});
    EXPECT_EQ(line.Unsent(), 0U);

    line.Send(Bytes{5, 5, 5}, SendPlan{{}, true});
    EXPECT_TRUE(line.ReadAll().empty());
    line.SetDtrEnable(true);
    EXPECT_TRUE(line.Dtr());
    EXPECT_EQ(line.ReadAll(), (Bytes{5, 5, 5}));
    line.SetDtrEnable(false);
    EXPECT_EQ(line.DtrRaises(), 1);
}

TEST_F(SimulatedLineTest, VanishesAtTheChosenCall) {
    line.VanishAt(PortOp::Write, 3);
    WriteEach({1, 2});
    EXPECT_THROW(WriteEach({3}), PortError);
    EXPECT_FALSE(line.IsOpen());
    EXPECT_THROW((void)line.CtsHolding(), PortError);
    EXPECT_THROW(line.Open(), PortError);
    EXPECT_EQ(line.Calls(PortOp::Write), 3);
    line.Reappear();
    line.Open();
    EXPECT_TRUE(line.IsOpen());
    EXPECT_EQ(line.Received(), (Bytes{1, 2}));
}

TEST_F(SimulatedLineTest, ClosedPortFailsAndDropsDtr) {
    line.SetDtrEnable(true);
    line.Close();
    EXPECT_FALSE(line.Dtr());
    EXPECT_THROW(line.Write(Bytes{1}), PortError);
    EXPECT_THROW((void)line.ReadAll(), PortError);
    EXPECT_THROW(line.DiscardOutput(), PortError);
    EXPECT_THROW((void)line.PendingOutput(), PortError);
    line.SetInUse(true);
    EXPECT_THROW(line.Open(), PortError);
}

TEST(SimulatedLineRealTime, PacesOnTheRealClock) {
    SimulatedLine line;
    line.SetHandshaking(Handshake::RtsCts);
    line.Open();
    line.SetPaced(true);
    line.UseRealTime();
    const auto start = std::chrono::steady_clock::now();
    line.Write(Bytes{1, 2, 3});
    const auto deadline = start + std::chrono::seconds(5);
    while (line.PendingOutput() > 0 && std::chrono::steady_clock::now() < deadline) {
        std::this_thread::yield();
    }
    ASSERT_EQ(line.PendingOutput(), 0U) << "the paced queue never drained";
    EXPECT_GE(std::chrono::steady_clock::now() - start, 3 * line.ByteTime());
    EXPECT_EQ(line.Received(), (Bytes{1, 2, 3}));
}

} // namespace
} // namespace bitreel
