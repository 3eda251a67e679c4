#include "ui/ProfileFile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QStandardPaths>
#include <charconv>
#include <cstdint>
#include <vector>

namespace {

struct Line {
    QByteArray body;  // without its line end
    QByteArray eol;   // "\r\n", "\n", or empty for a last line without one
};

struct Parsed {
    std::vector<Line> lines;
    QByteArray eol = "\n";  // the line end new lines get: the file's first one
};

Parsed ParseLines(const QByteArray& bytes) {
    Parsed parsed;
    bool eolSeen = false;
    qsizetype start = 0;
    while (start < bytes.size()) {
        const qsizetype newline = bytes.indexOf('\n', start);
        Line line;
        if (newline < 0) {
            line.body = bytes.mid(start);
            start = bytes.size();
        } else {
            qsizetype end = newline;
            if (end > start && bytes[end - 1] == '\r') --end;
            line.body = bytes.mid(start, end - start);
            line.eol = bytes.mid(end, newline + 1 - end);
            start = newline + 1;
            if (!eolSeen) {
                parsed.eol = line.eol;
                eolSeen = true;
            }
        }
        parsed.lines.push_back(std::move(line));
    }
    return parsed;
}

QByteArray Trimmed(QByteArray text) {
    // A UTF-8 byte order mark in front of the first line is no part of a name.
    if (text.startsWith("\xEF\xBB\xBF")) text.remove(0, 3);
    return text.trimmed();
}

bool SameName(const QByteArray& a, const QByteArray& b) {
    return a.compare(b, Qt::CaseInsensitive) == 0;
}

// The section a line opens, or false when it opens none.
bool SectionOf(const QByteArray& body, QByteArray& section) {
    const QByteArray text = Trimmed(body);
    if (!text.startsWith('[')) return false;
    qsizetype end = text.indexOf(']');
    if (end < 0) end = text.size();
    section = text.mid(1, end - 1).trimmed();
    return true;
}

bool KeyOf(const QByteArray& body, QByteArray& key, QByteArray& value) {
    const qsizetype equals = body.indexOf('=');
    if (equals < 0) return false;
    key = Trimmed(body.left(equals));
    value = body.mid(equals + 1).trimmed();
    // Like the profile functions: one pair of matching quotes around a value goes.
    if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') &&
        value.back() == value.front())
        value = value.mid(1, value.size() - 2);
    return !key.isEmpty();
}

// Index of the key's line within the section, and the range of the section's
// lines (first after its header, one past its last key line); -1 when missing.
struct Location {
    qsizetype sectionLine = -1;
    qsizetype keyLine = -1;
    qsizetype lastContentLine = -1;
};

Location Find(const std::vector<Line>& lines, const QByteArray& section, const QByteArray& key) {
    Location where;
    bool inside = false;
    for (qsizetype i = 0; i < static_cast<qsizetype>(lines.size()); ++i) {
        QByteArray name;
        if (SectionOf(lines[i].body, name)) {
            if (where.sectionLine >= 0 && inside) break;  // the first matching section counts
            inside = SameName(name, section);
            if (inside) where.sectionLine = where.lastContentLine = i;
            continue;
        }
        if (!inside) continue;
        if (!lines[i].body.trimmed().isEmpty()) where.lastContentLine = i;
        QByteArray lineKey, value;
        if (where.keyLine < 0 && KeyOf(lines[i].body, lineKey, value) && SameName(lineKey, key))
            where.keyLine = i;
    }
    return where;
}

bool ReadBytes(const QString& path, QByteArray& bytes) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) return false;
    bytes = file.readAll();
    return file.error() == QFileDevice::NoError;
}

bool BreaksLines(const QByteArray& text) {
    return text.contains('\n') || text.contains('\r');
}

}  // namespace

QString SettingsFilePath() {
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) +
           QStringLiteral("/Tonzettel.ini");
}

QString ProfileWriteErrorText(const QString& path) {
    return QStringLiteral("nach %1 kann nicht geschrieben werden").arg(path);
}

bool ParseProfileInt(const QString& text, int& value) {
    const QByteArray bytes = text.trimmed().toUtf8();
    const char* first = bytes.constData();
    const char* last = first + bytes.size();
    if (bytes.size() > 2 && bytes[0] == '0' && (bytes[1] == 'x' || bytes[1] == 'X')) {
        // Up to 32 bits of hex, taken as the two's complement pattern.
        std::uint32_t hex = 0;
        const auto [end, ec] = std::from_chars(first + 2, last, hex, 16);
        if (ec != std::errc() || end != last) return false;
        value = static_cast<int>(hex);
        return true;
    }
    if (first != last && *first == '+') {
        ++first;
        if (first != last && *first == '-') return false;
    }
    int decimal = 0;
    const auto [end, ec] = std::from_chars(first, last, decimal, 10);
    if (first == last || ec != std::errc() || end != last) return false;
    value = decimal;
    return true;
}

QString TProfileFile::GetString(const QString& section, const QString& key,
                                const QString& defaultValue) const {
    QByteArray bytes;
    if (!ReadBytes(path_, bytes)) return defaultValue;
    const Parsed parsed = ParseLines(bytes);
    const Location where = Find(parsed.lines, section.toUtf8().trimmed(), key.toUtf8().trimmed());
    if (where.keyLine < 0) return defaultValue;
    QByteArray lineKey, value;
    KeyOf(parsed.lines[where.keyLine].body, lineKey, value);
    return QString::fromUtf8(value);
}

int TProfileFile::GetInt(const QString& section, const QString& key, int defaultValue) const {
    int value = 0;
    if (!ParseProfileInt(GetString(section, key, QString()), value)) return defaultValue;
    return value;
}

bool TProfileFile::GetBool(const QString& section, const QString& key, bool defaultValue) const {
    return GetInt(section, key, defaultValue ? 1 : 0) != 0;
}

bool TProfileFile::WriteString(const QString& section, const QString& key, const QString& value) {
    const QByteArray sectionBytes = section.toUtf8().trimmed();
    const QByteArray keyBytes = key.toUtf8().trimmed();
    const QByteArray valueBytes = value.toUtf8();
    if (sectionBytes.isEmpty() || keyBytes.isEmpty() || BreaksLines(sectionBytes) ||
        sectionBytes.contains(']') || BreaksLines(keyBytes) || keyBytes.contains('=') ||
        BreaksLines(valueBytes))
        return false;

    QByteArray bytes;
    if (QFile::exists(path_) && !ReadBytes(path_, bytes)) return false;
    Parsed parsed = ParseLines(bytes);
    std::vector<Line>& lines = parsed.lines;
    const Location where = Find(lines, sectionBytes, keyBytes);
    const QByteArray pair = keyBytes + '=' + valueBytes;

    if (where.keyLine >= 0) {
        lines[where.keyLine].body = pair;
    } else {
        if (!lines.empty() && lines.back().eol.isEmpty()) lines.back().eol = parsed.eol;
        if (where.sectionLine >= 0) {
            Line added{pair, parsed.eol};
            const qsizetype at = where.lastContentLine;
            if (lines[at].eol.isEmpty()) lines[at].eol = parsed.eol;
            lines.insert(lines.begin() + at + 1, added);
        } else {
            lines.push_back({'[' + sectionBytes + ']', parsed.eol});
            lines.push_back({pair, parsed.eol});
        }
    }

    QByteArray out;
    for (const Line& line : lines) out += line.body + line.eol;

    // A complete, flushed copy renamed over the old file: a crash leaves either
    // the old settings or the new ones, never half a file.
    QDir().mkpath(QFileInfo(path_).absolutePath());
    QSaveFile file(path_);
    if (!file.open(QIODevice::WriteOnly)) return false;
    if (file.write(out) != out.size()) {
        file.cancelWriting();
        return false;
    }
    return file.commit();
}

bool TProfileFile::WriteInt(const QString& section, const QString& key, int value) {
    return WriteString(section, key, QString::number(value));
}

bool TProfileFile::WriteBool(const QString& section, const QString& key, bool value) {
    return WriteString(section, key, value ? QStringLiteral("1") : QStringLiteral("0"));
}
