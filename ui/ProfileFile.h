#pragma once

#include <QString>
#include <utility>

// The settings file's folder and name: Tonzettel.ini in the per-user config folder.
QString SettingsFilePath();
// The one section all of the program's keys live in.
inline constexpr char SettingsSection[] = "Einstellungen";

// An INI file read and written the way the Windows profile functions do it:
// every call goes to the file (nothing is cached, so a value written through
// one object is seen by the next read through any other), section and key
// names compare without regard to ASCII case, blanks around keys and values
// are ignored, CRLF and LF line ends are both read. A write keeps every other
// line of the file byte for byte and replaces the file atomically.
class TProfileFile {
  public:
    explicit TProfileFile(QString path) : path_(std::move(path)) {}

    const QString& Path() const { return path_; }

    // The value's text, or defaultValue when the file, section or key is missing.
    QString GetString(const QString& section, const QString& key,
                      const QString& defaultValue) const;
    // Decimal text, or "0x"/"0X" followed by hex digits; anything else,
    // including an out-of-range number, gives defaultValue.
    int GetInt(const QString& section, const QString& key, int defaultValue) const;
    // An integer that is not 0.
    bool GetBool(const QString& section, const QString& key, bool defaultValue) const;

    // False when the file could not be written (it is then left as it was),
    // or when a name or value would break the line structure.
    bool WriteString(const QString& section, const QString& key, const QString& value);
    bool WriteInt(const QString& section, const QString& key, int value);
    bool WriteBool(const QString& section, const QString& key, bool value);

  private:
    QString path_;
};

// "nach PATH kann nicht geschrieben werden".
QString ProfileWriteErrorText(const QString& path);

// The number rule of GetInt on its own; false when text is not a number.
bool ParseProfileInt(const QString& text, int& value);
