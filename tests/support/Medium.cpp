#include "support/Medium.h"

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>

#include "support/Cli.h"

const char* MediumName(MediumKind kind) {
    switch (kind) {
        case MediumKind::Ext4:
            return "ext4";
        case MediumKind::Fat32:
            return "FAT32";
        case MediumKind::Exfat:
            return "exFAT";
        case MediumKind::Ntfs:
            return "NTFS";
    }
    return "";
}

// A driver that hangs must not hang the tests.
bool Medium::Run(const std::string& command) {
    return std::system(("timeout 120 " + command + " >/dev/null 2>&1").c_str()) == 0;
}

Medium::Medium(MediumKind kind, int megabytes, bool readOnly) : kind_(kind), readOnly_(readOnly) {
    image_ = dir_.File("medium.img");
    root_ = dir_.File("mnt");
    std::filesystem::create_directory(root_);
    if (::geteuid() != 0) {
        why_ = "mounting images needs root";
        return;
    }
    if (kind != MediumKind::Ext4 && ::access("/dev/fuse", R_OK | W_OK) != 0) {
        why_ = "/dev/fuse is not available";
        return;
    }
    const char* mkfs = "";
    switch (kind) {
        case MediumKind::Ext4:
            mkfs = "mkfs.ext4 -q -F -m 0";  // no blocks kept for root, who runs the tests
            break;
        case MediumKind::Fat32:
            mkfs = "mkfs.vfat -F 32";
            break;
        case MediumKind::Exfat:
            mkfs = "mkfs.exfat";
            break;
        case MediumKind::Ntfs:
            mkfs = "mkfs.ntfs -F -Q";
            break;
    }
    const std::string image = ShellQuote(image_);
    if (!Run("truncate -s " + std::to_string(megabytes) + "M " + image) ||
        !Run(std::string(mkfs) + " " + image)) {
        why_ = std::string(mkfs) + " failed (is its package installed?)";
        return;
    }
    if (!Mount()) why_ = std::string("mounting ") + MediumName(kind) + " failed";
}

bool Medium::Mount() {
    if (mounted_) return true;
    const std::string image = ShellQuote(image_), root = ShellQuote(root_);
    const std::string ro = readOnly_ ? "ro" : "rw";
    bool ok = false;
    if (kind_ == MediumKind::Ext4) {
        ok = Run("mount -o loop," + ro + " " + image + " " + root);
    } else if (kind_ == MediumKind::Fat32) {
        ok =
            Run("fusefat -o " + (readOnly_ ? std::string("ro") : "rw+") + " " + image + " " + root);
    } else {
        // exFAT and NTFS drivers want a block device when run as root.
        if (loop_.empty()) {
            FILE* out = ::popen(("losetup -f --show " + image + " 2>/dev/null").c_str(), "r");
            char line[256] = {};
            if (out && std::fgets(line, sizeof line, out)) loop_ = line;
            if (out) ::pclose(out);
            while (!loop_.empty() && (loop_.back() == '\n')) loop_.pop_back();
        }
        if (!loop_.empty()) {
            const std::string tool = kind_ == MediumKind::Exfat ? "mount.exfat-fuse" : "ntfs-3g";
            ok = Run(tool + " -o " + ro + " " + loop_ + " " + root);
        }
    }
    mounted_ = ok && Run("mountpoint -q " + root);
    return mounted_;
}

void Medium::Unmount() {
    if (!mounted_) return;
    const std::string root = ShellQuote(root_);
    if (!Run((kind_ == MediumKind::Ext4 ? "umount " : "fusermount -u ") + root))
        Run("umount -l " + root);
    mounted_ = false;
}

void Medium::Fill() {
    // Large writes first, then ever smaller ones into the last free blocks.
    for (const char* size : {"64k", "4k", "1k", "512"}) {
        Run("dd if=/dev/zero of=" + ShellQuote(File(std::string("fill-") + size)) + " bs=" + size);
        Run("sync");
    }
}

Medium::~Medium() {
    Unmount();
    if (!loop_.empty()) Run("losetup -d " + loop_);
}
