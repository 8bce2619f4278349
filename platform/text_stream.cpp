#include "platform/text_stream.h"

#include "platform/automation.h"
#include "platform/code_page_iconv.h"
#include "platform/utf8_codec.h"

#include <optional>
#include <string>
#include <string_view>

namespace kesmora::platform {
namespace {

constexpr std::int32_t kTypeBinary = 1;
constexpr std::int32_t kTypeText = 2;
constexpr char16_t kByteOrderMark = 0xFEFF;
constexpr std::string_view kUtf8ByteOrderMark = "\xEF\xBB\xBF";

// Names iconv takes as they are; only letters, digits and "-_.:" so that no suffix
// ("//IGNORE" and the like) can change how it converts.
std::optional<std::string> IconvName(const std::u16string& charset) {
    std::string name;
    for (char16_t c : charset) {
        const bool plain = (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z') ||
                           (c >= u'0' && c <= u'9') || c == u'-' || c == u'_' || c == u'.' ||
                           c == u':';
        if (!plain)
            return std::nullopt;
        name.push_back(static_cast<char>(c));
    }
    if (name.empty())
        return std::nullopt;
    if (SameMember(name, "unicode"))
        return std::string("UTF-16LE");
    return name;
}

bool IsUtf8(const std::string& charset) {
    return SameMember(charset, "utf-8") || SameMember(charset, "utf8");
}

// The bytes in the charset as UTF-16 without a leading byte order mark; nullopt when
// iconv does not know the charset. UTF-8, the charset pages declare most, is read
// without iconv, to the same units.
std::optional<std::u16string> Decode(std::string_view bytes, const std::string& charset) {
    if (!IsUtf8(charset)) {
        auto text = IconvDecodeCharset(bytes, charset);
        if (text && !text->empty() && text->front() == kByteOrderMark)
            text->erase(0, 1);
        return text;
    }
    if (bytes.substr(0, 3) == kUtf8ByteOrderMark)
        bytes.remove_prefix(3);
    std::u16string text(bytes.size(), u'\0');
    text.resize(DecodeUtf8(bytes, Utf8Repair::kEachByte, text.data()));
    return text;
}

class TextStream : public AutomationObject {
public:
    bool Put(std::string_view member, const Variant& value) override {
        if (SameMember(member, "Type"))
            return PutType(value);
        if (SameMember(member, "Mode"))
            return PutInt(value, &mode_);
        if (SameMember(member, "Charset"))
            return PutCharset(value);
        if (SameMember(member, "Position"))
            return PutPosition(value);
        return false;
    }

    bool Get(std::string_view member, Variant* result) override {
        if (SameMember(member, "Type"))
            return Give(Variant(type_), result);
        if (SameMember(member, "Mode"))
            return Give(Variant(mode_), result);
        if (SameMember(member, "Charset"))
            return Give(Variant(charset_), result);
        if (SameMember(member, "Position") && open_)
            return Give(Variant(static_cast<std::int32_t>(position_)), result);
        return false;
    }

    bool Call(std::string_view member, const std::vector<Variant>& args, Variant* result) override {
        if (SameMember(member, "Open") && !open_) {
            open_ = true;
            buffer_.clear();
            position_ = 0;
            return Give(Variant(), result);
        }
        if (SameMember(member, "Close") && open_) {
            open_ = false;
            buffer_.clear();
            position_ = 0;
            return Give(Variant(), result);
        }
        if (SameMember(member, "Write") && args.size() == 1)
            return Write(args[0], result);
        if (SameMember(member, "ReadText") && args.size() <= 1)
            return ReadText(result);
        return false;
    }

private:
    static bool Give(Variant value, Variant* result) {
        if (result != nullptr)
            *result = std::move(value);
        return true;
    }

    static bool PutInt(const Variant& value, std::int32_t* field) {
        const auto v = value.toInt32();
        if (!v)
            return false;
        *field = *v;
        return true;
    }

    bool PutType(const Variant& value) {
        const auto v = value.toInt32();
        if (!v || (*v != kTypeBinary && *v != kTypeText) || position_ != 0)
            return false;
        type_ = *v;
        return true;
    }

    bool PutCharset(const Variant& value) {
        const auto v = value.toString();
        if (!v || v->empty() || position_ != 0)
            return false;
        charset_ = *v;
        return true;
    }

    bool PutPosition(const Variant& value) {
        const auto v = value.toInt32();
        if (!open_ || !v || *v < 0 || static_cast<std::size_t>(*v) > buffer_.size())
            return false;
        position_ = static_cast<std::size_t>(*v);
        return true;
    }

    bool Write(const Variant& data, Variant* result) {
        if (!open_ || type_ != kTypeBinary || data.kind() != VariantKind::ByteArray)
            return false;
        const std::string& bytes = data.bytesValue().str();
        buffer_.replace(position_, std::min(bytes.size(), buffer_.size() - position_), bytes);
        position_ += bytes.size();
        return Give(Variant(), result);
    }

    bool ReadText(Variant* result) {
        if (!open_ || type_ != kTypeText)
            return false;
        const auto name = IconvName(charset_);
        if (!name)
            return false;
        auto text = Decode(std::string_view(buffer_).substr(position_), *name);
        if (!text)
            return false;
        position_ = buffer_.size();
        return Give(Variant(std::move(*text)), result);
    }

    bool open_ = false;
    std::int32_t type_ = kTypeBinary;
    std::int32_t mode_ = 0;
    std::u16string charset_ = u"unicode";
    std::string buffer_;
    std::size_t position_ = 0;
};

} // namespace

bool RegisterTextStreamClass() {
    static const bool registered =
        RegisterObjectClass(kTextStreamClass, [] { return std::make_shared<TextStream>(); });
    return registered;
}

} // namespace kesmora::platform
