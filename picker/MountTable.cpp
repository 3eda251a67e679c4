#include "picker/MountTable.h"

#include <mntent.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QSet>
#include <QStorageInfo>
#include <QStringList>
#include <algorithm>

namespace {

// udev escapes blanks and other bytes of a label as \xNN.
QString UnescapeLabel(const QString& name) {
    QByteArray bytes;
    const QByteArray raw = QFile::encodeName(name);
    for (qsizetype i = 0; i < raw.size(); ++i) {
        bool ok = false;
        const int byte = raw.mid(i + 2, 2).toInt(&ok, 16);
        if (raw[i] == '\\' && i + 3 < raw.size() && raw[i + 1] == 'x' && ok) {
            bytes += char(byte);
            i += 3;
        } else {
            bytes += raw[i];
        }
    }
    return QString::fromUtf8(bytes);
}

// Device file -> label, from the links udev keeps; reads no volume.
QHash<QString, QString> DeviceLabels() {
    QHash<QString, QString> labels;
    const QDir byLabel(QStringLiteral("/dev/disk/by-label"));
    for (const QFileInfo& link : byLabel.entryInfoList(QDir::System | QDir::Files))
        labels.insert(link.canonicalFilePath(), UnescapeLabel(link.fileName()));
    return labels;
}

}  // namespace

bool PathHolds(const QString& base, const QString& folder) {
    if (SamePath(base, folder)) return true;
    const QString prefix = base.endsWith(QLatin1Char('/')) ? base : base + QLatin1Char('/');
    return folder.size() > prefix.size() && SamePath(folder.left(prefix.size()), prefix);
}

// A volume unmounted since the tree was built now resolves to the volume
// above its mount point, so the root path must still match.
bool VolumeReady(const QString& mountPath) {
    const QStorageInfo info(mountPath);
    return info.isValid() && info.isReady() &&
           SamePath(QDir::cleanPath(info.rootPath()), QDir::cleanPath(mountPath));
}

bool SamePath(const QString& a, const QString& b) {
#ifdef Q_OS_WIN
    return a.compare(b, Qt::CaseInsensitive) == 0;
#else
    return a == b;
#endif
}

bool IsNetworkVolume(const QString& fileSystemType) {
    static const QSet<QString> network = {"nfs",    "nfs4",  "cifs", "smb3",   "smbfs",
                                          "ncpfs",  "9p",    "afs",  "ceph",   "glusterfs",
                                          "lustre", "davfs", "fuse", "fuseblk"};
    return network.contains(fileSystemType) || fileSystemType.startsWith(QLatin1String("fuse."));
}

QList<TDirVolume> FilterVolumes(QList<TDirVolume> volumes) {
    static const QSet<QString> pseudo = {
        "autofs",      "binfmt_misc",   "bpf",       "cgroup",     "cgroup2",    "configfs",
        "debugfs",     "devpts",        "devtmpfs",  "efivarfs",   "fusectl",    "fuse.gvfsd-fuse",
        "fuse.portal", "fuse.snapfuse", "hugetlbfs", "mqueue",     "nfsd",       "nsfs",
        "proc",        "pstore",        "ramfs",     "rpc_pipefs", "securityfs", "selinuxfs",
        "squashfs",    "sysfs",         "tmpfs",     "tracefs"};
    // Containers bind-mount single files below /etc (hosts, resolv.conf).
    static const QStringList systemTrees = {"/proc", "/sys", "/dev", "/snap", "/etc"};

    QList<TDirVolume> kept;
    for (const TDirVolume& volume : volumes) {
        if (volume.MountPath.isEmpty()) continue;
        // The system root stays whatever it is: containers and live systems run
        // from an overlay or tmpfs. Elsewhere those are the system's own.
        if (volume.MountPath != QLatin1String("/")) {
            const QString& type = volume.FileSystemType;
            if (pseudo.contains(type) || type == QLatin1String("overlay")) continue;
            const bool inSystemTree =
                std::any_of(systemTrees.begin(), systemTrees.end(),
                            [&](const QString& t) { return PathHolds(t, volume.MountPath); });
            if (inSystemTree) continue;
        }
        // A later mount on the same folder hides the earlier one.
        kept.removeIf([&](const TDirVolume& v) { return v.MountPath == volume.MountPath; });
        kept.append(volume);
    }
    std::stable_sort(kept.begin(), kept.end(), [](const TDirVolume& a, const TDirVolume& b) {
        const bool aRoot = a.MountPath == QLatin1String("/");
        const bool bRoot = b.MountPath == QLatin1String("/");
        if (aRoot != bRoot) return aRoot;
        return a.MountPath < b.MountPath;
    });
    return kept;
}

QList<TDirVolume> ReadMountTable(const QString& file) {
    QList<TDirVolume> volumes;
    FILE* table = setmntent(QFile::encodeName(file).constData(), "r");
    if (!table) return volumes;
    const QHash<QString, QString> labels = DeviceLabels();
    mntent entry{};
    char buffer[4096];
    // getmntent_r undoes the table's octal escapes (\040 for a blank).
    while (getmntent_r(table, &entry, buffer, sizeof buffer)) {
        const QString device = QFile::decodeName(entry.mnt_fsname);
        QString name = labels.value(device);
        if (name.isEmpty()) name = QFileInfo(device).fileName();
        if (name.isEmpty()) name = device;
        volumes.append({QDir::cleanPath(QFile::decodeName(entry.mnt_dir)), name,
                        QString::fromLatin1(entry.mnt_type)});
    }
    endmntent(table);
    return volumes;
}
