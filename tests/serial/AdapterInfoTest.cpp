// The kernel driver found through sysfs links, and the chip note it leads to.

#include "serial/AdapterInfo.h"
#include "serial/ChipNotes.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

namespace bitreel {
namespace {

namespace fs = std::filesystem;

// A tty's device in a sysfs tree of the test's, each device's driver link as given.
void AddTty(const fs::path& sys, const std::string& tty, const fs::path& device,
            const std::vector<std::pair<fs::path, std::string>>& drivers) {
    fs::create_directories(sys / device);
    fs::create_directories(sys / "class" / "tty" / tty);
    fs::create_directory_symlink(sys / device, sys / "class" / "tty" / tty / "device");
    for (const auto& [at, driver] : drivers) {
        fs::create_symlink("../../../bus/" + driver, sys / at / "driver");
    }
}

TEST(KernelDriver, PassesOverTheSerialCoresOwnDevices) {
    test::TempDir sys;
    AddTty(sys.path(), "ttyUSB0", "devices/usb1/1-1:1.0/ttyUSB0",
           {{"devices/usb1/1-1:1.0/ttyUSB0", "usb-serial/drivers/ch341-uart"}});
    AddTty(sys.path(), "ttyS0", "devices/pnp0/00:00/00:00:0/00:00:0.0",
           {{"devices/pnp0/00:00/00:00:0/00:00:0.0", "serial-base/drivers/port"},
            {"devices/pnp0/00:00/00:00:0", "serial-base/drivers/ctrl"},
            {"devices/pnp0/00:00", "pnp/drivers/serial"}});
    AddTty(sys.path(), "ttyS1", "devices/platform/serial8250/ttyS1", {});
    fs::create_directories(sys / "class" / "tty" / "pts0");

    EXPECT_EQ(KernelDriver("ttyUSB0", sys.path()), "ch341-uart");
    EXPECT_EQ(KernelDriver("ttyS0", sys.path()), "serial");
    EXPECT_EQ(KernelDriver("ttyS1", sys.path()), "");
    EXPECT_EQ(KernelDriver("pts0", sys.path()), "");
    EXPECT_EQ(KernelDriver("ttyACM9", sys.path()), "");
}

TEST(ChipNotes, FoundByDriverFirstThenByUsbVendor) {
    const struct {
        std::string driver;
        std::optional<std::uint16_t> vendor;
        std::string chip; // empty: no note
    } cases[] = {
        {"ch341-uart", std::nullopt, "WCH CH340/CH341"},
        {"serial", std::nullopt, "16550-type UART"},
        {"cdc_acm", 0x0403, "USB CDC ACM"}, // an FTDI-made CDC device is run as CDC
        {"", 0x10C4, "Silicon Labs CP210x"},
        {"usbserial_generic", 0x1234, ""},
        {"", std::nullopt, ""},
    };
    for (const auto& c : cases) {
        AdapterInfo adapter;
        adapter.driver = c.driver;
        adapter.vendorId = c.vendor;
        const ChipNote* note = FindChipNote(adapter);
        EXPECT_EQ(note ? std::string(note->chip) : std::string(), c.chip) << c.driver;
    }
}

} // namespace
} // namespace bitreel
