#pragma once

// The mounted volumes the folder picker offers, from the system's mount
// table. Needs QtCore only.

#include <QList>
#include <QString>

// One mounted volume as the tree offers it.
struct TDirVolume {
    QString MountPath;
    QString Name;  // the label, or the device's name when the volume has none
    QString FileSystemType;
};

// Network and FUSE file systems: any question to them may block for as long
// as their server or daemon is gone, so the tree never asks them anything
// before the user expands them.
bool IsNetworkVolume(const QString& fileSystemType);
// Keeps the volumes a user can keep music on: no pseudo or system-internal
// file systems, no bind-mounted single files. "/" first, then by mount path.
QList<TDirVolume> FilterVolumes(QList<TDirVolume> volumes);
// The entries of a mount table in the format of /proc/self/mounts. Only the
// table (and the label links of /dev/disk/by-label) is read, no volume.
QList<TDirVolume> ReadMountTable(const QString& file = QStringLiteral("/proc/self/mounts"));

// Folder paths are compared the way the file system names them.
bool SamePath(const QString& a, const QString& b);
// True when folder is base itself or lies below it.
bool PathHolds(const QString& base, const QString& folder);
// Whether the volume mounted at mountPath can be read now.
bool VolumeReady(const QString& mountPath);
