#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "tags/Messages.h"

class TMPEGaudio;

// The genre number of a text that equals one of the 148 names exactly (byte
// for byte, case-sensitive, untrimmed); 255 for any other text.
uint8_t GenreIndexOf(std::string_view text);

// What the ID3v1 setters are given of a text from another source (a file
// name, the other tag): its first 255 characters, so that blanks behind them
// are cut as blanks before the setter keeps its 30.
std::string Id3v1SetterInput(std::string_view text);

enum class LoadResult {
    Ok,          // both tags read, the file still has an audio frame
    Unreadable,  // the ID3v1 read failed; the tag code has shown its message
    NoFrame,     // readable, but no audio frame any more: the tags are emptied, never save them
};

// Loads a file's tags through the analyser for a read-modify-write. Only Ok
// may be followed by a save built from audio.Tag1() / audio.Tag2().
LoadResult LoadFileTags(TMPEGaudio& audio, const std::string& path);

// Counts the messages the tag code shows while it is alive, passing each on
// to the handler that was installed before.
class MessageWatch {
  public:
    MessageWatch();
    ~MessageWatch();
    MessageWatch(const MessageWatch&) = delete;
    MessageWatch& operator=(const MessageWatch&) = delete;
    int Count() const { return count_; }

  private:
    MessageHandler previous_;
    int count_ = 0;
};

// The end-of-run message of a tool whose saves failed for some files: the
// heading and one path per line.
std::string FailedSavesText(const std::vector<std::string>& paths);
