#pragma once

// Tests on MP3 files in a fresh folder, with the tag code's messages recorded.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/Mp3Builder.h"
#include "support/TempDir.h"
#include "tags/Messages.h"

// Records the tag code's messages instead of printing them, for the life of the object.
class MessageRecorder {
  public:
    MessageRecorder() {
        previous_ = SetMessageHandler([this](const std::string& t) { texts.push_back(t); });
    }
    ~MessageRecorder() { SetMessageHandler(previous_); }
    MessageRecorder(const MessageRecorder&) = delete;
    MessageRecorder& operator=(const MessageRecorder&) = delete;
    std::vector<std::string> texts;

  private:
    MessageHandler previous_;
};

class Mp3FolderTest : public ::testing::Test {
  protected:
    // Writes half a second of audio between the tags; returns the path.
    std::string Make(const std::string& name, const std::string& id3v2, const std::string& id3v1) {
        const std::string path = dir.File(name);
        WriteMp3(path, id3v2, MakeCbrAudio(9, 0.5), id3v1);
        return path;
    }
    TempDir dir;
    MessageRecorder messages;
};
