#include <fcntl.h>
#include <sys/stat.h>

#include <array>
#include <cstdio>
#include <string>
#include <string_view>

#include "cli/Args.h"
#include "cli/Commands.h"
#include "cli/Report.h"
#include "ops/Reasons.h"
#include "scan/FileRow.h"
#include "tags/Convert.h"
#include "tags/MPEGaudio.h"
#include "tags/PosixFile.h"
#include "tags/TagArea.h"

namespace {

// Frame header codes as they stand in the header.
constexpr std::array<std::string_view, 4> kVersionNames = {"MPEG 2.5", "reserviert", "MPEG 2",
                                                           "MPEG 1"};
constexpr std::array<std::string_view, 4> kLayerNames = {"reserviert", "Layer III", "Layer II",
                                                         "Layer I"};
constexpr std::array<std::string_view, 4> kModeNames = {"Stereo", "Joint Stereo", "Dual Channel",
                                                        "Mono"};

template <size_t N>
std::string_view NameOf(const std::array<std::string_view, N>& names, unsigned code) {
    return code < N ? names[code] : std::string_view("unbekannt");
}

class Lines {
  public:
    void Add(std::string_view name, std::string_view value) {
        out_.append(name).append(": ");
        AppendEscaped(out_, value);
        out_ += '\n';
    }
    void Add(std::string_view name, long long value) { Add(name, std::to_string(value)); }
    const std::string& Text() const { return out_; }

  private:
    std::string out_;
};

std::string Seconds(double value) {
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, "%.3f", value);
    return buffer;
}

void AddTag1(Lines& l, const TID3v1& t) {
    l.Add("ID3v1.Exists", YesNo(t.Exists()));
    l.Add("ID3v1.VersionID", t.VersionID());
    l.Add("ID3v1.Title", t.Title());
    l.Add("ID3v1.Artist", t.Artist());
    l.Add("ID3v1.Album", t.Album());
    l.Add("ID3v1.Year", t.Year());
    l.Add("ID3v1.Comment", t.Comment());
    l.Add("ID3v1.Track", t.Track());
    l.Add("ID3v1.GenreID", t.GenreID());
    l.Add("ID3v1.Genre", t.Genre());
}

void AddTag2(Lines& l, const TID3v2& t) {
    l.Add("ID3v2.Exists", YesNo(t.Exists()));
    l.Add("ID3v2.VersionID", t.VersionID());
    l.Add("ID3v2.Size", t.Size());
    l.Add("ID3v2.Title", t.Title());
    l.Add("ID3v2.Artist", t.Artist());
    l.Add("ID3v2.Album", t.Album());
    l.Add("ID3v2.Track", t.Track());
    l.Add("ID3v2.Year", t.Year());
    l.Add("ID3v2.Genre", t.Genre());
    l.Add("ID3v2.Comment", t.Comment());
    l.Add("ID3v2.OtherFrames", t.OtherFrameIDList());
}

std::string_view EncodingName(int encoding) {
    switch (encoding) {
        case 0:
            return "ISO-8859-1";
        case 1:
            return "UTF-16";
        case 2:
            return "UTF-16BE";
        case 3:
            return "UTF-8";
        default:
            return "unbekannt";
    }
}

// "TIT2=UTF-16 TPE1=ISO-8859-1 POPM": each frame's id and the encoding of
// its texts.
std::string FramesWithEncodings(const std::string& file) {
    PosixFile f(file, O_RDONLY | O_NONBLOCK);
    struct stat st {};
    TagAreas areas;
    id3v2::ParsedTag parsed;
    if (!f.IsOpen() || ::fstat(f.Fd(), &st) != 0 ||
        ReadTagAreas(f, st.st_size, areas) != AreaRead::Ok ||
        !id3v2::HasReadableFrames(areas.Info) || !id3v2::ParseTag(areas.Head, areas.Info, parsed)) {
        return {};
    }
    std::string text;
    for (const auto& frame : id3v2::FrameEncodings(parsed)) {
        if (!text.empty()) text += ' ';
        text += frame.Id;
        if (frame.Encoding >= 0) (text += '=') += EncodingName(frame.Encoding);
    }
    return text;
}

void AddStream(Lines& l, const TMPEGaudio& a) {
    const FrameHeader& f = a.Frame();
    const VBRData& v = a.VBR();
    l.Add("MPEG.FileBytes", a.FileBytes());
    l.Add("MPEG.FrameFound", YesNo(f.Found));
    l.Add("MPEG.FramePosition", f.Position);
    l.Add("MPEG.FrameSize", f.Size);
    l.Add("MPEG.Version", NameOf(kVersionNames, f.VersionID));
    l.Add("MPEG.Layer", NameOf(kLayerNames, f.LayerID));
    l.Add("MPEG.Mode", NameOf(kModeNames, f.ModeID));
    l.Add("MPEG.BitRate", std::to_string(a.BitRate()) + " KBit/s");
    l.Add("MPEG.SampleRate", std::to_string(a.SampleRate()) + " Hz");
    l.Add("MPEG.PlayTime", Seconds(a.PlayTime()) + " s");
    l.Add("MPEG.PlayTimeText", PlayTimeText(a.PlayTime()));
    l.Add("MPEG.VBR", v.Present ? std::string_view(v.Tag) : std::string_view("keiner"));
    l.Add("MPEG.VBRFrames", v.FrameCount);
    l.Add("MPEG.VBRBytes", v.ByteCount);
    l.Add("MPEG.VBRQuality", v.Quality);
    l.Add("MPEG.VBRVendor", v.Vendor);
    l.Add("MPEG.VendorText", a.VendorText());
    l.Add("MPEG.Encoder", a.EncoderText());
    l.Add("MPEG.Valid", YesNo(a.IsValid()));
}

}  // namespace

std::string UsageInfo() {
    return "  info DATEI\n"
           "      Zeigt beide Tags und die Daten des MPEG-Audiostroms von DATEI, eine\n"
           "      Angabe \"Name: Wert\" je Zeile; ID3v2.Frames nennt jeden Frame des\n"
           "      ID3v2-Tags mit der Kodierung seiner Texte (TIT2=UTF-16).\n";
}

int CmdInfo(const std::vector<std::string>& args) {
    const auto parsed = ParseArgs(args, "info", UsageInfo(), {}, {}, 1, 1);
    if (!parsed) return 2;
    const std::string& file = parsed->Positional[0];
    if (!CheckReadableFile(file)) return 2;

    TMPEGaudio audio;
    audio.ReadFromFile(file);
    if (audio.Unreadable()) std::fputs((UnreadableFileText(file) + "\n").c_str(), stderr);

    Lines lines;
    lines.Add("Datei", file);
    AddTag1(lines, audio.Tag1());
    AddTag2(lines, audio.Tag2());
    lines.Add("ID3v2.Frames", FramesWithEncodings(file));
    AddStream(lines, audio);
    std::fwrite(lines.Text().data(), 1, lines.Text().size(), stdout);
    return audio.Unreadable() ? 1 : 0;
}
