// The regular-expression object on QRegularExpression: IgnoreCase, Multiline, Global
// and Pattern; Execute gives a match collection (Count, Item), each match its Value,
// FirstIndex, Length and SubMatches (Count, Item); Replace and Test. Indexes count
// UTF-16 units from 0. Options default to false, the pattern to empty. A dot never
// matches a line break.
#include "platform/automation_qt.h"
#include "platform/script_control.h"

#include <QRegularExpression>

namespace kesmora::platform {
namespace {

// Item(index): the index as any number, truncated; outside 0..count-1 fails.
std::optional<qsizetype> ItemIndex(const std::vector<Variant>& args, qsizetype count) {
    if (args.size() != 1)
        return std::nullopt;
    const std::optional<std::int32_t> index = args[0].toInt32();
    if (!index || *index < 0 || *index >= count)
        return std::nullopt;
    return *index;
}

// A group that took no part in the match reads as the empty value.
Variant ItemVariant(const std::optional<QString>& group) {
    return group ? StringVariant(*group) : Variant();
}
Variant ItemVariant(const ObjectRef& match) {
    return Variant(match);
}

// The component's read-only collections (matches, and each match's groups): Count,
// and Item(index) counting from 0.
template <typename Element> class Collection : public AutomationObject {
public:
    explicit Collection(std::vector<Element> items) : items_(std::move(items)) {}
    bool Put(std::string_view, const Variant&) override { return false; }
    bool Get(std::string_view member, Variant* result) override {
        if (!SameMember(member, "Count"))
            return false;
        *result = Variant(static_cast<std::int32_t>(items_.size()));
        return true;
    }
    bool Call(std::string_view member, const std::vector<Variant>& args, Variant* result) override {
        const auto index = ItemIndex(args, static_cast<qsizetype>(items_.size()));
        if (!SameMember(member, "Item") || !index)
            return false;
        *result = ItemVariant(items_[static_cast<std::size_t>(*index)]);
        return true;
    }

private:
    std::vector<Element> items_;
};

using SubMatches = Collection<std::optional<QString>>;
using MatchCollection = Collection<ObjectRef>;

class Match : public AutomationObject {
public:
    explicit Match(const QRegularExpressionMatch& m)
        : value_(m.captured(0)), firstIndex_(static_cast<std::int32_t>(m.capturedStart(0))) {
        for (int g = 1; g <= m.regularExpression().captureCount(); ++g)
            groups_.push_back(m.hasCaptured(g) ? std::optional<QString>(m.captured(g))
                                               : std::nullopt);
    }
    bool Put(std::string_view, const Variant&) override { return false; }
    bool Get(std::string_view member, Variant* result) override {
        if (SameMember(member, "Value"))
            *result = StringVariant(value_);
        else if (SameMember(member, "FirstIndex"))
            *result = Variant(firstIndex_);
        else if (SameMember(member, "Length"))
            *result = Variant(static_cast<std::int32_t>(value_.size()));
        else if (SameMember(member, "SubMatches"))
            *result = Variant(ObjectRef(std::make_shared<SubMatches>(groups_)));
        else
            return false;
        return true;
    }
    bool Call(std::string_view, const std::vector<Variant>&, Variant*) override { return false; }
    bool DefaultValue(Variant* result) override { return Get("Value", result); }

private:
    QString value_;
    std::int32_t firstIndex_;
    std::vector<std::optional<QString>> groups_;
};

class RegExp : public AutomationObject {
public:
    bool Put(std::string_view member, const Variant& value) override {
        if (SameMember(member, "Pattern")) {
            const auto pattern = value.toString();
            if (pattern)
                pattern_ = ToQString(*pattern);
            return pattern.has_value();
        }
        bool* option = Option(member);
        const std::optional<bool> on = value.toBool();
        if (option == nullptr || !on)
            return false;
        *option = *on;
        return true;
    }

    bool Get(std::string_view member, Variant* result) override {
        if (SameMember(member, "Pattern")) {
            *result = StringVariant(pattern_);
            return true;
        }
        const bool* option = Option(member);
        if (option == nullptr)
            return false;
        *result = Variant(*option);
        return true;
    }

    bool Call(std::string_view member, const std::vector<Variant>& args, Variant* result) override {
        if (SameMember(member, "Execute") && args.size() == 1)
            return Execute(args[0], result);
        if (SameMember(member, "Replace") && args.size() == 2)
            return Replace(args[0], args[1], result);
        if (SameMember(member, "Test") && args.size() == 1)
            return Test(args[0], result);
        return false;
    }

private:
    bool* Option(std::string_view member) {
        if (SameMember(member, "IgnoreCase"))
            return &ignoreCase_;
        if (SameMember(member, "Multiline"))
            return &multiline_;
        if (SameMember(member, "Global"))
            return &global_;
        return nullptr; // "Singleline" among them: this object has no such option
    }

    // The compiled pattern; nullopt when it is invalid.
    std::optional<QRegularExpression> Compile() const {
        QRegularExpression::PatternOptions options = QRegularExpression::NoPatternOption;
        if (ignoreCase_)
            options |= QRegularExpression::CaseInsensitiveOption;
        if (multiline_)
            options |= QRegularExpression::MultilineOption;
        QRegularExpression re(detail::TranslatePattern(pattern_, multiline_), options);
        if (!re.isValid())
            return std::nullopt;
        return re;
    }

    // Every match when Global, else the first; nullopt for an invalid pattern or a
    // subject that is no string.
    std::optional<std::vector<QRegularExpressionMatch>> Matches(const Variant& subject,
                                                                QString* text) const {
        const auto s = subject.toString();
        const auto re = Compile();
        if (!s || !re)
            return std::nullopt;
        *text = ToQString(*s);
        std::vector<QRegularExpressionMatch> found;
        QRegularExpressionMatchIterator it = re->globalMatch(*text);
        while (it.hasNext()) {
            QRegularExpressionMatch m = it.next();
            found.push_back(m);
            if (!global_)
                break;
        }
        return found;
    }

    bool Execute(const Variant& subject, Variant* result) const {
        QString text;
        const auto found = Matches(subject, &text);
        if (!found)
            return false;
        std::vector<ObjectRef> matches;
        for (const QRegularExpressionMatch& m : *found)
            matches.push_back(std::make_shared<Match>(m));
        *result = Variant(ObjectRef(std::make_shared<MatchCollection>(std::move(matches))));
        return true;
    }

    bool Replace(const Variant& subject, const Variant& replacement, Variant* result) const {
        QString text;
        const auto found = Matches(subject, &text);
        const auto with = replacement.toString();
        if (!found || !with)
            return false;
        const QString replacementText = ToQString(*with);
        QString out;
        qsizetype copied = 0;
        for (const QRegularExpressionMatch& m : *found) {
            out += QStringView(text).mid(copied, m.capturedStart(0) - copied);
            out += detail::ExpandReplacement(replacementText, m, text);
            copied = m.capturedEnd(0);
        }
        out += QStringView(text).mid(copied);
        *result = StringVariant(out);
        return true;
    }

    bool Test(const Variant& subject, Variant* result) const {
        QString text;
        const auto found = Matches(subject, &text);
        if (!found)
            return false;
        *result = Variant(!found->empty());
        return true;
    }

    QString pattern_;
    bool ignoreCase_ = false;
    bool multiline_ = false;
    bool global_ = false;
};

} // namespace

ObjectRef CreateRegExpComponent() {
    return std::make_shared<RegExp>();
}

} // namespace kesmora::platform
