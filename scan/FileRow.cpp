#include "scan/FileRow.h"

#include <cmath>
#include <cstdio>

#include "tags/MPEGaudio.h"
#include "tags/Text.h"

int ImageIndexForBitRate(int bitRate) {
    if (bitRate <= 128) return 0;
    if (bitRate < 192) return 1;
    return 2;
}

std::string PlayTimeText(double seconds) {
    // Minutes and seconds come from the same whole number of seconds, so a
    // value just below a full minute cannot show a negative second count.
    int64_t whole = 0;
    if (std::isfinite(seconds) && seconds > 0) {
        whole = seconds >= 9.0e15 ? static_cast<int64_t>(9.0e15) : static_cast<int64_t>(seconds);
    }
    const int64_t m = whole / 60;
    const int64_t s = whole % 60;
    char buffer[48];
    std::snprintf(buffer, sizeof buffer, "%lld:%02lld", static_cast<long long>(m),
                  static_cast<long long>(s));
    return buffer;
}

std::string SizeText(int64_t bytes) {
    // "%.2f" takes the decimal point of LC_NUMERIC, as the user expects.
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, "%.2f MB", static_cast<double>(bytes) / 1024.0 / 1024.0);
    return buffer;
}

namespace {

std::string TagCell(std::string_view text) {
    return TrimBlanks(text);
}

// The six tag cells from the tag, empty when the file has none.
template <typename Tag>
void SetTagCells(const Tag& t, FileRow& row) {
    const TagTexts texts = t.Exists() ? TextsOf(t) : TagTexts{};
    for (const TagField field : AllTagFields) row.Cells[ColumnOf(field)] = TagCell(texts[field]);
}

}  // namespace

bool BuildFileRow(const TMPEGaudio& audio, int scanLevel, const std::string& folder,
                  const std::string& fileName, FileRow& row) {
    if (!audio.IsValid()) return false;
    const int bitRate = audio.BitRate();

    row.ImageIndex = ImageIndexForBitRate(bitRate);
    auto& c = row.Cells;
    c[ColDatei] = fileName;
    if (scanLevel == 1) {
        SetTagCells(audio.Tag1(), row);
        row.Track = audio.Tag1().Exists() ? audio.Tag1().Track() : 0;
    } else {
        SetTagCells(audio.Tag2(), row);
        row.Track = audio.Tag2().Exists() ? audio.Tag2().Track() : 0;
    }
    row.Seconds = audio.PlayTime();
    c[ColBitrate] = std::to_string(bitRate) + " KBit/s";
    c[ColSamplerate] = std::to_string(audio.SampleRate()) + " Hz";
    c[ColLaenge] = PlayTimeText(audio.PlayTime());
    c[ColDateigroesse] = SizeText(audio.FileBytes());
    c[ColCodec] = audio.EncoderText();
    c[ColPfad] = folder;
    if (folder.empty() || folder.back() != '/') c[ColPfad].push_back('/');
    return true;
}
