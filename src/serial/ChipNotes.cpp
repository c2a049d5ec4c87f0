// What is known about the handshake of common serial chips. Each line says
// only what its sources show; --loopback tests the one in hand.
#include "serial/ChipNotes.h"

#include <array>

namespace bitreel {
namespace {

constexpr std::array Notes{
    // Linux drivers/usb/serial/ftdi_sio.c: ftdi_set_termios sends
    // FTDI_SIO_SET_FLOW_CTRL_REQUEST with FTDI_SIO_RTS_CTS_HS for CRTSCTS.
    // FTDI's FT232R datasheet: RTS/CTS handshaking is done by the chip.
    ChipNote{"FTDI", "ftdi_sio", 0x0403,
             "the chip itself stops sending while CTS is low, and the driver turns that on "
             "for RTS/CTS; usually dependable"},
    // Linux drivers/usb/serial/ch341.c: ch341_set_flow_control, which writes
    // the chip's flow-control register, went into the usb-serial tree in
    // January 2025 (for Linux 6.14; kernel bugzilla 197109). Before it the
    // driver never turned the chip's RTS/CTS on.
    ChipNote{"WCH CH340/CH341", "ch341-uart ch341", 0x1A86,
             "Linux's driver turns the chip's RTS/CTS on only from Linux 6.14 (2025); "
             "older kernels leave it off. Test it with --loopback"},
    // Linux drivers/usb/serial/pl2303.c: pl2303_set_termios sets RTS/CTS in
    // a flow-control register that differs by chip type (legacy, HX, HXN).
    // Prolific's Windows driver refuses chips it does not take for genuine.
    ChipNote{"Prolific PL2303", "pl2303", 0x067B,
             "the driver asks the chip for RTS/CTS in a way that differs by chip type, and "
             "many adapters carry copies of the chip; whether one honours CTS varies. Test it "
             "with --loopback"},
    // Linux drivers/usb/serial/cp210x.c: cp210x_set_flow_control sets CTS
    // handshake and RTS flow control with SET_FLOW (Silicon Labs AN571,
    // "CP210x Virtual COM Port Interface"), and leaves flow control off on
    // CP2102N firmware with erratum CP2102N_E104.
    ChipNote{"Silicon Labs CP210x", "cp210x", 0x10C4,
             "the chip itself stops sending while CTS is low, and the driver turns that on "
             "for RTS/CTS, except on some CP2102N with old firmware (erratum CP2102N_E104)"},
    // Linux drivers/usb/class/cdc-acm.c: acm_tty_tiocmget always reports
    // TIOCM_CTS; the CDC PSTN subclass's SERIAL_STATE notice carries DCD and
    // DSR but no CTS.
    ChipNote{"USB CDC ACM", "cdc_acm", 0,
             "the USB class has no CTS to report, and Linux reads it as always asserted: "
             "nothing from the far end can hold Play back unless the device's own firmware "
             "does"},
    // Linux drivers/tty/serial/serial_core.c: uart_handle_cts_change stops
    // the transmitter when CTS drops under CRTSCTS; the 8250 driver
    // (drivers/tty/serial/8250, registered as serial8250, and as "serial" by
    // 8250_pnp and 8250_pci) keeps up to a FIFO of bytes in the UART (16 on
    // a 16550A, per National Semiconductor's PC16550D datasheet).
    ChipNote{"16550-type UART", "serial8250 serial", 0,
             "a port on the main board or a card: the kernel stops feeding it while CTS is "
             "low; the few bytes already in its FIFO (16 on a 16550A) may still go"},
};

bool NamesDriver(std::string_view drivers, std::string_view driver) {
    while (!drivers.empty()) {
        const std::size_t space = drivers.find(' ');
        if (drivers.substr(0, space) == driver) {
            return true;
        }
        drivers = space == std::string_view::npos ? std::string_view() : drivers.substr(space + 1);
    }
    return false;
}

} // namespace

std::span<const ChipNote> ChipNotes() noexcept {
    return Notes;
}

const ChipNote* FindChipNote(const AdapterInfo& adapter) noexcept {
    if (!adapter.driver.empty()) {
        for (const ChipNote& note : Notes) {
            if (NamesDriver(note.drivers, adapter.driver)) {
                return &note;
            }
        }
    }
    if (adapter.vendorId) {
        for (const ChipNote& note : Notes) {
            if (note.usbVendor != 0 && note.usbVendor == *adapter.vendorId) {
                return &note;
            }
        }
    }
    return nullptr;
}

} // namespace bitreel
