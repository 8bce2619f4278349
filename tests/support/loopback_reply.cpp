// Scripted replies and the header lookups of a recorded request.
#include "tests/support/loopback_server.h"

#include <strings.h>

namespace kesmora::test {

namespace {

bool NameIs(std::string_view line, std::string_view name) {
    return line.size() > name.size() && line[name.size()] == ':' &&
           strncasecmp(line.data(), name.data(), name.size()) == 0;
}

} // namespace

std::vector<std::string> RecordedRequest::HeaderLines() const {
    std::vector<std::string> lines;
    std::size_t start = head.find("\r\n");
    while (start != std::string::npos) {
        start += 2;
        std::size_t end = head.find("\r\n", start);
        if (end == std::string::npos || end == start)
            break;
        lines.push_back(head.substr(start, end - start));
        start = end;
    }
    return lines;
}

std::string RecordedRequest::Header(std::string_view name) const {
    for (const std::string& line : HeaderLines()) {
        if (!NameIs(line, name))
            continue;
        std::size_t value = line.find_first_not_of(" \t", name.size() + 1);
        return value == std::string::npos ? std::string() : line.substr(value);
    }
    return {};
}

bool RecordedRequest::HasHeader(std::string_view name) const {
    return CountHeader(name) > 0;
}

int RecordedRequest::CountHeader(std::string_view name) const {
    int count = 0;
    for (const std::string& line : HeaderLines())
        count += NameIs(line, name) ? 1 : 0;
    return count;
}

Reply Reply::Ok(std::string body, std::vector<std::string> headers) {
    return Status("200 OK", std::move(headers), std::move(body));
}

Reply Reply::Status(std::string status, std::vector<std::string> headers, std::string body) {
    Parts parts;
    parts.framing = Framing::Length;
    parts.status = std::move(status);
    parts.headers = std::move(headers);
    parts.body = std::move(body);
    return Reply(std::move(parts));
}

Reply Reply::Redirect(int code, std::string location, std::vector<std::string> headers) {
    headers.insert(headers.begin(), "Location: " + location);
    return Status(std::to_string(code) + " Moved", std::move(headers), "moved");
}

Reply Reply::Chunked(std::vector<std::string> chunks, std::vector<std::string> headers) {
    Parts parts;
    parts.framing = Framing::Chunked;
    parts.status = "200 OK";
    parts.headers = std::move(headers);
    parts.chunks = std::move(chunks);
    return Reply(std::move(parts));
}

Reply Reply::CloseDelimited(std::string body, std::vector<std::string> headers) {
    Parts parts;
    parts.framing = Framing::Close;
    parts.status = "200 OK";
    parts.headers = std::move(headers);
    parts.body = std::move(body);
    return Reply(std::move(parts));
}

Reply Reply::Raw(std::string bytes) {
    Parts parts;
    parts.framing = Framing::Raw;
    parts.body = std::move(bytes);
    return Reply(std::move(parts));
}

Reply Reply::Silent() {
    Parts parts;
    parts.framing = Framing::Silent;
    return Reply(std::move(parts));
}

Reply Reply::CloseWithoutAnswer() {
    return RawThenClose({});
}

Reply Reply::ResetAfter(std::string bytes) {
    Parts parts;
    parts.framing = Framing::Reset;
    parts.body = std::move(bytes);
    return Reply(std::move(parts));
}

Reply Reply::Drip(std::string bytes, std::chrono::milliseconds interval, std::size_t atOnce) {
    Parts parts;
    parts.atOnce = atOnce;
    parts.framing = Framing::Drip;
    parts.body = std::move(bytes);
    parts.interval = interval;
    return Reply(std::move(parts));
}

Reply Reply::EndlessBody(std::vector<std::string> headers) {
    Parts parts;
    parts.framing = Framing::Endless;
    parts.status = "200 OK";
    parts.headers = std::move(headers);
    return Reply(std::move(parts));
}

Reply Reply::RawThenClose(std::string bytes) {
    Parts parts;
    parts.framing = Framing::RawThenClose;
    parts.body = std::move(bytes);
    return Reply(std::move(parts));
}

} // namespace kesmora::test
