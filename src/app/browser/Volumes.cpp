#include "app/browser/Volumes.h"

#include <QFileInfo>
#include <QStorageInfo>

#include <algorithm>
#include <array>
#include <string_view>

namespace bitreel {
namespace {

// File systems that hold no files of the user's.
constexpr auto kPseudoFileSystems = std::to_array<std::string_view>({
    "autofs",     "binfmt_misc", "bpf",      "cgroup",   "cgroup2", "configfs",
    "debugfs",    "devpts",      "devtmpfs", "efivarfs", "fusectl", "hugetlbfs",
    "mqueue",     "nsfs",        "proc",     "pstore",   "ramfs",   "rpc_pipefs",
    "securityfs", "selinuxfs",   "squashfs", "sysfs",    "tracefs", "fuse.gvfsd-fuse",
});

// Where the system keeps its own mounts; /run/media is where desktops mount
// removable disks, so it stays.
constexpr auto kSystemFolders =
    std::to_array<std::string_view>({"/proc", "/sys", "/dev", "/run", "/snap"});

bool IsUnder(const QString& path, std::string_view folder) {
    const QString f = QString::fromLatin1(folder.data(), static_cast<qsizetype>(folder.size()));
    return path == f || path.startsWith(f + u'/');
}

} // namespace

bool IsRecognisedVolume(const QString& root, const QByteArray& fileSystemType) {
    if (root == QStringLiteral("/")) {
        return true;
    }
    const std::string_view type(fileSystemType.constData(),
                                static_cast<std::size_t>(fileSystemType.size()));
    if (std::find(kPseudoFileSystems.begin(), kPseudoFileSystems.end(), type) !=
        kPseudoFileSystems.end()) {
        return false;
    }
    if (IsUnder(root, "/run/media")) {
        return true;
    }
    return std::none_of(kSystemFolders.begin(), kSystemFolders.end(),
                        [&](std::string_view folder) { return IsUnder(root, folder); });
}

QStringList RecognisedVolumes() {
    QStringList roots;
    for (const QStorageInfo& volume : QStorageInfo::mountedVolumes()) {
        const QString root = volume.rootPath();
        // Containers bind single files (/etc/hosts) as mounts: not drives.
        if (volume.isValid() && volume.isReady() && QFileInfo(root).isDir() &&
            IsRecognisedVolume(root, volume.fileSystemType()) && !roots.contains(root)) {
            roots.append(root);
        }
    }
    roots.sort(Qt::CaseInsensitive);
    return roots;
}

bool PathIsOn(const QString& path, const QString& root) {
#ifdef Q_OS_WIN
    constexpr Qt::CaseSensitivity cs = Qt::CaseInsensitive;
#else
    constexpr Qt::CaseSensitivity cs = Qt::CaseSensitive;
#endif
    const QString folder = root.endsWith(u'/') ? root : root + u'/';
    return path.compare(root, cs) == 0 || (path + u'/').startsWith(folder, cs);
}

} // namespace bitreel
