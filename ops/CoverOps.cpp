#include "ops/CoverOps.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>

#include <algorithm>
#include <array>
#include <memory>

#include "ops/Reasons.h"
#include "tags/ID3v2.h"
#include "tags/PosixFile.h"
#include "tags/Text.h"

namespace {

using id3v2::Picture;

constexpr std::array<std::string_view, 5> kFolderImages = {"cover.jpg", "folder.jpg", "front.jpg",
                                                           "cover.png", "folder.png"};
// No cover of a folder is larger; a larger file is no cover.
constexpr int64_t kMaxImageBytes = int64_t{16} << 20;

std::string FolderOf(const std::string& path) {
    const size_t slash = path.rfind('/');
    return slash == std::string::npos ? "." : path.substr(0, slash == 0 ? 1 : slash);
}

// The picture as the version stores its MIME type.
Picture Stored(uint8_t type, const CoverImage& image) {
    return id3v2::NewPicture(type, image.Mime, image.Data);
}

// Puts image as the picture of type: in the place of the first picture of
// that type (any others of it go), or behind the others.
void PutPicture(std::vector<Picture>& pictures, uint8_t type, const CoverImage& image) {
    bool placed = false;
    for (auto it = pictures.begin(); it != pictures.end();) {
        if (it->Type != type) {
            ++it;
            continue;
        }
        if (placed) {
            it = pictures.erase(it);
            continue;
        }
        const int origin = it->Origin;
        *it = Stored(type, image);
        it->Origin = origin;
        placed = true;
        ++it;
    }
    if (!placed) pictures.push_back(Stored(type, image));
}

bool SameAs(const Picture& p, uint8_t type, const CoverImage& image) {
    return p.Type == type && p.Data == image.Data && id3v2::MimeOf(p) == image.Mime;
}

// The edit of one file; sets skip when the file stays as it is for a reason.
// image is the one to put for Set and FromFolder, never null there.
bool Edit(const CoverAction& a, const CoverImage* image, std::vector<Picture>& pictures,
          CoverSkip& skip) {
    const auto matches = [&a](const Picture& p) { return !a.Only || p.Type == *a.Only; };
    switch (a.What) {
        case CoverAction::Set:
        case CoverAction::FromFolder: {
            // CoverFile has named a folder without an image already.
            const auto of = std::count_if(pictures.begin(), pictures.end(),
                                          [&a](const Picture& p) { return p.Type == a.Type; });
            const auto same = std::find_if(pictures.begin(), pictures.end(), [&](const Picture& p) {
                return SameAs(p, a.Type, *image);
            });
            if (of == 1 && same != pictures.end()) return false;  // there already
            PutPicture(pictures, a.Type, *image);
            return true;
        }
        case CoverAction::Shrink: {
            bool changed = false;
            for (Picture& p : pictures) {
                const Shrunk s = a.Scale(p.Data);
                if (s.Broken) skip = CoverSkip::BrokenImage;
                if (!s.Jpeg) continue;
                p.Data = *s.Jpeg;
                p.DataSize = p.Data.size();
                p.Mime = "image/jpeg";
                p.Changed = changed = true;
            }
            if (changed) skip = CoverSkip::None;
            return changed;
        }
        case CoverAction::SetType: {
            auto it = std::find_if(pictures.begin(), pictures.end(), matches);
            if (it == pictures.end()) {
                skip = CoverSkip::NoPicture;
                return false;
            }
            if (it->Type == a.Type) return false;
            if (std::any_of(pictures.begin(), pictures.end(),
                            [&a](const Picture& p) { return p.Type == a.Type; })) {
                skip = CoverSkip::TypeTaken;
                return false;
            }
            it->Type = a.Type;
            it->Changed = true;
            return true;
        }
        case CoverAction::Remove: {
            const auto before = pictures.size();
            std::erase_if(pictures, matches);
            if (pictures.size() == before) skip = CoverSkip::NoPicture;
            return pictures.size() != before;
        }
    }
    return false;
}

}  // namespace

std::string_view PictureTypeKey(uint8_t type) {
    static constexpr std::array<std::string_view, id3v2::kPictureTypeCount> kKeys = {
        "other",        "icon",        "other-icon",    "front",       "back",           "leaflet",
        "media",        "lead-artist", "artist",        "conductor",   "band",           "composer",
        "lyricist",     "location",    "recording",     "performance", "screen-capture", "fish",
        "illustration", "band-logo",   "publisher-logo"};
    return type < kKeys.size() ? kKeys[type] : std::string_view("other");
}

std::optional<uint8_t> PictureTypeOf(std::string_view key) {
    for (uint8_t t = 0; t < id3v2::kPictureTypeCount; ++t)
        if (PictureTypeKey(t) == key) return t;
    if (!key.empty() && key.size() <= 2 &&
        std::all_of(key.begin(), key.end(), [](char c) { return c >= '0' && c <= '9'; })) {
        const int n = std::stoi(std::string(key));
        if (n < id3v2::kPictureTypeCount) return static_cast<uint8_t>(n);
    }
    return std::nullopt;
}

std::string ImageMime(std::string_view data) {
    if (data.starts_with("\xFF\xD8\xFF")) return "image/jpeg";
    if (data.starts_with("\x89PNG\r\n\x1A\n")) return "image/png";
    return {};
}

std::optional<CoverImage> ReadCoverImage(const std::string& path, int64_t maxBytes) {
    PosixFile file(path, O_RDONLY | O_NONBLOCK);
    struct stat st {};
    if (!file.IsOpen() || ::fstat(file.Fd(), &st) != 0 || !S_ISREG(st.st_mode) ||
        st.st_size > maxBytes) {
        return std::nullopt;
    }
    CoverImage image;
    image.Data.resize(static_cast<size_t>(st.st_size));
    if (file.ReadAt(image.Data.data(), image.Data.size(), 0) !=
        static_cast<ssize_t>(image.Data.size()))
        return std::nullopt;
    image.Mime = ImageMime(image.Data);
    if (image.Mime.empty()) return std::nullopt;
    return image;
}

const CoverImage* FolderImages::Of(const std::string& filePath) {
    const std::string folder = FolderOf(filePath);
    auto [it, fresh] = folders_.try_emplace(folder);
    if (fresh) {
        // The folder's names, by their lower case, for the first wanted one.
        std::map<std::string, std::string> names;
        if (DIR* dir = ::opendir(folder.c_str())) {
            while (const dirent* e = ::readdir(dir))
                names.emplace(AsciiLower(e->d_name), e->d_name);
            ::closedir(dir);
        }
        for (const std::string_view wanted : kFolderImages) {
            const auto name = names.find(std::string(wanted));
            if (name == names.end()) continue;
            it->second = ReadCoverImage(folder + "/" + name->second, kMaxImageBytes);
            if (it->second) break;
        }
    }
    return it->second ? &*it->second : nullptr;
}

void CoverFile(SaveRun& run, const std::string& path, const CoverAction& action,
               FolderImages& folders, const CoverDone& done) {
    const CoverImage* image = action.What == CoverAction::Set          ? &action.Image
                              : action.What == CoverAction::FromFolder ? folders.Of(path)
                                                                       : nullptr;
    if (action.What == CoverAction::FromFolder && !image)
        return done({{}, CoverSkip::NoFolderImage});
    struct State {
        CoverSkip Skip = CoverSkip::None;
        bool Unchanged = false;  // the edit found nothing to change
    };
    auto state = std::make_shared<State>();
    const writepath::HeadComposer padded = id3v2::HeadOf(
        id3v2::PictureComposer([&action, image, state](std::vector<Picture>& pictures, uint8_t) {
            state->Unchanged = !Edit(action, image, pictures, state->Skip);
            return !state->Unchanged;
        }),
        true);
    // Nothing to change leaves the tag area exactly as it is; a tag that
    // cannot be made (too large) fails as it does for every save.
    writepath::HeadComposer head = [padded, state](std::string_view oldHead,
                                                   const id3v2::TagInfo& header, std::string& tag) {
        if (padded(oldHead, header, tag)) return true;
        if (!state->Unchanged) return false;
        tag.assign(oldHead);
        return true;
    };
    run.Add({path, std::move(head)}, [done, state](const writepath::FilePlan& plan) {
        done({OutcomeOf(plan),
              plan.Why == writepath::Failure::None ? state->Skip : CoverSkip::None});
    });
}

bool ReportCover(RunReport& report, const std::string& path, const CoverOutcome& outcome) {
    if (outcome.Save.Outcome != FileOutcome::Written) {
        report.Add(path, outcome.Save);
        return true;
    }
    if (outcome.Skip == CoverSkip::None) return false;
    report.AddUnchanged(path, CoverSkipText(outcome.Skip));
    return true;
}

std::string ExtractedName(const std::string& mp3Path, const Picture& picture, bool several) {
    std::string name = mp3Path.substr(mp3Path.rfind('/') + 1);
    if (const size_t dot = name.rfind('.'); dot != std::string::npos && dot > 0) name.resize(dot);
    if (several) name += " (" + std::string(PictureTypeKey(picture.Type)) + ")";
    return name + (id3v2::MimeOf(picture) == "image/png" ? ".png" : ".jpg");
}
