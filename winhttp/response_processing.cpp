#include "winhttp/winhttp.h"

#include "inet/inet.h"
#include "platform/window_services.h"

namespace kesmora {
namespace {

// "HTTP/1.1 200 OK" gives "200 OK": the status line from byte 10 to its end.
Text StatusText(const Text& headers) {
    const int end = Find(headers, "\r\n", 10);
    if (end < 1)
        return Text();
    return Middle(headers, 10, end - 10);
}

// The first name=value of a Set-Cookie line; only the exact name counts.
bool SetCookieValue(const Text& line, Text* value) {
    if (TextBefore(line, ": ") != Text("Set-Cookie"))
        return false;
    if (Contains(line, ";"))
        *value = Trim(TextBetween(line, "Set-Cookie:", ";"));
    else
        *value = Trim(Replace(line, "Set-Cookie:", "", true));
    return true;
}

bool LocationValue(const Text& line, Text* value) {
    if (ToLower(Left(line, 10)) != Text("location: "))
        return false;
    *value = Middle(line, 11);
    return true;
}

} // namespace

Text ProcessWinHttpResponse(const Text& rawHeaders, Bytes body, bool mergeCookies,
                            RegexObject& regex, const WinHttpOutputs& out) {
    Text cookies = out.cookies != nullptr ? *out.cookies : Text();
    Text received = out.receivedCookies != nullptr ? *out.receivedCookies : Text();
    if (out.responseHeaders != nullptr)
        *out.responseHeaders = rawHeaders;
    if (out.status != nullptr)
        *out.status = StatusText(rawHeaders);

    for (const Text& line : Split(rawHeaders, "\r\n")) {
        Text value;
        if (SetCookieValue(line, &value))
            received = Concat({received, value, "; "});
        if (LocationValue(line, &value) && out.location != nullptr)
            *out.location = value;
        platform::ProcessPendingMessages();
    }
    if (EndsWith(received, "; "))
        received = Left(received, received.length() - 2);
    if (mergeCookies && !cookies.empty()) {
        received = MergeCookies(cookies, received);
        if (out.cookies != nullptr)
            *out.cookies = cookies;
    }
    if (out.receivedCookies != nullptr)
        *out.receivedCookies = received;

    platform::CoInitialize();
    Text result = DecodeDeclaredCharset(regex, body);
    platform::CoUninitialize();
    if (out.responseBody != nullptr) // moved in last: the charset step reads it first
        *out.responseBody = std::move(body);
    return result;
}

} // namespace kesmora
