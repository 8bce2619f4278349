// What the fetch benchmarks share: a loopback server that gives every request the same
// body, and the bare libcurl exchange they measure the program's routines against.
#pragma once

#include "tests/support/loopback_server.h"

#include <curl/curl.h>

#include <cstddef>
#include <memory>
#include <string>
#include <utility>

namespace kesmora::bench {

// A loopback server answering every request "200 OK" with `body`.
inline std::unique_ptr<test::LoopbackServer> ServerAnswering(std::string body) {
    auto server = std::make_unique<test::LoopbackServer>();
    server->SetHandler(
        [body = std::move(body)](const test::RecordedRequest&) { return test::Reply::Ok(body); });
    return server;
}

// libcurl write callback: appends to the std::string in `context`.
inline std::size_t AppendBody(char* data, std::size_t, std::size_t size, void* context) {
    static_cast<std::string*>(context)->append(data, size);
    return size;
}

// A GET of `url` with these header lines on `curl`, whose other settings the caller
// made; the body received (what arrived before a failure included).
inline std::string BareCurlGet(CURL* curl, const std::string& url, curl_slist* headers) {
    std::string body;
    curl_easy_setopt(curl, CURLOPT_URL, url.c_str());
    curl_easy_setopt(curl, CURLOPT_HTTPHEADER, headers);
    curl_easy_setopt(curl, CURLOPT_WRITEFUNCTION, AppendBody);
    curl_easy_setopt(curl, CURLOPT_WRITEDATA, &body);
    curl_easy_perform(curl);
    return body;
}

} // namespace kesmora::bench
