#include "scan/FileRow.h"

const std::array<std::string_view, ColumnCount> ColumnHeaders = {
    "Datei",   "ID3 Interpret", "ID3 Album", "ID3 Titel",  "ID3 Jahr", "ID3 Genre", "ID3 Kommentar",
    "Bitrate", "Samplerate",    "Länge",     "Dateigröße", "Codec",    "Pfad"};
