#include "serial/PortTable.h"

namespace bitreel {

PortTable SystemPortTable() {
    PortTable table;
#ifdef _WIN32
    for (int n = 1; n <= 16; ++n) {
        table[n] = "COM" + std::to_string(n);
    }
#else
    for (int i = 0; i < 4; ++i) {
        table[1 + i] = "/dev/ttyS" + std::to_string(i);
    }
    for (int i = 0; i < 8; ++i) {
        table[5 + i] = "/dev/ttyUSB" + std::to_string(i);
    }
    for (int i = 0; i < 4; ++i) {
        table[13 + i] = "/dev/ttyACM" + std::to_string(i);
    }
#endif
    return table;
}

} // namespace bitreel
