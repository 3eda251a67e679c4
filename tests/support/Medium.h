#pragma once

// A small file system made in an image file and mounted in a temporary
// folder, as the sticks and cards people carry: FAT32, exFAT and NTFS through
// FUSE, and ext4 (the kernel's) as the control. Unmounted whatever happens.

#include <string>

#include "support/TempDir.h"

enum class MediumKind { Ext4, Fat32, Exfat, Ntfs };

const char* MediumName(MediumKind kind);

class Medium {
  public:
    // Makes and mounts the file system (megabytes in size); Root() is empty
    // and Why() says what was missing when that could not be done.
    Medium(MediumKind kind, int megabytes = 40, bool readOnly = false);
    ~Medium();
    Medium(const Medium&) = delete;
    Medium& operator=(const Medium&) = delete;

    bool Mounted() const { return mounted_; }
    const std::string& Why() const { return why_; }
    // The mounted folder.
    const std::string& Root() const { return root_; }
    std::string File(const std::string& name) const { return root_ + "/" + name; }
    // Takes the medium away (a pulled stick), and brings it back.
    void Unmount();
    bool Mount();
    // Fills the free space with a file of its own.
    void Fill();

  private:
    bool Run(const std::string& command);
    TempDir dir_;
    MediumKind kind_;
    bool readOnly_;
    std::string image_, root_, loop_, why_;
    bool mounted_ = false;
};
