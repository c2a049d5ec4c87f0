// The system port over pseudo-terminals: a three-wire line without modem
// lines, which the test's far end can also pull away.

#include "serial/SystemPort.h"

#include "support/PtyPair.h"
#include "support/TempDir.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QTimer>

#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <numeric>

#include <grp.h>
#include <sys/stat.h>
#include <unistd.h>

namespace bitreel {
namespace {

using Bytes = std::vector<std::uint8_t>;
using std::chrono::steady_clock;

class SystemPortTest : public testing::Test {
protected:
    SystemPortTest() : port(PortTable{{1, pty.Name()}, {2, "/nonexistent/ttyBitreel"}}) {}

    void OpenAsAtStartUp() {
        port.SetSettings(ParseLineSettings("9600,n,8,1"));
        port.SetHandshaking(Handshake::RtsCts);
        port.SetDtrEnable(false);
        port.SetPortNumber(1);
        port.Open();
    }

    // Reads until count bytes came, without running the event loop.
    Bytes ReadUpTo(std::size_t count) {
        Bytes got;
        const auto end = steady_clock::now() + std::chrono::seconds(5);
        while (got.size() < count && steady_clock::now() < end) {
            const Bytes more = port.ReadAll();
            got.insert(got.end(), more.begin(), more.end());
        }
        return got;
    }

    test::PtyPair pty;
    SystemPort port;
};

TEST_F(SystemPortTest, ModemLinesNotSupportedMakeAThreeWireLine) {
    OpenAsAtStartUp();
    EXPECT_TRUE(port.IsOpen());
    EXPECT_TRUE(port.CtsHolding());
    EXPECT_NO_THROW(port.SetDtrEnable(true));
    EXPECT_NO_THROW(port.SetDtrEnable(false));
    EXPECT_TRUE(port.IsOpen());
    EXPECT_EQ(port.PendingOutput(), 0U);
}

TEST_F(SystemPortTest, BytesGoOutOneAtATimeWithoutAnEventLoop) {
    OpenAsAtStartUp();
    Bytes all(256);
    std::iota(all.begin(), all.end(), 0);
    for (std::uint8_t byte : all) {
        port.Write(std::span(&byte, 1));
    }
    EXPECT_EQ(pty.Receive(all.size()), all);
    EXPECT_EQ(port.PendingOutput(), 0U);
}

TEST_F(SystemPortTest, ReadAllTakesWhatArrivedWithoutAnEventLoop) {
    OpenAsAtStartUp();
    EXPECT_TRUE(port.ReadAll().empty());
    const Bytes sent{0, 1, 19, 0, 255, 13, 10, 17, 19};
    pty.Send(sent);
    EXPECT_EQ(ReadUpTo(sent.size()), sent);
    EXPECT_TRUE(port.ReadAll().empty());
}

TEST_F(SystemPortTest, ReadAllJoinsWhatTheEventLoopTookInWithWhatWaits) {
    OpenAsAtStartUp();
    const Bytes first{1, 2, 3};
    const Bytes second{4, 5};
    pty.Send(first);
    // As a transfer's yield does: the event loop takes the first bytes in.
    QTimer::singleShot(5000, [] {});
    QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    pty.Send(second);
    EXPECT_EQ(ReadUpTo(first.size() + second.size()), (Bytes{1, 2, 3, 4, 5}));
}

TEST_F(SystemPortTest, DiscardOutputEmptiesWhatIsPending) {
    OpenAsAtStartUp();
    // The far end reads nothing, so most of this stays with the program.
    const Bytes lots(100000, 0x55);
    port.Write(lots);
    ASSERT_GT(port.PendingOutput(), 0U);
    port.DiscardOutput();
    EXPECT_EQ(port.PendingOutput(), 0U);
    EXPECT_LT(pty.Receive(lots.size(), std::chrono::milliseconds(200)).size(), lots.size());
}

TEST_F(SystemPortTest, OpenFailures) {
    port.SetPortNumber(2);
    EXPECT_THROW(port.Open(), PortError) << "missing device";
    EXPECT_FALSE(port.IsOpen());

    SystemPort holder(PortTable{{1, pty.Name()}});
    holder.Open();
    port.SetPortNumber(1);
    try {
        port.Open();
        ADD_FAILURE() << "opened a device another holder has";
    } catch (const PortError& error) {
        EXPECT_EQ(error.what(), "cannot open " + pty.Name() + ": in use by another program");
    }
    holder.Close();
    port.Open();
    EXPECT_THROW(port.Open(), PortError) << "open already";
    EXPECT_THROW(port.SetPortNumber(2), PortError) << "renumbered while open";
    EXPECT_EQ(port.PortNumber(), 1);
}

TEST_F(SystemPortTest, RefusedNumberKeepsThePreviousOne) {
    port.SetPortNumber(2);
    EXPECT_THROW(port.SetPortNumber(3), PortError);
    EXPECT_THROW(port.SetPortNumber(0), PortError);
    EXPECT_EQ(port.PortNumber(), 2);
    EXPECT_EQ(port.DeviceName(2), "/nonexistent/ttyBitreel");
    EXPECT_EQ(port.DeviceName(3), "");
}

TEST_F(SystemPortTest, SettingsAndHandshaking) {
    // A handshake the port control does not know is refused.
    EXPECT_THROW(port.SetHandshaking(static_cast<Handshake>(1)), PortError);
    OpenAsAtStartUp();
    // A pseudo-terminal holds 8 data bits without parity only.
    EXPECT_NO_THROW(port.SetSettings(ParseLineSettings("19200,n,8,2")));
    EXPECT_NO_THROW(port.SetHandshaking(Handshake::None));
    EXPECT_TRUE(port.IsOpen());
}

// Every operation that needs an open port, and what a closed one answers.
struct Operation {
    const char* name;
    std::function<void(SerialPort&)> run;
};

void PrintTo(const Operation& operation, std::ostream* out) {
    *out << operation.name;
}

const Operation Operations[] = {
    {"CtsHolding", [](SerialPort& p) { (void)p.CtsHolding(); }},
    {"DiscardOutput", [](SerialPort& p) { p.DiscardOutput(); }},
    {"Write", [](SerialPort& p) { p.Write(Bytes{1}); }},
    {"ReadAll", [](SerialPort& p) { (void)p.ReadAll(); }},
    {"PendingOutput", [](SerialPort& p) { (void)p.PendingOutput(); }},
    // Last, as DTR may also be set on a closed port: it takes effect on the open.
    {"RaiseDtr", [](SerialPort& p) { p.SetDtrEnable(true); }},
};

class ClosedPortTest : public SystemPortTest, public testing::WithParamInterface<Operation> {};

TEST_P(ClosedPortTest, Fails) {
    EXPECT_THROW(GetParam().run(port), PortError);
    OpenAsAtStartUp();
    port.Close();
    EXPECT_THROW(GetParam().run(port), PortError);
}

INSTANTIATE_TEST_SUITE_P(Port, ClosedPortTest,
                         testing::ValuesIn(std::begin(Operations), std::end(Operations) - 1),
                         [](const testing::TestParamInfo<Operation>& info) {
                             return info.param.name;
                         });

class GoneDeviceTest : public SystemPortTest, public testing::WithParamInterface<Operation> {};

TEST_P(GoneDeviceTest, FailsPromptlyAndClosesThePort) {
    OpenAsAtStartUp();
    pty.CloseMaster();
    const auto start = steady_clock::now();
    EXPECT_THROW(GetParam().run(port), PortError);
    EXPECT_LT(steady_clock::now() - start, std::chrono::seconds(2));
    EXPECT_FALSE(port.IsOpen());
    EXPECT_THROW(port.Write(Bytes{1}), PortError);
    EXPECT_NO_THROW(port.Close());
}

INSTANTIATE_TEST_SUITE_P(Port, GoneDeviceTest, testing::ValuesIn(Operations),
                         [](const testing::TestParamInfo<Operation>& info) {
                             return info.param.name;
                         });

TEST_F(SystemPortTest, DeviceGoneWhileTheEventLoopRunsFailsTheNextOperation) {
    OpenAsAtStartUp();
    pty.CloseMaster();
    const auto end = steady_clock::now() + std::chrono::seconds(5);
    while (port.IsOpen() && steady_clock::now() < end) {
        QCoreApplication::processEvents();
    }
    EXPECT_FALSE(port.IsOpen());
    EXPECT_THROW(port.Write(Bytes{1}), PortError);
}

} // namespace
} // namespace bitreel

namespace bitreel {
namespace {

// A port reported closed after its device went away can be numbered and
// opened again at once, as the port choice does next.
TEST(SystemPortGone, AVanishedPortCanBeRenumberedAndOpened) {
    test::PtyPair first;
    test::PtyPair second;
    SystemPort port(PortTable{{1, first.Name()}, {2, second.Name()}});
    port.SetPortNumber(1);
    port.Open();
    first.CloseMaster();
    const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    while (port.IsOpen() && std::chrono::steady_clock::now() < end) {
        QCoreApplication::processEvents();
    }
    ASSERT_FALSE(port.IsOpen());
    EXPECT_NO_THROW(port.SetPortNumber(2));
    EXPECT_NO_THROW(port.Open());
    EXPECT_TRUE(port.IsOpen());
    port.Write(std::vector<std::uint8_t>{7});
    EXPECT_EQ(second.Receive(1), std::vector<std::uint8_t>{7});
}

} // namespace
} // namespace bitreel

namespace bitreel {
namespace {

// A device this user may not open is named, with the group to join when its
// group may read and write it. The superuser may open anything, so then the
// open is tried as nobody, in a child process.
TEST(SystemPortPermission, ARefusedOpenNamesTheDeviceAndTheGroupToJoin) {
    GTEST_FLAG_SET(death_test_style, "fast");
    namespace fs = std::filesystem;
    test::TempDir dir;
    fs::permissions(dir.path(), fs::perms::owner_all | fs::perms::group_read |
                                    fs::perms::group_exec | fs::perms::others_read |
                                    fs::perms::others_exec);
    const std::string device = (dir / "ttyLocked").string();
    std::ofstream(device).put('\0');
    const bool superuser = ::geteuid() == 0;

    struct Case {
        mode_t mode;
        const char* group; // owning group, set only by the superuser
        std::string said;
    };
    std::vector<Case> cases = {{0, nullptr, device + ": permission denied\n"}};
    if (superuser && ::getgrnam("dialout")) {
        cases.push_back(
            {0660, "dialout", device + ": permission denied; join the dialout group\n"});
        // The superuser's group is no group to join.
        cases.push_back({0660, "root", device + ": permission denied\n"});
    }
    for (const Case& c : cases) {
        SCOPED_TRACE(c.said);
        if (c.group) {
            ASSERT_EQ(::chown(device.c_str(), 0, ::getgrnam(c.group)->gr_gid), 0);
        }
        ASSERT_EQ(::chmod(device.c_str(), c.mode), 0);
        const auto open = [&] {
            constexpr uid_t nobody = 65534;
            if (superuser && (::setgid(nobody) != 0 || ::setuid(nobody) != 0)) {
                std::_Exit(2);
            }
            SystemPort port(PortTable{{1, device}});
            try {
                port.Open();
            } catch (const PortPermissionError& refused) {
                std::fprintf(stderr, "%s\n", refused.what());
                std::_Exit(0);
            } catch (const PortError& other) {
                std::fprintf(stderr, "not a permission error: %s\n", other.what());
                std::_Exit(1);
            }
            std::_Exit(3);
        };
        EXPECT_EXIT(open(), ::testing::ExitedWithCode(0), c.said);
    }
}

// A device held by another holder is refused too, but is no matter of rights.
TEST(SystemPortPermission, ADeviceInUseIsNoPermissionError) {
    test::PtyPair pty;
    SystemPort holder(PortTable{{1, pty.Name()}});
    holder.Open();
    SystemPort port(PortTable{{1, pty.Name()}});
    try {
        port.Open();
        ADD_FAILURE() << "opened a device in use";
    } catch (const PortPermissionError& error) {
        ADD_FAILURE() << error.what();
    } catch (const PortError&) {
    }
}

} // namespace
} // namespace bitreel
