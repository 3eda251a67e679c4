#pragma once

// Little records of numbers and byte strings, as the journal and the backup
// files store them: a number is 8 bytes, least significant first; a text is
// its length as a number, then its bytes. Reading checks the length before
// each field.

#include <cstdint>
#include <string>
#include <string_view>

inline void PutNumber(std::string& out, uint64_t value) {
    for (int i = 0; i < 8; ++i) out += static_cast<char>((value >> (8 * i)) & 0xFF);
}

inline void PutText(std::string& out, std::string_view text) {
    PutNumber(out, text.size());
    out += text;
}

class RecordReader {
  public:
    explicit RecordReader(std::string_view bytes) : bytes_(bytes) {}
    bool Number(uint64_t& value) {
        if (bytes_.size() - pos_ < 8) return false;
        value = 0;
        for (size_t i = 0; i < 8; ++i)
            value |= uint64_t{static_cast<uint8_t>(bytes_[pos_ + i])} << (8 * i);
        pos_ += 8;
        return true;
    }
    bool Text(std::string& text) {
        uint64_t size = 0;
        if (!Number(size) || bytes_.size() - pos_ < size) return false;
        text.assign(bytes_.substr(pos_, static_cast<size_t>(size)));
        pos_ += static_cast<size_t>(size);
        return true;
    }
    bool AtEnd() const { return pos_ == bytes_.size(); }

  private:
    std::string_view bytes_;
    size_t pos_ = 0;
};
