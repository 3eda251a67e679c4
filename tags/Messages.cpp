#include "tags/Messages.h"

#include <cstdio>
#include <utility>

namespace {

void DefaultHandler(const std::string& text) {
    std::fwrite(text.data(), 1, text.size(), stderr);
    std::fputc('\n', stderr);
    std::fflush(stderr);
}

MessageHandler& CurrentHandler() {
    static MessageHandler handler = DefaultHandler;
    return handler;
}

}  // namespace

void ShowMessage(const std::string& text) {
    // A copy, so a handler that replaces itself does not pull the rug.
    MessageHandler handler = CurrentHandler();
    handler(text);
}

MessageHandler SetMessageHandler(MessageHandler handler) {
    if (!handler) handler = DefaultHandler;
    return std::exchange(CurrentHandler(), std::move(handler));
}
