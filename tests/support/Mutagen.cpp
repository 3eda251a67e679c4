#include "support/Mutagen.h"

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

namespace {

// Every field crosses as hex of its UTF-8 bytes ("-" when empty), so neither
// the locale nor spaces, line ends or zero bytes in texts get in the way.
//   read PATH         -> "VERSION n", then per frame
//                        "FRAME id encoding content desc lang text..."
//   write PATH V SPEC -> SPEC holds per frame
//                        "id encoding desc lang mime type email rating count data text..."
constexpr const char* kScript = R"PY(
import hashlib, sys
from mutagen.id3 import ID3, ID3NoHeaderError, Frames

def h(data):
    return data.hex() if data else '-'

def u(text):
    return h(str(text).encode('utf-8'))

def unhex(field):
    return b'' if field == '-' else bytes.fromhex(field)

def canon(value):
    if isinstance(value, (bytes, bytearray)):
        return 'bytes[%d]:%s' % (len(value), hashlib.sha256(value).hexdigest())
    if isinstance(value, int):
        return str(int(value))
    if isinstance(value, str):
        return repr(value)
    if isinstance(value, (list, tuple)):
        return '[' + ', '.join(canon(v) for v in value) + ']'
    if hasattr(value, 'text'):  # ID3TimeStamp
        return repr(value.text)
    return repr(value)

def content(frame):
    names = sorted(s.name for s in frame._framespec + frame._optionalspec
                   if hasattr(frame, s.name))
    return type(frame).__name__ + '(' + ', '.join(
        '%s=%s' % (n, canon(getattr(frame, n))) for n in names) + ')'

def texts(frame):
    text = getattr(frame, 'text', [])
    return [text] if isinstance(text, str) else list(text)

def read(path):
    try:
        tag = ID3(path, translate=False, load_v1=False)
    except ID3NoHeaderError:
        tag = ID3(path, translate=False)  # raises again when there is no ID3v1 either
    print('VERSION', tag.version[1] if tag.version[0] == 2 else 1)
    for frame in tag.values():
        enc = getattr(frame, 'encoding', -1)
        print('FRAME', frame.FrameID, int(enc), u(content(frame)),
              u(getattr(frame, 'desc', '')), u(getattr(frame, 'lang', '')),
              *[u(t) for t in texts(frame)])
    for raw in tag.unknown_frames:
        name = raw[:4 if tag.version[1] > 2 else 3].decode('latin-1')
        print('FRAME', name, -1, u('raw:' + hashlib.sha256(raw).hexdigest()), '-', '-')

def view(path):
    # The tag as mutagen's translation to 2.4 gives it, without what a
    # conversion may change: encodings, several values (2.3 joins them by
    # "/"), the two lists of people (2.3 has one).
    tag = ID3(path, load_v1=False)
    people = []
    for key in ('TIPL', 'TMCL'):
        if key in tag:
            people += tag.pop(key).people
    lines = []
    for frame in tag.values():
        if hasattr(frame, 'encoding'):
            frame.encoding = 0
        if frame.FrameID == 'TCON':
            frame.text = ['/'.join(frame.genres)]
        elif frame.FrameID == 'APIC' and frame.mime.lower() in ('jpg', 'png'):
            # mutagen keeps a 2.2 picture's image format where 2.3 wants a MIME type.
            frame.mime = {'jpg': 'image/jpeg', 'png': 'image/png'}[frame.mime.lower()]
        elif isinstance(getattr(frame, 'text', None), list) and frame.FrameID != 'COMM':
            frame.text = ['/'.join(str(t) for t in frame.text)]
        lines.append(frame.FrameID + ' ' + content(frame))
    if people:
        lines.append('TIPL ' + canon(people))
    for line in sorted(lines):
        print(u(line))

def write(path, version, spec):
    tag = ID3()
    for line in open(spec, encoding='ascii').read().splitlines():
        f = line.split(' ')
        fid, enc = f[0], int(f[1])
        desc, lang, mime = (unhex(x).decode('utf-8') for x in f[2:5])
        ptype, email = int(f[5]), unhex(f[6]).decode('utf-8')
        rating, count, data = int(f[7]), int(f[8]), unhex(f[9])
        values = [unhex(x).decode('utf-8') for x in f[10:]]
        if enc not in ((0, 1) if version == 3 else (0, 1, 2, 3)):
            sys.exit('encoding %d does not exist in 2.%d' % (enc, version))
        if fid in ('COMM', 'USLT'):
            text = values[0] if values else ''
            frame = Frames[fid](encoding=enc, lang=lang, desc=desc,
                                text=[text] if fid == 'COMM' else text)
        elif fid == 'TXXX':
            frame = Frames[fid](encoding=enc, desc=desc, text=values)
        elif fid == 'APIC':
            frame = Frames[fid](encoding=enc, mime=mime, type=ptype, desc=desc, data=data)
        elif fid == 'POPM':
            frame = Frames[fid](email=email, rating=rating, count=count)
        else:
            frame = Frames[fid](encoding=enc, text=values)
        tag.add(frame)
    # mutagen either drops or rewrites an ID3v1 block; put back the bytes.
    try:
        with open(path, 'rb') as old:
            old.seek(-128, 2)
            tail = old.read(128)
    except OSError:
        tail = b''
    tail = tail if tail[:3] == b'TAG' else b''
    tag.save(path, v1=0, v2_version=version)
    with open(path, 'ab') as new:
        new.write(tail)

if sys.argv[1] == 'read':
    read(sys.argv[2])
elif sys.argv[1] == 'view':
    view(sys.argv[2])
else:
    write(sys.argv[2], int(sys.argv[3]), sys.argv[4])
)PY";

std::string Python() {
    // Debian's interpreter, which has python3-mutagen; a PATH one may not.
    return std::filesystem::exists("/usr/bin/python3") ? "/usr/bin/python3" : "python3";
}

std::string Quote(const std::string& arg) {
    std::string q = "'";
    for (char c : arg) q += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return q + "'";
}

std::string Hex(const std::string& bytes) {
    if (bytes.empty()) return "-";
    static const char* digits = "0123456789abcdef";
    std::string out;
    for (unsigned char c : bytes) {
        out += digits[c >> 4];
        out += digits[c & 15];
    }
    return out;
}

std::string Unhex(const std::string& hex) {
    if (hex == "-") return {};
    std::string out;
    for (size_t i = 0; i + 1 < hex.size(); i += 2) {
        out += static_cast<char>(std::stoi(hex.substr(i, 2), nullptr, 16));
    }
    return out;
}

// A file name for the script or its input under the temporary folder.
std::string TempName() {
    std::string name = (std::filesystem::temp_directory_path() / "tz-mutagen-XXXXXX").string();
    const int fd = ::mkstemp(name.data());
    if (fd < 0) return {};
    ::close(fd);
    return name;
}

// Runs the script; returns its standard output, nullopt on a non-zero exit.
std::optional<std::string> RunScript(const std::vector<std::string>& args) {
    const std::string scriptName = TempName();
    if (scriptName.empty()) return std::nullopt;
    std::ofstream(scriptName) << kScript;
    std::string command = Python() + " " + Quote(scriptName);
    for (const auto& arg : args) command += " " + Quote(arg);
    command += " 2>/dev/null";
    std::string output;
    int status = -1;
    if (FILE* pipe = ::popen(command.c_str(), "r")) {
        char buffer[4096];
        size_t n;
        while ((n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0) output.append(buffer, n);
        status = ::pclose(pipe);
    }
    std::filesystem::remove(scriptName);
    if (status != 0) return std::nullopt;
    return output;
}

}  // namespace

bool MutagenAvailable() {
    static const bool available =
        std::system((Python() + " -c 'import mutagen.id3' >/dev/null 2>&1").c_str()) == 0;
    return available;
}

std::optional<std::vector<std::string>> MutagenView(const std::string& path) {
    const auto output = RunScript({"view", path});
    if (!output) return std::nullopt;
    std::vector<std::string> lines;
    std::istringstream in(*output);
    for (std::string line; std::getline(in, line);) lines.push_back(Unhex(line));
    return lines;
}

const MutagenFrame* MutagenTag::Find(std::string_view id) const {
    for (const auto& frame : Frames) {
        if (frame.Id == id) return &frame;
    }
    return nullptr;
}

std::string MutagenTag::Text(std::string_view id) const {
    const MutagenFrame* frame = Find(id);
    std::string joined;
    if (frame == nullptr) return joined;
    for (const auto& text : frame->Texts) joined += (joined.empty() ? "" : " / ") + text;
    return joined;
}

std::vector<MutagenFrame> MutagenTag::All(std::string_view id) const {
    std::vector<MutagenFrame> all;
    for (const auto& frame : Frames) {
        if (frame.Id == id) all.push_back(frame);
    }
    return all;
}

std::optional<MutagenTag> MutagenRead(const std::string& path) {
    const auto output = RunScript({"read", path});
    if (!output) return std::nullopt;
    MutagenTag tag;
    std::istringstream lines(*output);
    for (std::string line; std::getline(lines, line);) {
        std::istringstream fields(line);
        std::string key;
        fields >> key;
        if (key == "VERSION") {
            fields >> tag.MajorVersion;
        } else if (key == "FRAME") {
            MutagenFrame frame;
            std::string content, description, language, text;
            fields >> frame.Id >> frame.Encoding >> content >> description >> language;
            frame.Content = Unhex(content);
            frame.Description = Unhex(description);
            frame.Language = Unhex(language);
            while (fields >> text) frame.Texts.push_back(Unhex(text));
            tag.Frames.push_back(std::move(frame));
        }
    }
    return tag;
}

bool MutagenWrite(const std::string& path, int version,
                  const std::vector<MutagenNewFrame>& frames) {
    const std::string specName = TempName();
    if (specName.empty()) return false;
    {
        std::ofstream spec(specName);
        for (const auto& f : frames) {
            spec << f.Id << ' ' << f.Encoding << ' ' << Hex(f.Description) << ' ' << Hex(f.Language)
                 << ' ' << Hex(f.Mime) << ' ' << f.PictureType << ' ' << Hex(f.Email) << ' '
                 << f.Rating << ' ' << f.Count << ' ' << Hex(f.Data);
            for (const auto& text : f.Texts) spec << ' ' << Hex(text);
            spec << '\n';
        }
    }
    const bool ok = RunScript({"write", path, std::to_string(version), specName}).has_value();
    std::filesystem::remove(specName);
    return ok;
}
