// What stands between this user and a serial device.
#include "serial/DeviceAccess.h"

#ifndef _WIN32
#include <cerrno>
#include <grp.h>
#include <sys/stat.h>
#include <unistd.h>

#include <vector>
#endif

namespace bitreel {

#ifdef _WIN32

bool DeviceAccessRefused(const std::string&) {
    // A refused open there means the port is in use: no right to ask for.
    return false;
}

std::string DeviceGroup(const std::string&) {
    return {};
}

#else

bool DeviceAccessRefused(const std::string& device) {
    return ::access(device.c_str(), R_OK | W_OK) != 0 && errno == EACCES;
}

std::string DeviceGroup(const std::string& device) {
    struct stat info {};
    if (::stat(device.c_str(), &info) != 0 || info.st_gid == 0 ||
        (info.st_mode & (S_IRGRP | S_IWGRP)) != (S_IRGRP | S_IWGRP)) {
        return {};
    }
    group entry{};
    group* found = nullptr;
    std::vector<char> buffer(4096);
    while (::getgrgid_r(info.st_gid, &entry, buffer.data(), buffer.size(), &found) == ERANGE) {
        buffer.resize(buffer.size() * 2);
    }
    return found ? std::string(found->gr_name) : std::string();
}

#endif

} // namespace bitreel
