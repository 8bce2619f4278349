#include "platform/installed_updates.h"

#include "platform/automation.h"

#include <fstream>
#include <optional>
#include <string_view>

namespace kesmora::platform {
namespace {

const char kDefaultDatabase[] = "/var/lib/dpkg/status";

std::string& DatabasePath() {
    static std::string path = kDefaultDatabase;
    return path;
}

std::u16string Widen(std::string_view ascii) {
    std::u16string out;
    for (char c : ascii)
        out.push_back(static_cast<unsigned char>(c));
    return out;
}

char16_t AsciiLower(char16_t c) {
    return c >= u'A' && c <= u'Z' ? c + (u'a' - u'A') : c;
}

bool EqualsIgnoringCase(std::u16string_view a, std::u16string_view b) {
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (AsciiLower(a[i]) != AsciiLower(b[i]))
            return false;
    return true;
}

// Reads the database whole, or nothing when it is missing or larger than the bound.
std::optional<std::string> ReadDatabase() {
    std::ifstream in(DatabasePath(), std::ios::binary);
    if (!in)
        return std::nullopt;
    std::string text;
    char chunk[64 * 1024];
    while (in.read(chunk, sizeof chunk) || in.gcount() > 0) {
        text.append(chunk, static_cast<std::size_t>(in.gcount()));
        if (text.size() > kMaxPackageDatabaseBytes)
            return std::nullopt;
    }
    if (in.bad())
        return std::nullopt;
    return text;
}

// Cuts a query into words: runs of non-blanks, with a quoted literal one word quotes
// included. A literal without its closing quote fails the cut.
std::optional<std::vector<std::u16string_view>> QueryWords(std::u16string_view q) {
    std::vector<std::u16string_view> words;
    std::size_t i = 0;
    while (i < q.size()) {
        if (q[i] == u' ' || q[i] == u'\t' || q[i] == u'\r' || q[i] == u'\n') {
            ++i;
            continue;
        }
        std::size_t end = i;
        if (q[i] == u'\'') {
            end = q.find(u'\'', i + 1);
            if (end == std::u16string_view::npos)
                return std::nullopt;
            ++end;
        } else {
            while (end < q.size() && q[end] != u' ' && q[end] != u'\t' && q[end] != u'\r' &&
                   q[end] != u'\n' && q[end] != u'\'')
                ++end;
        }
        words.push_back(q.substr(i, end - i));
        i = end;
    }
    return words;
}

// The identifier filter of a well-formed query: nullopt for a malformed one, an empty
// optional-inside (no filter) for the plain listing.
std::optional<std::optional<std::u16string>> ParseQuery(std::u16string_view query) {
    const auto words = QueryWords(query);
    if (!words)
        return std::nullopt;
    static const std::u16string_view head[] = {u"SELECT", u"HotFixID", u"FROM",
                                               u"Win32_QuickFixEngineering"};
    static const std::u16string_view filter[] = {u"WHERE", u"HotFixID", u"="};
    const auto& w = *words;
    if (w.size() != 4 && w.size() != 8)
        return std::nullopt;
    for (std::size_t i = 0; i < 4; ++i)
        if (!EqualsIgnoringCase(w[i], head[i]))
            return std::nullopt;
    if (w.size() == 4)
        return std::optional<std::u16string>();
    for (std::size_t i = 0; i < 3; ++i)
        if (!EqualsIgnoringCase(w[4 + i], filter[i]))
            return std::nullopt;
    const auto literal = w[7];
    if (literal.size() < 2 || literal.front() != u'\'' || literal.back() != u'\'')
        return std::nullopt;
    return std::optional<std::u16string>(std::u16string(literal.substr(1, literal.size() - 2)));
}

// The last blank-separated word of a field value.
std::string_view LastWord(std::string_view value) {
    while (!value.empty() && (value.back() == ' ' || value.back() == '\t' || value.back() == '\r'))
        value.remove_suffix(1);
    const auto blank = value.find_last_of(" \t");
    return blank == std::string_view::npos ? value : value.substr(blank + 1);
}

std::string_view FieldValue(std::string_view line, std::string_view name) {
    if (line.size() <= name.size() || line.substr(0, name.size()) != name ||
        line[name.size()] != ':')
        return {};
    auto value = line.substr(name.size() + 1);
    while (!value.empty() && (value.front() == ' ' || value.front() == '\t'))
        value.remove_prefix(1);
    while (!value.empty() && (value.back() == ' ' || value.back() == '\r'))
        value.remove_suffix(1);
    return value;
}

} // namespace

std::vector<std::string> InstalledPackageNames(const std::string& database) {
    std::vector<std::string> names;
    std::string_view package;
    bool installed = false;
    auto endParagraph = [&] {
        if (!package.empty() && installed)
            names.emplace_back(package);
        package = {};
        installed = false;
    };
    std::string_view rest(database);
    while (!rest.empty()) {
        const auto eol = rest.find('\n');
        auto line = rest.substr(0, eol);
        rest = eol == std::string_view::npos ? std::string_view() : rest.substr(eol + 1);
        if (line.empty() || line == "\r") {
            endParagraph();
            continue;
        }
        if (const auto name = FieldValue(line, "Package"); !name.empty())
            package = name;
        else if (const auto status = FieldValue(line, "Status"); !status.empty())
            installed = LastWord(status) == "installed";
    }
    endParagraph();
    return names;
}

bool UpdateObject::Get(const char16_t* property, std::u16string* value) const {
    if (property == nullptr || value == nullptr || std::u16string_view(property) != u"HotFixID")
        return false;
    *value = hotFixId_;
    return true;
}

bool UpdateEnumerator::Next(long, unsigned long count, std::unique_ptr<UpdateObject>* object,
                            unsigned long* returned) {
    if (returned != nullptr)
        *returned = 0;
    if (count < 1 || object == nullptr || returned == nullptr || next_ >= ids_.size())
        return false;
    *object = std::make_unique<UpdateObject>(ids_[next_++]);
    *returned = 1;
    return true;
}

std::unique_ptr<UpdateEnumerator> UpdateServices::ExecQuery(const char16_t* language,
                                                            const char16_t* query, long) const {
    if (language == nullptr || query == nullptr || !EqualsIgnoringCase(language, u"WQL"))
        return nullptr;
    const auto filter = ParseQuery(query);
    if (!filter)
        return nullptr;
    const auto database = ReadDatabase();
    if (!database)
        return nullptr;
    std::vector<std::u16string> ids;
    for (const auto& name : InstalledPackageNames(*database)) {
        auto id = Widen(name);
        if (!*filter || id == **filter)
            ids.push_back(std::move(id));
    }
    return std::make_unique<UpdateEnumerator>(std::move(ids));
}

std::unique_ptr<UpdateServices> UpdateLocator::ConnectServer(const char16_t* nameSpace) const {
    if (nameSpace == nullptr || !EqualsIgnoringCase(nameSpace, u"root\\CIMV2"))
        return nullptr;
    return std::make_unique<UpdateServices>();
}

std::unique_ptr<UpdateLocator> CreateUpdateLocator() {
    if (CoInitializeCount() < 1)
        return nullptr;
    return std::make_unique<UpdateLocator>();
}

void SetPackageDatabasePath(const std::string& path) {
    DatabasePath() = path.empty() ? kDefaultDatabase : path;
}

} // namespace kesmora::platform
