#pragma once

// Files with both tags as taggers leave them, and what a transfer between the
// tag levels must make of each: one table for the tool's file work, its
// window and tonzettel-cli copy-tags.

#include <string>
#include <vector>

#include "support/Mp3Builder.h"
#include "tags/ID3v1.h"
#include "tags/ID3v2.h"
#include "tags/Text.h"

struct TransferCase {
    const char* name;  // the file's name
    int from;          // the level copied from: 1 or 2
    std::string id3v2, id3v1;
    // The target tag's Interpret, Album, Titel, Jahr, Genre, Kommentar afterwards.
    std::vector<std::string> after;
    // The fields the target keeps although the source has a text or none.
    std::vector<std::string> kept;
};

// Frame data of a text: 2.3 in UTF-16 with a byte-order mark, 2.4 in UTF-8.
inline std::string UnicodeText(int version, const std::string& text) {
    if (version == 4) return "\x03" + text;
    return std::string("\x01\xFF\xFE") + Utf8ToUtf16(text, false);
}

inline std::string UnicodeComment(int version, const std::string& text) {
    const std::string data = UnicodeText(version, text);
    return data.substr(0, 1) + "deu" +
           (version == 4 ? std::string(1, '\0') : std::string(2, '\0')) + data.substr(1);
}

inline const std::vector<TransferCase>& TransferCases() {
    using P = std::pair<std::string, std::string>;
    const auto v23 = [](const std::vector<P>& texts, const std::string& comment = "") {
        std::vector<P> frames;
        for (const auto& [id, text] : texts) frames.push_back({id, UnicodeText(3, text)});
        if (!comment.empty()) frames.push_back({"COMM", UnicodeComment(3, comment)});
        frames.push_back({"TRCK", TextFrameData("9")});
        return MakeId3v2Tag(frames, 3, 200);
    };
    const auto v24 = [](const std::vector<P>& texts, const std::string& comment = "") {
        std::vector<P> frames;
        for (const auto& [id, text] : texts) frames.push_back({id, UnicodeText(4, text)});
        if (!comment.empty()) frames.push_back({"COMM", UnicodeComment(4, comment)});
        return MakeId3v2Tag(frames, 4, 200);
    };
    const std::string cyrillic = "Звезда по имени Солнце";
    const std::string album37 = "Die Platte mit dem sehr langen Namen!";
    const std::string comment40 = "Aufgenommen live im Kölner Gürzenich 1989";
    static const std::vector<TransferCase> cases = {
        // 1 -> 2: what the ID3v1 tag holds goes over the ID3v2 tag's other values.
        {"kopiert.mp3",
         1,
         v23({{"TIT2", "Alt"}, {"TPE1", "Alt"}, {"TCON", "Pop"}}),
         MakeId3v1Tag("Neuer Titel", "K\xFCnstler", "Album", "2001", "Notiz", 0, 17),
         {"Künstler", "Album", "Neuer Titel", "2001", "Rock", "Notiz"},
         {}},
        // 1 -> 2: empty ID3v1 fields leave the ID3v2 values.
        {"leer.mp3",
         1,
         v24({{"TIT2", "Titel"},
              {"TPE1", "Кино"},
              {"TALB", "Gruppa krovi"},
              {"TDRC", "1988"},
              {"TCON", "Rock"}},
             "Live"),
         MakeId3v1Tag("Titel", "", "", "", "", 0, 255),
         {"Кино", "Gruppa krovi", "Titel", "1988", "Rock", "Live"},
         {"Interpret", "Album", "Jahr", "Genre", "Kommentar"}},
        // 1 -> 2: ID3v1 values that are the ID3v2 values as far as ID3v1 holds them.
        {"gekuerzt.mp3",
         1,
         v24({{"TIT2", cyrillic},
              {"TPE1", "Kino"},
              {"TALB", album37},
              {"TDRC", "1989-05-01"},
              {"TCON", "rock"}},
             comment40),
         MakeId3v1Tag(Utf8ToAnsi(cyrillic), "Kino", album37.substr(0, 30), "1989",
                      Utf8ToAnsi(comment40).substr(0, 28), 3, 17),
         {"Kino", album37, cyrillic, "1989-05-01", "rock", comment40},
         {"Album", "Titel", "Jahr", "Genre", "Kommentar"}},
        // 2 -> 1: cut and converted as ID3v1 holds it; no comment keeps the old one.
        {"zurueck.mp3",
         2,
         v23({{"TIT2", "Für Elise – „Bagatelle“"},
              {"TPE1", "Кино"},
              {"TALB", album37 + " 1234"},
              {"TYER", "1999"},
              {"TCON", "Synthpop"}}),
         MakeId3v1Tag("alt", "alt", "alt", "1970", "alt", 0, 0),
         {"????", album37.substr(0, 30), "Für Elise – „Bagatelle“", "1999", "Synthpop", "alt"},
         {"Kommentar"}},
        // 2 -> 1: missing fields and a genre the table lacks keep the ID3v1 values.
        {"genre.mp3",
         2,
         v24({{"TIT2", "Titel"}, {"TCON", "Krautrock"}}),
         MakeId3v1Tag("T", "A", "B", "2000", "C", 0, 17),
         {"A", "B", "Titel", "2000", "Rock", "C"},
         {"Interpret", "Album", "Jahr", "Genre", "Kommentar"}},
    };
    return cases;
}

// The target tag's six fields in the file as the tag code reads them.
inline std::vector<std::string> TargetFields(const TransferCase& c, const std::string& path) {
    if (c.from == 1) {
        TID3v2 tag;
        tag.ReadFromFile(path);
        return {tag.Artist(), tag.Album(), tag.Title(), tag.Year(), tag.Genre(), tag.Comment()};
    }
    TID3v1 tag;
    tag.ReadFromFile(path);
    return {tag.Artist(), tag.Album(), tag.Title(), tag.Year(), tag.Genre(), tag.Comment()};
}

// "Album, Kommentar"
inline std::string JoinedFields(const std::vector<std::string>& fields) {
    std::string text;
    for (const auto& f : fields) text += (text.empty() ? "" : ", ") + f;
    return text;
}
