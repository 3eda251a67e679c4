#pragma once

#include <QString>
#include <functional>

// One HTTP GET of a web resource's body, as the update check needs it.
struct FetchResult {
    QString Text;     // the body, or "Status:" followed by the status code's digits
    bool Ok = false;  // status 200 or 302 and the body read to its end
};

// "http://" goes in front of an address that does not contain it. At most 5
// redirects are followed; one more is a failed request. The body's
// bytes are read in chunks of at most 4095 bytes, and a zero byte ends its
// chunk's text. The window's input is blocked while the request runs, but it
// still repaints; after FetchTimeout() milliseconds the request gives up.
FetchResult FetchUrl(const QString& address);
// Just the text: never an error, at worst "Status:".
QString FetchUrlText(const QString& address);

// 30 seconds unless a test sets less.
int FetchTimeout();
void SetFetchTimeout(int milliseconds);

// Whether the system has a network connection: the platform's network
// information where a backend loads, otherwise assumed. Tests replace the
// check; an empty one brings the platform's back. Returns the previous one.
bool InternetConnected();
using ConnectionCheck = std::function<bool()>;
ConnectionCheck SetConnectionCheck(ConnectionCheck check);
