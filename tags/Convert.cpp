#include "tags/Convert.h"

#include <algorithm>
#include <cstring>
#include <optional>
#include <span>

#include "tags/ByteOrder.h"
#include "tags/Text.h"

namespace id3v2 {
namespace {

// The status flags, as both versions have them in other bits.
constexpr uint8_t kTagAlter = 1, kFileAlter = 2, kReadOnly = 4;

// A frame between the versions: its content with every format flag undone
// but compression and encryption, which are carried as they are.
struct Frame {
    std::string Id;
    uint8_t Status = 0;
    std::optional<uint8_t> Group, Method;
    bool Compressed = false;
    std::optional<uint32_t> FullSize;  // the data's size before compression
    // The content: the tag's own bytes where they stand plain, so a
    // picture is not copied on its way through.
    std::string_view Borrowed;
    std::optional<std::string> Own;
    std::string_view Content() const { return Own ? std::string_view(*Own) : Borrowed; }
    void SetContent(std::string content) { Own = std::move(content); }
    bool Sealed() const { return Compressed || Method.has_value(); }
};

std::span<const uint8_t> Bytes(std::string_view text) {
    return {reinterpret_cast<const uint8_t*>(text.data()), text.size()};
}

std::optional<Frame> ReadFrame(uint8_t version, bool tagUnsync, const FrameHeaderInfo& header,
                               std::string_view data) {
    Frame f;
    f.Id = header.Id;
    const auto status = static_cast<uint8_t>(header.Flags >> 8);
    const auto format = static_cast<uint8_t>(header.Flags & 0xFF);
    size_t at = 0;
    const auto take = [&](size_t count) -> std::optional<std::string_view> {
        if (data.size() - at < count) return std::nullopt;
        at += count;
        return data.substr(at - count, count);
    };
    const auto byte = [&]() -> std::optional<uint8_t> {
        const auto b = take(1);
        return b ? std::optional<uint8_t>(static_cast<uint8_t>((*b)[0])) : std::nullopt;
    };
    if (version == 3) {
        f.Status = ((status & 0x80) ? kTagAlter : 0) | ((status & 0x40) ? kFileAlter : 0) |
                   ((status & 0x20) ? kReadOnly : 0);
        if (format & 0x80) {
            const auto size = take(4);
            if (!size) return std::nullopt;
            f.Compressed = true;
            f.FullSize = ReadBigEndian32(Bytes(*size));
        }
        if ((format & 0x40) && !(f.Method = byte())) return std::nullopt;
        if ((format & 0x20) && !(f.Group = byte())) return std::nullopt;
        f.Borrowed = data.substr(at);
    } else if (version == 4) {
        f.Status = ((status & 0x40) ? kTagAlter : 0) | ((status & 0x20) ? kFileAlter : 0) |
                   ((status & 0x10) ? kReadOnly : 0);
        if ((format & 0x40) && !(f.Group = byte())) return std::nullopt;
        f.Compressed = (format & 0x08) != 0;
        if ((format & 0x04) && !(f.Method = byte())) return std::nullopt;
        if (format & 0x01) {
            const auto size = take(4);
            if (!size || !(f.FullSize = ReadSynchsafe32(Bytes(*size)))) return std::nullopt;
        }
        const std::string_view rest = data.substr(at);
        if ((format & 0x02) || tagUnsync) {
            f.SetContent(RemoveUnsync(rest));
        } else {
            f.Borrowed = rest;
        }
    } else {
        f.Borrowed = data;
    }
    return f;
}

// Appends the frame in the target's form, its content from put (which
// appends it to out); false when it is too large.
template <class Put>
bool PutFrame(uint8_t target, const Frame& f, std::string& out, const Put& put) {
    std::string extra;
    uint8_t status = 0, format = 0;
    uint8_t size[4];
    if (target == 3) {
        status = ((f.Status & kTagAlter) ? 0x80 : 0) | ((f.Status & kFileAlter) ? 0x40 : 0) |
                 ((f.Status & kReadOnly) ? 0x20 : 0);
        if (f.Compressed) {
            format |= 0x80;
            WriteBigEndian32(f.FullSize.value_or(0), size);
            extra.append(reinterpret_cast<const char*>(size), 4);
        }
        if (f.Method) (format |= 0x40, extra += static_cast<char>(*f.Method));
        if (f.Group) (format |= 0x20, extra += static_cast<char>(*f.Group));
    } else {
        status = ((f.Status & kTagAlter) ? 0x40 : 0) | ((f.Status & kFileAlter) ? 0x20 : 0) |
                 ((f.Status & kReadOnly) ? 0x10 : 0);
        if (f.Group) (format |= 0x40, extra += static_cast<char>(*f.Group));
        if (f.Compressed) format |= 0x08;
        if (f.Method) (format |= 0x04, extra += static_cast<char>(*f.Method));
        if (f.Sealed() && f.FullSize) {
            if (!WriteSynchsafe32(*f.FullSize, size)) return false;
            format |= 0x01;
            extra.append(reinterpret_cast<const char*>(size), 4);
        }
    }
    const size_t start = out.size();
    out += f.Id;
    out.append(4, '\0');
    out += static_cast<char>(status);
    out += static_cast<char>(format);
    out += extra;
    put(out);
    const size_t length = out.size() - start - 10;
    if (length >= kMaxTagBody) return false;
    if (target == 4) {
        WriteSynchsafe32(static_cast<uint32_t>(length), size);
    } else {
        WriteBigEndian32(static_cast<uint32_t>(length), size);
    }
    std::memcpy(out.data() + start + 4, size, 4);
    return true;
}

// 2.2's "PIC" as "APIC": the image format becomes a MIME type.
bool PictureOf22(Frame& f) {
    const std::string_view content = f.Content();
    if (content.size() < 5) return false;
    const std::string format = AsciiLower(content.substr(1, 3));
    const std::string mime = format == "jpg" ? "image/jpeg" : "image/" + format;
    f.SetContent(std::string(content.substr(0, 1)) + mime + '\0' + std::string(content.substr(4)));
    return true;
}

bool IsDigits(std::string_view text, size_t count) {
    return text.size() == count &&
           std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; });
}

// A text frame made by the conversion, with the status of the one it stands for.
Frame TextFrame(uint8_t target, std::string id, const std::string& text, const Frame& like) {
    Frame f;
    f.Id = std::move(id);
    f.Status = like.Status;
    f.Group = like.Group;
    f.SetContent(NewTextContent(target, {text}));
    return f;
}

class Converter {
  public:
    Converter(uint8_t target, Conversion& result) : target_(target), result_(result) {}

    std::vector<Frame> Frames;

    void Lose(std::string id, LossKind kind) {
        result_.Losses.push_back({std::move(id), kind});
        result_.Changed = true;
    }
    const Frame* Find(std::string_view id) const {
        for (const Frame& f : Frames)
            if (f.Id == id && !f.Sealed()) return &f;
        return nullptr;
    }
    bool Has(std::string_view id) const {
        return std::any_of(Frames.begin(), Frames.end(),
                           [id](const Frame& f) { return f.Id == id; });
    }
    std::string FirstText(const Frame& f) const {
        const auto strings = TextStrings(f.Content());
        return strings.empty() ? std::string() : TrimBlanks(strings.front(), true);
    }

    // The frames under the target's ids: dates and people lists in the
    // frames the target has for them.
    std::vector<Frame> Renamed() {
        std::vector<const Frame*> merged;  // gone into another frame
        const Frame* year = target_ == 4 && !Has("TDRC") ? Find("TYER") : nullptr;
        const std::string date = year ? DateOf(*year, merged) : std::string();
        // Both lists of people go into the one list 2.3 has.
        const Frame* people = nullptr;
        std::vector<std::string> names;
        for (const char* id : {"TIPL", "TMCL"}) {
            const Frame* list = target_ == 3 && !Has("IPLS") ? Find(id) : nullptr;
            if (!list) continue;
            const auto strings = TextStrings(list->Content());
            names.insert(names.end(), strings.begin(), strings.end());
            (people ? merged.push_back(list) : void(people = list));
        }
        std::vector<Frame> out;
        for (const Frame& f : Frames) {
            if (std::find(merged.begin(), merged.end(), &f) != merged.end()) continue;
            const auto rename = [&](const char* id) {
                out.push_back(f);
                out.back().Id = id;
                result_.Changed = true;
            };
            if (f.Sealed()) {
                out.push_back(f);
            } else if (&f == year) {
                out.push_back(TextFrame(4, "TDRC", date, f));
                result_.Changed = true;
            } else if (&f == people) {
                rename("IPLS");
                out.back().SetContent(NewTextContent(3, names));
            } else if (target_ == 4 && f.Id == "TORY" && !Has("TDOR")) {
                rename("TDOR");
            } else if (target_ == 4 && f.Id == "IPLS" && !Has("TIPL")) {
                rename("TIPL");
            } else if (target_ == 3 && f.Id == "TDOR" && !Has("TORY")) {
                const std::string original = FirstText(f);
                if (original.size() > 4) Lose("TDOR", LossKind::Precision);
                out.push_back(TextFrame(3, "TORY", original.substr(0, 4), f));
                result_.Changed = true;
            } else if (target_ == 3 && f.Id == "TDRC" && !Has("TYER")) {
                SplitDate(f, out);
            } else {
                out.push_back(f);
            }
        }
        return out;
    }

  private:
    // TYER, TDAT and TIME as one 2.4 time stamp; TDAT and TIME that do not
    // fit one stay as they are.
    std::string DateOf(const Frame& year, std::vector<const Frame*>& merged) {
        std::string date = FirstText(year);
        if (!IsDigits(date, 4)) return date;
        const Frame* day = Find("TDAT");
        const std::string dayMonth = day ? FirstText(*day) : std::string();
        if (!IsDigits(dayMonth, 4)) return date;
        merged.push_back(day);
        date += "-" + dayMonth.substr(2, 2) + "-" + dayMonth.substr(0, 2);
        const Frame* time = Find("TIME");
        const std::string hourMinute = time ? FirstText(*time) : std::string();
        if (!IsDigits(hourMinute, 4)) return date;
        merged.push_back(time);
        return date + "T" + hourMinute.substr(0, 2) + ":" + hourMinute.substr(2, 2);
    }

    // A 2.4 time stamp as TYER, TDAT (day and month) and TIME (hour and
    // minute), as far as they hold it.
    void SplitDate(const Frame& f, std::vector<Frame>& out) {
        result_.Changed = true;
        const auto strings = TextStrings(f.Content());
        const std::string date = strings.empty() ? std::string() : TrimBlanks(strings[0], true);
        if (strings.size() > 1) Lose("TDRC", LossKind::Precision);
        if (date.size() < 4 || !IsDigits(date.substr(0, 4), 4)) {
            out.push_back(TextFrame(3, "TYER", date, f));
            return;
        }
        out.push_back(TextFrame(3, "TYER", date.substr(0, 4), f));
        const std::string_view rest = std::string_view(date).substr(4);
        // "-MM-DDTHH:MM:SS", each part optional from the right.
        const auto part = [&](size_t at, char lead) {
            if (rest.size() < at + 3 || rest[at] != lead) return std::string();
            const std::string digits(rest.substr(at + 1, 2));
            return IsDigits(digits, 2) ? digits : std::string();
        };
        const std::string month = part(0, '-'), day = part(3, '-'), hour = part(6, 'T'),
                          minute = part(9, ':');
        size_t used = 0;
        if (!month.empty() && !day.empty()) {
            out.push_back(TextFrame(3, "TDAT", day + month, f));
            used = 6;
            if (!hour.empty() && !minute.empty()) {
                out.push_back(TextFrame(3, "TIME", hour + minute, f));
                used = 12;
            }
        }
        if (rest.size() > used) Lose("TDRC", LossKind::Precision);
    }

    uint8_t target_;
    Conversion& result_;
};

}  // namespace

std::string_view IdOf22(std::string_view id) {
    static constexpr std::pair<std::string_view, std::string_view> kIds[] = {
        {"BUF", "RBUF"}, {"CNT", "PCNT"}, {"COM", "COMM"}, {"CRA", "AENC"}, {"ETC", "ETCO"},
        {"EQU", "EQUA"}, {"GEO", "GEOB"}, {"IPL", "IPLS"}, {"LNK", "LINK"}, {"MCI", "MCDI"},
        {"MLL", "MLLT"}, {"PIC", "APIC"}, {"POP", "POPM"}, {"REV", "RVRB"}, {"RVA", "RVAD"},
        {"SLT", "SYLT"}, {"STC", "SYTC"}, {"TAL", "TALB"}, {"TBP", "TBPM"}, {"TCM", "TCOM"},
        {"TCO", "TCON"}, {"TCP", "TCMP"}, {"TCR", "TCOP"}, {"TDA", "TDAT"}, {"TDY", "TDLY"},
        {"TEN", "TENC"}, {"TFT", "TFLT"}, {"TIM", "TIME"}, {"TKE", "TKEY"}, {"TLA", "TLAN"},
        {"TLE", "TLEN"}, {"TMT", "TMED"}, {"TOA", "TOPE"}, {"TOF", "TOFN"}, {"TOL", "TOLY"},
        {"TOR", "TORY"}, {"TOT", "TOAL"}, {"TP1", "TPE1"}, {"TP2", "TPE2"}, {"TP3", "TPE3"},
        {"TP4", "TPE4"}, {"TPA", "TPOS"}, {"TPB", "TPUB"}, {"TRC", "TSRC"}, {"TRD", "TRDA"},
        {"TRK", "TRCK"}, {"TS2", "TSO2"}, {"TSA", "TSOA"}, {"TSC", "TSOC"}, {"TSI", "TSIZ"},
        {"TSP", "TSOP"}, {"TSS", "TSSE"}, {"TST", "TSOT"}, {"TT1", "TIT1"}, {"TT2", "TIT2"},
        {"TT3", "TIT3"}, {"TXT", "TEXT"}, {"TXX", "TXXX"}, {"TYE", "TYER"}, {"UFI", "UFID"},
        {"ULT", "USLT"}, {"WAF", "WOAF"}, {"WAR", "WOAR"}, {"WAS", "WOAS"}, {"WCM", "WCOM"},
        {"WCP", "WCOP"}, {"WPB", "WPUB"}, {"WXX", "WXXX"},
    };
    for (const auto& [old, now] : kIds)
        if (old == id) return now;
    return {};
}

std::vector<FrameEncoding> FrameEncodings(const ParsedTag& tag) {
    std::vector<FrameEncoding> frames;
    const uint8_t version = tag.Info.Version;
    const bool tagUnsync = version == 4 && (tag.Info.Flags & kFlagUnsync);
    const size_t head = FrameHeaderSize(version);
    for (size_t at = tag.FramesBegin; at + head <= tag.Body.size();) {
        const auto header = ParseFrameHeader(version, tag.Body.substr(at));
        if (!header || header->Size > tag.Body.size() - at - head) break;
        const auto frame =
            ReadFrame(version, tagUnsync, *header, tag.Body.substr(at + head, header->Size));
        at += head + header->Size;
        const std::string_view id = version == 2 ? IdOf22(header->Id) : header->Id;
        const bool texts = frame && !frame->Sealed() && !frame->Content().empty() && HasTexts(id);
        frames.push_back({header->Id, texts ? static_cast<uint8_t>(frame->Content()[0]) : -1});
    }
    return frames;
}

bool ConvertTag(const ParsedTag& old, const ConvertOptions& options, std::string& tag,
                Conversion& result) {
    const uint8_t from = old.Info.Version, to = options.Target;
    result = {};
    result.Changed = from != to;
    Converter convert(to, result);
    const bool tagUnsync = from == 4 && (old.Info.Flags & kFlagUnsync);
    const size_t head = FrameHeaderSize(from);
    const std::string_view body = old.Body;
    size_t at = old.FramesBegin;
    while (at + head <= body.size()) {
        const auto header = ParseFrameHeader(from, body.substr(at));
        if (!header) break;
        if (header->Size > body.size() - at - head) {
            convert.Lose(header->Id, LossKind::Damaged);
            at = body.size();
            break;
        }
        auto frame = ReadFrame(from, tagUnsync, *header, body.substr(at + head, header->Size));
        at += head + header->Size;
        if (!frame) {
            convert.Lose(header->Id, LossKind::Damaged);
            continue;
        }
        if (from == 2) {
            frame->Id = IdOf22(header->Id);
            // A link names a 2.2 frame, which must get its later id too.
            const std::string_view linkedId =
                frame->Id == "LINK" ? IdOf22(frame->Content().substr(0, 3)) : std::string_view();
            if (frame->Id.empty() || (frame->Id == "LINK" && linkedId.empty())) {
                convert.Lose(header->Id, LossKind::NoFrame);
                continue;
            }
            if (frame->Id == "LINK")
                frame->SetContent(std::string(linkedId) + std::string(frame->Content().substr(3)));
            if (frame->Id == "APIC" && !PictureOf22(*frame)) {
                convert.Lose(header->Id, LossKind::Damaged);
                continue;
            }
        }
        // An index of places in the file that the new tag moves.
        if (frame->Id == "ASPI") {
            convert.Lose(frame->Id, LossKind::NoFrame);
            continue;
        }
        convert.Frames.push_back(std::move(*frame));
    }
    if (at < body.size() && body.find_first_not_of('\0', at) != std::string_view::npos)
        convert.Lose({}, LossKind::Damaged);

    tag.assign(kHeaderSize, '\0');
    for (Frame& f : convert.Renamed()) {
        if (f.Sealed()) {
            // Its text cannot be read to change its encoding, and 2.3 needs
            // the size before compression that 2.4 may leave out.
            if (to == 3 && from == 4 && (HasTexts(f.Id) || (f.Compressed && !f.FullSize))) {
                convert.Lose(f.Id, LossKind::Sealed);
                continue;
            }
        }
        const auto put = [&](std::string& out) {
            if (!f.Sealed() &&
                RecodeContent(f.Id, f.Content(), to, options.Latin1, from == 4 && to == 3, out)) {
                result.Changed = true;
            } else {
                out += f.Content();
            }
        };
        if (!PutFrame(to, f, tag, put)) return false;
    }
    if (tag.size() - kHeaderSize >= kMaxTagBody) return false;
    tag.replace(0, 3, "ID3");
    tag[3] = static_cast<char>(to);
    uint8_t size[4];
    WriteSynchsafe32(static_cast<uint32_t>(tag.size() - kHeaderSize), size);
    std::memcpy(tag.data() + 6, size, 4);
    return true;
}

}  // namespace id3v2
