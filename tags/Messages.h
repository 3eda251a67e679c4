#pragma once

#include <functional>
#include <string>

// The one way the tag code talks to the user. The window installs a handler
// that shows a message box; tests install one that records the texts.
using MessageHandler = std::function<void(const std::string& text)>;

// Blocks until the handler returns. The default writes the text and a line end
// to standard error.
void ShowMessage(const std::string& text);

// Returns the previous handler. An empty handler restores the default.
MessageHandler SetMessageHandler(MessageHandler handler);
