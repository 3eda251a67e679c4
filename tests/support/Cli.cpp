#include "support/Cli.h"

#include <sys/wait.h>

#include <cstdlib>
#include <sstream>

#include "support/Mp3Builder.h"

std::string ShellQuote(const std::string& s) {
    std::string q = "'";
    for (const char c : s) q += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return q + "'";
}

std::string CliPath() {
    const char* env = std::getenv("TZ_CLI");
    return env != nullptr && *env != '\0' ? env : TZ_BINARY_DIR "/bin/tonzettel-cli";
}

CliRun RunShell(const TempDir& work, std::string cmd) {
    const std::string out = work.File("stdout.txt"), err = work.File("stderr.txt");
    cmd += " >" + ShellQuote(out) + " 2>" + ShellQuote(err);
    CliRun r;
    const int status = std::system(cmd.c_str());
    r.Code = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    r.Out = ReadFileBytes(out);
    r.Err = ReadFileBytes(err);
    return r;
}

CliRun RunCli(const TempDir& work, const std::vector<std::string>& args,
              const std::string& prefix) {
    std::string cmd = prefix.empty() ? "" : prefix + " ";
    cmd += ShellQuote(CliPath());
    for (const auto& a : args) cmd += " " + ShellQuote(a);
    return RunShell(work, cmd);
}

bool LameAndMutagenAvailable() {
    return LameAvailable() &&
           std::system("/usr/bin/python3 -c 'import mutagen' >/dev/null 2>&1") == 0;
}

std::map<std::string, std::string> PythonFields(const TempDir& work, const std::string& script,
                                                const std::string& path) {
    WriteFileBytes(work.File("oracle.py"), script);
    const std::string out = work.File("oracle.txt");
    const std::string cmd = "/usr/bin/python3 " + ShellQuote(work.File("oracle.py")) + " " +
                            ShellQuote(path) + " >" + ShellQuote(out);
    EXPECT_EQ(std::system(cmd.c_str()), 0);
    std::map<std::string, std::string> fields;
    std::istringstream lines(ReadFileBytes(out));
    for (std::string line; std::getline(lines, line);) {
        const size_t eq = line.find('=');
        if (eq != std::string::npos) fields[line.substr(0, eq)] = line.substr(eq + 1);
    }
    return fields;
}

std::map<std::string, std::string> BothTagsFields(const TempDir& work, const std::string& path) {
    static constexpr const char* kScript = R"PY(
import sys
from mutagen.id3 import ID3, ParseID3v1, TCON
from mutagen.id3._util import ID3NoHeaderError
path = sys.argv[1]
data = open(path, 'rb').read()
def show(prefix, frames):
    for key, f in frames.items():
        key = key.split(':')[0]
        text = f.genres[0] if isinstance(f, TCON) and f.genres else (str(f.text[0]) if f.text else '')
        print(prefix + '.' + key + '=' + text)
v1 = ParseID3v1(data[-128:]) if len(data) >= 128 else None
if v1: show('v1', v1)
try:
    show('v2', ID3(path, load_v1=False, translate=False))
except ID3NoHeaderError:
    pass
)PY";
    return PythonFields(work, kScript, path);
}

void EncodedFilesTest::SetUp() {
    if (!LameAndMutagenAvailable()) GTEST_SKIP() << "lame or python3-mutagen missing";
}

std::string EncodedFilesTest::Encode(const std::string& name,
                                     const std::vector<std::string>& tagArgs) {
    const std::string path = dir.File(name);
    std::vector<std::string> args = {"-b", "128"};
    args.insert(args.end(), tagArgs.begin(), tagArgs.end());
    EXPECT_TRUE(EncodeWithLame(path, args, 1.0, 44100, 2));
    return path;
}
