#include "winhttp/winhttp.h"

#include "platform/automation.h"
#include "platform/text_stream.h"
#include "platform/window_services.h"

namespace kesmora {
namespace {

constexpr int kCharsetWindow = 1024;
constexpr std::int32_t kBinary = 1;
constexpr std::int32_t kText = 2;
constexpr std::int32_t kReadWrite = 3;

// The body read in `charset` by the text stream object; nullopt when the object cannot
// be made, empty when it cannot read that charset.
std::optional<Text> ReadThroughStream(const Bytes& body, const Text& charset) {
    platform::RegisterTextStreamClass();
    platform::ObjectRef stream = platform::CreateObject(platform::kTextStreamClass);
    if (!stream)
        return std::nullopt;
    platform::PutProperty(stream, "Type", platform::Variant(kBinary));
    platform::PutProperty(stream, "Mode", platform::Variant(kReadWrite));
    platform::CallMethod(stream, "Open", {}, nullptr);
    std::vector<platform::Variant> bytes(1); // built in place: the body is copied once
    bytes[0] = platform::Variant(body);
    platform::CallMethod(stream, "Write", bytes, nullptr);
    platform::PutProperty(stream, "Position", platform::Variant(std::int32_t{0}));
    platform::PutProperty(stream, "Type", platform::Variant(kText));
    platform::PutProperty(stream, "Charset", platform::Variant::FromAnsi(charset));
    platform::Variant text;
    platform::CallMethod(stream, "ReadText", {}, &text);
    platform::CallMethod(stream, "Close", {}, nullptr);
    return platform::VariantToText(text);
}

} // namespace

Text DecodeDeclaredCharset(RegexObject& regex, const Bytes& body) {
    Text result = ToText(body);
    if (!regex.Search("<meta.+?charset=[^\\w]?([-\\w]+)", Left(result, kCharsetWindow)))
        return result;
    const Text charset = regex.SubMatchText(1, 1);
    if (!charset.empty() && charset != Text("gbk") && charset != Text("gb2312")) {
        if (auto decoded = ReadThroughStream(body, charset))
            result = *decoded;
    }
    platform::ProcessPendingMessages();
    return result;
}

} // namespace kesmora
