#pragma once

// The cover tool's file work: add, replace, shrink, retype and remove the
// pictures of a file's ID3v2 tag (either scan level: pictures live there),
// each file a save of the run, so a run is one step of the history.

#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <string_view>

#include "ops/Outcome.h"
#include "ops/SaveRun.h"
#include "tags/Pictures.h"

// Why a file was left as it was, beside a failed save.
enum class CoverSkip {
    None,
    NoPicture,      // nothing of the asked type to change or remove
    NoFolderImage,  // no cover image in the file's folder
    BrokenImage,    // a picture to shrink could not be decoded
    TypeTaken,      // the file has a picture of the new type already
};

// An image as it goes into tags: its bytes and MIME type.
struct CoverImage {
    std::string Data;
    std::string Mime;  // "image/jpeg", "image/png"
};

// "image/jpeg" or "image/png" by the image's first bytes; empty for neither.
std::string ImageMime(std::string_view data);

// An image file (a regular file of at most maxBytes, JPEG or PNG by its
// first bytes); nothing otherwise.
std::optional<CoverImage> ReadCoverImage(const std::string& path, int64_t maxBytes);

// A picture scaled down: the new JPEG, nothing when it is small enough
// already; Broken when it cannot be decoded.
struct Shrunk {
    bool Broken = false;
    std::optional<std::string> Jpeg;
};
using Shrinker = std::function<Shrunk(std::string_view data)>;

struct CoverAction {
    enum Kind { Set, FromFolder, Shrink, SetType, Remove } What = Set;
    uint8_t Type = id3v2::kFrontCover;  // Set, FromFolder: the type put; SetType: the new type
    std::optional<uint8_t> Only;        // SetType, Remove: the pictures of this type only
    CoverImage Image;                   // Set
    Shrinker Scale;                     // Shrink
};

// The image files of the folders a run met, each read once: the first of
// "cover.jpg", "folder.jpg", "front.jpg", "cover.png", "folder.png" (ASCII
// case ignored) in a folder.
class FolderImages {
  public:
    const CoverImage* Of(const std::string& filePath);

  private:
    std::map<std::string, std::optional<CoverImage>> folders_;
};

struct CoverOutcome {
    SaveOutcome Save;
    CoverSkip Skip = CoverSkip::None;
};
using CoverDone = std::function<void(const CoverOutcome&)>;

// The CLI's names of the picture types ("front", "back", ...), by type.
std::string_view PictureTypeKey(uint8_t type);
// The type of a name or a number 0..20.
std::optional<uint8_t> PictureTypeOf(std::string_view key);

// Adds the file's change to the run; done runs after its group (at once for
// a file left alone before that). action and folders must outlive the run.
void CoverFile(SaveRun& run, const std::string& path, const CoverAction& action,
               FolderImages& folders, const CoverDone& done);

// Notes a file's outcome in a run's end message; false when it was written.
bool ReportCover(RunReport& report, const std::string& path, const CoverOutcome& outcome);

// The file name of an extracted picture: the MP3 file's name without its
// extension, the picture's type when the file has several, and the
// extension of its MIME type.
std::string ExtractedName(const std::string& mp3Path, const id3v2::Picture& picture, bool several);
