#include "app/browser/Volumes.h"

#include <gtest/gtest.h>

namespace bitreel {
namespace {

TEST(Volumes, OnlyVolumesAUserWouldRecogniseAreDrives) {
    const struct {
        const char* root;
        const char* type;
        bool drive;
    } cases[] = {
        {"/", "overlay", true},
        {"/", "ext4", true},
        {"/home", "ext4", true},
        {"/media/usb", "vfat", true},
        {"/run/media/ann/CARD", "exfat", true},
        {"/proc", "proc", false},
        {"/sys", "sysfs", false},
        {"/sys/fs/cgroup", "cgroup2", false},
        {"/dev", "devtmpfs", false},
        {"/dev/shm", "tmpfs", false},
        {"/run", "tmpfs", false},
        {"/run/user/1000", "tmpfs", false},
        {"/snap/core/1", "squashfs", false},
        {"/mnt/data", "squashfs", false},
        {"/proc/sys/fs/binfmt_misc", "binfmt_misc", false},
        {"/devices", "ext4", true}, // only whole folder names count
    };
    for (const auto& c : cases) {
        EXPECT_EQ(IsRecognisedVolume(c.root, c.type), c.drive) << c.root << " " << c.type;
    }
}

TEST(Volumes, APathLiesOnTheVolumesAboveIt) {
    const struct {
        const char* path;
        const char* root;
        bool on;
    } cases[] = {
        {"/home/ann", "/", true},
        {"/", "/", true},
        {"/home/ann", "/home", true},
        {"/home", "/home", true},
        {"/homework", "/home", false},
        {"/home", "/home/ann", false},
        {"/media/usb/x", "/media/usb/", true},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(PathIsOn(c.path, c.root), c.on) << c.path << " on " << c.root;
    }
}

} // namespace
} // namespace bitreel
