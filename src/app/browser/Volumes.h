#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

namespace bitreel {

// Whether a mounted volume is one a user would recognise as a drive: the
// root file system and real disks, not the kernel's own views (/proc, /sys,
// /dev, /run and the like) nor snap images.
[[nodiscard]] bool IsRecognisedVolume(const QString& root, const QByteArray& fileSystemType);

// The roots of the mounted volumes a user would recognise, sorted; on Windows
// the drive letters.
[[nodiscard]] QStringList RecognisedVolumes();

// Whether path lies on the volume mounted at root (root itself included).
[[nodiscard]] bool PathIsOn(const QString& path, const QString& root);

} // namespace bitreel
