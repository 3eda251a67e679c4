#pragma once

#include <cstdint>
#include <string>

// One file's ID3v2 tag at the start of the file: read for version 2.3,
// always written as version 2.3 with the seven fields below.
class TID3v2 {
public:
    TID3v2();
    void ResetData();
    bool ReadFromFile(const std::string& fileName);
    bool SaveToFile(const std::string& fileName);

    bool Exists() const { return exists_; }
    uint8_t VersionID() const { return versionID_; }
    int32_t Size() const { return size_; }
    const std::string& Title() const { return title_; }
    void SetTitle(const std::string& value);
    const std::string& Artist() const { return artist_; }
    void SetArtist(const std::string& value);
    const std::string& Album() const { return album_; }
    void SetAlbum(const std::string& value);
    uint8_t Track() const { return track_; }
    const std::string& Year() const { return year_; }
    void SetYear(const std::string& value);
    const std::string& Genre() const { return genre_; }
    void SetGenre(const std::string& value);
    const std::string& Comment() const { return comment_; }
    void SetComment(const std::string& value);

private:
    bool exists_ = false;
    uint8_t versionID_ = 0;
    int32_t size_ = 0;
    std::string title_, artist_, album_;
    uint8_t track_ = 0;
    std::string year_, genre_, comment_;
};
