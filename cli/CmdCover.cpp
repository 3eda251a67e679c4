// tonzettel-cli cover: the pictures in the ID3v2 tags.
#include <fcntl.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <functional>
#include <string>
#include <vector>

#include "cli/Args.h"
#include "cli/BackupRun.h"
#include "cli/Commands.h"
#include "cli/Images.h"
#include "cli/Report.h"
#include "ops/CoverOps.h"
#include "ops/Reasons.h"
#include "tags/PosixFile.h"

namespace {

// Calls each with every FILE's pictures; 1 when a file cannot be read.
int ForEachFile(const ParsedArgs& parsed,
                const std::function<void(const std::string& path,
                                         const std::vector<id3v2::Picture>& pictures)>& each) {
    int code = 0;
    for (const auto& path : parsed.Positional) {
        const auto pictures = id3v2::ReadPictures(path, true);
        if (!pictures) {
            ReportFile(path, "Die Datei kann nicht gelesen werden.");
            code = 1;
            continue;
        }
        each(path, *pictures);
    }
    return code;
}

int List(const ParsedArgs& parsed) {
    std::string out;
    const int code = ForEachFile(parsed, [&out](const std::string& path, const auto& pictures) {
        for (const auto& p : pictures) {
            const ImageFunctions* images = Images();
            const auto size = images ? images->PixelSizeOf(p.Data) : std::nullopt;
            out += path + "\t" + std::string(PictureTypeKey(p.Type)) + "\t" + id3v2::MimeOf(p) +
                   "\t" +
                   (size ? std::to_string(size->Width) + "x" + std::to_string(size->Height)
                         : std::string("-")) +
                   "\t" + std::to_string(p.DataSize) + "\n";
        }
    });
    std::fwrite(out.data(), 1, out.size(), stdout);
    return code;
}

// Writes each picture of each file into folder, never over a file there.
int Extract(const ParsedArgs& parsed, const std::string& folder) {
    if (!CheckReadableFolder(folder)) return 2;
    int failed = 0;
    const int code = ForEachFile(parsed, [&](const std::string& path, const auto& pictures) {
        for (const auto& p : pictures) {
            const std::string target = folder + "/" + ExtractedName(path, p, pictures.size() > 1);
            PosixFile file(::open(target.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644));
            if (!file.IsOpen() || !file.WriteAllAt(p.Data.data(), p.Data.size(), 0)) {
                ReportFile(path, "\"" + target +
                                     "\" kann nicht angelegt werden (gibt es die Datei schon?).");
                if (file.IsOpen()) ::unlink(target.c_str());
                failed = 1;
            }
        }
    });
    return code != 0 ? code : failed;
}

// The image of --set: any JPEG or PNG an ID3v2 tag can hold, its pixel size
// readable.
std::optional<CoverImage> LoadImage(const std::string& path) {
    auto image = ReadCoverImage(path, static_cast<int64_t>(id3v2::kMaxTagBody));
    const ImageFunctions* images = Images();
    if (!image || !images || !images->PixelSizeOf(image->Data)) return std::nullopt;
    return image;
}

}  // namespace

int CmdCover(const std::vector<std::string>& args) {
    const std::string usage = UsageCover();
    const auto parsed =
        ParseArgs(args, "cover", usage,
                  {"--set", "--type", "--max-size", "--set-type", "--extract", "--backup"},
                  {"--from-folder", "--remove"}, 1, SIZE_MAX);
    if (!parsed) return 2;
    int actions = 0;
    for (const char* a :
         {"--set", "--from-folder", "--max-size", "--set-type", "--remove", "--extract"})
        actions += parsed->Has(a) ? 1 : 0;
    if (actions > 1) return UsageError("cover", "Nur eine Aktion je Aufruf.", usage);
    if (actions == 0) return List(*parsed);
    if (parsed->Has("--extract")) return Extract(*parsed, parsed->Value("--extract"));

    CoverAction action;
    if (parsed->Has("--type")) {
        const auto type = PictureTypeOf(parsed->Value("--type"));
        if (!type)
            return UsageError("cover", "Unbekannter Bildtyp: " + parsed->Value("--type"), usage);
        action.Type = *type;
        action.Only = *type;
    }
    if (parsed->Has("--set")) {
        action.What = CoverAction::Set;
        auto image = LoadImage(parsed->Value("--set"));
        if (!image) {
            Fail("Das Bild \"" + parsed->Value("--set") +
                 "\" kann nicht gelesen werden (JPEG oder PNG).");
            return 2;
        }
        action.Image = std::move(*image);
    } else if (parsed->Has("--from-folder")) {
        action.What = CoverAction::FromFolder;
    } else if (parsed->Has("--max-size")) {
        const std::string v = parsed->Value("--max-size");
        const int edge =
            v.find_first_not_of("0123456789") == std::string::npos && !v.empty() && v.size() < 6
                ? std::stoi(v)
                : 0;
        if (edge < 16)
            return UsageError("cover", "--max-size braucht eine Pixelzahl ab 16.", usage);
        const ImageFunctions* images = Images();
        if (!images) return 2;
        action.What = CoverAction::Shrink;
        action.Scale = [shrink = images->ShrinkToJpeg, edge](std::string_view data) {
            return shrink(data, edge);
        };
    } else if (parsed->Has("--set-type")) {
        const auto type = PictureTypeOf(parsed->Value("--set-type"));
        if (!type)
            return UsageError("cover", "Unbekannter Bildtyp: " + parsed->Value("--set-type"),
                              usage);
        action.What = CoverAction::SetType;
        action.Type = *type;
    } else {
        action.What = CoverAction::Remove;
    }
    FolderImages folders;
    return RunOverFiles(*parsed, [&](SaveRun& run, const std::string& path, const auto& failed) {
        CoverFile(run, path, action, folders, [path, failed, &action](const CoverOutcome& o) {
            // A file with nothing to remove is as asked.
            if (o.Skip == CoverSkip::NoPicture && action.What == CoverAction::Remove) return;
            if (o.Save.Outcome != FileOutcome::Written) {
                if (ReportOutcome(path, o.Save, 2)) failed();
            } else if (o.Skip != CoverSkip::None) {
                ReportFile(path, CoverSkipText(o.Skip) + ".");
                failed();
            }
        });
    });
}

std::string UsageCover() {
    return "  cover DATEI...\n"
           "      Listet die Bilder im ID3v2-Tag jeder Datei, eines je Zeile: Datei, Typ,\n"
           "      MIME-Typ, Pixel (BREITExHÖHE) und Bytes, durch Tabulatoren getrennt.\n"
           "  cover --set BILD [--type TYP] [--backup ORDNER] DATEI...\n"
           "  cover --from-folder [--type TYP] [--backup ORDNER] DATEI...\n"
           "  cover --max-size PIXEL [--backup ORDNER] DATEI...\n"
           "  cover --set-type TYP [--type TYP] [--backup ORDNER] DATEI...\n"
           "  cover --remove [--type TYP] [--backup ORDNER] DATEI...\n"
           "  cover --extract ORDNER DATEI...\n"
           "      --set setzt BILD (JPEG oder PNG) als Bild des Typs (Vorgabe front) und\n"
           "      ersetzt ein Bild dieses Typs; --from-folder nimmt dafür cover.jpg,\n"
           "      folder.jpg, front.jpg, cover.png oder folder.png aus dem Ordner der\n"
           "      Datei. --max-size verkleinert Bilder, deren längere Kante größer ist,\n"
           "      auf PIXEL (JPEG, Qualität 90). --set-type gibt dem ersten Bild (mit\n"
           "      --type: dem Bild dieses Typs) den neuen Typ. --remove entfernt alle\n"
           "      Bilder, mit --type die dieses Typs. --extract schreibt die Bilder als\n"
           "      Dateien nach ORDNER, benannt nach der MP3-Datei; eine vorhandene Datei\n"
           "      wird nie ersetzt. TYP: other, icon, other-icon, front, back, leaflet,\n"
           "      media, lead-artist, artist, conductor, band, composer, lyricist,\n"
           "      location, recording, performance, screen-capture, fish, illustration,\n"
           "      band-logo, publisher-logo oder eine Zahl von 0 bis 20. Mit --backup\n"
           "      bleiben die alten Tags in ORDNER für \"restore\".\n";
}
