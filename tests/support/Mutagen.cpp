#include "support/Mutagen.h"

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

namespace {

// Reads or writes a tag; one line per frame, "KEY HEX" with the bytes in hex.
constexpr const char* kScript = R"PY(
import sys
from mutagen.id3 import ID3, ID3NoHeaderError, Frames

def out(key, raw):
    print(key, raw.hex() if raw else '-')

def as_ansi(text, encoding):
    if encoding == 0:
        return text.encode('latin-1')
    return text.encode('cp1252', errors='replace')

def read(path):
    try:
        tag = ID3(path, translate=False)
    except ID3NoHeaderError:
        sys.exit(3)
    out('VERSION', str(tag.version[1]).encode())
    for frame in tag.values():
        if frame.FrameID == 'COMM':
            out('COMM', as_ansi(frame.desc, frame.encoding) + b'\0' +
                as_ansi(frame.text[0] if frame.text else '', frame.encoding))
            out('COMM:lang', frame.lang.encode('latin-1'))
        elif hasattr(frame, 'text'):
            out(frame.FrameID, as_ansi(str(frame.text[0]) if frame.text else '', frame.encoding))

def write(path, specs):
    tag = ID3()
    for spec in specs:
        fid, enc, text, desc, lang = spec.split(':')
        text = bytes.fromhex(text).decode('utf-8')
        desc = bytes.fromhex(desc).decode('utf-8')
        if fid == 'COMM':
            tag.add(Frames[fid](encoding=int(enc), lang=lang, desc=desc, text=[text]))
        else:
            tag.add(Frames[fid](encoding=int(enc), text=[text]))
    tag.save(path, v2_version=3)

if sys.argv[1] == 'read':
    read(sys.argv[2])
else:
    write(sys.argv[2], sys.argv[3:])
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

// Runs the script; returns its standard output, nullopt on a non-zero exit.
std::optional<std::string> RunScript(const std::vector<std::string>& args) {
    char scriptName[] = "/tmp/tz-mutagen-XXXXXX";
    const int fd = ::mkstemp(scriptName);
    if (fd < 0) return std::nullopt;
    ::close(fd);
    {
        std::ofstream script(scriptName);
        script << kScript;
    }
    std::string command = Python() + " " + scriptName;
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

std::optional<MutagenTag> MutagenRead(const std::string& path) {
    const auto output = RunScript({"read", path});
    if (!output) return std::nullopt;
    MutagenTag tag;
    std::istringstream lines(*output);
    std::string key, hex;
    while (lines >> key >> hex) {
        if (key == "VERSION") {
            tag.MajorVersion = std::stoi(Unhex(hex));
        } else {
            tag.Texts[key] = Unhex(hex);
        }
    }
    return tag;
}

bool MutagenWriteId3v23(const std::string& path, const std::vector<MutagenFrame>& frames) {
    std::vector<std::string> args = {"write", path};
    for (const auto& f : frames) {
        args.push_back(f.Id + ":" + std::to_string(f.Encoding) + ":" + Hex(f.Text) + ":" +
                       Hex(f.Description) + ":" + f.Language);
    }
    return RunScript(args).has_value();
}
