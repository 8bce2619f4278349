// RegexObject: searches through the regular-expression object and reads the matches
// back, with their byte positions in the GBK subject.
#include "script/script.h"

#include "platform/gbk.h"

namespace kesmora {

namespace pf = platform;

namespace {

pf::Variant Property(const pf::ObjectRef& object, const char* member) {
    pf::Variant value;
    pf::GetProperty(object, member, &value);
    return value;
}

// Item(index) of a collection, the index passed as a number.
pf::ObjectRef Item(const pf::ObjectRef& collection, std::int32_t index) {
    pf::Variant item;
    pf::CallMethod(collection, "Item", {pf::Variant(static_cast<double>(index))}, &item);
    return item.objectValue();
}

} // namespace

RegexObject::RegexObject() {
    pf::CoInitialize();
}

RegexObject::RegexObject(const RegexObject& other)
    : regExp_(other.regExp_), matches_(other.matches_), subject_(other.subject_) {}

RegexObject::~RegexObject() {
    regExp_.reset();
    matches_.reset();
    subject_ = pf::Variant();
    pf::CoUninitialize();
}

bool RegexObject::Search(const Text& pattern, const Text& subject, bool caseSensitive,
                         bool multiline, bool global, bool quoteMarker) {
    const bool ignoreCase = !caseSensitive;
    regExp_.reset();
    matches_.reset();
    regExp_ = pf::CreateObject("VBScript.RegExp");
    pf::PutProperty(regExp_, "IgnoreCase", pf::Variant(ignoreCase));
    pf::PutProperty(regExp_, "Multiline", pf::Variant(multiline));
    pf::PutProperty(regExp_, "Singleline", pf::Variant(true));
    pf::PutProperty(regExp_, "Global", pf::Variant(global));
    const Text source = quoteMarker ? kesmora::Replace(pattern, Gbk("#引号"), "\"") : pattern;
    pf::PutProperty(regExp_, "Pattern", pf::Variant::FromAnsi(source));
    subject_ = pf::Variant::FromAnsi(subject);
    pf::Variant found;
    pf::CallMethod(regExp_, "Execute", {subject_}, &found);
    matches_ = found.objectValue();
    return matches_ != nullptr;
}

void RegexObject::Nop() {}

Text RegexObject::GetPattern() {
    return pf::VariantToText(Property(regExp_, "Pattern"));
}

Text RegexObject::Replace(const Text& replacement) {
    const pf::Variant with = pf::Variant::FromAnsi(replacement);
    pf::Variant replaced;
    pf::CallMethod(regExp_, "Replace", {subject_, with}, &replaced);
    return pf::VariantToText(replaced);
}

std::int32_t RegexObject::MatchCount() {
    return pf::VariantToInt32(Property(matches_, "Count"));
}

Text RegexObject::MatchText(std::int32_t index, std::int32_t* position) {
    const pf::ObjectRef match = Item(matches_, index - 1);
    const Text text = pf::VariantToText(Property(match, "Value"));
    if (position != nullptr)
        *position = PositionOf(match, text);
    return text;
}

Text RegexObject::SubMatchText(std::int32_t matchIndex, std::int32_t groupIndex,
                               std::int32_t* position) {
    const pf::ObjectRef match = Item(matches_, matchIndex - 1);
    const pf::ObjectRef groups = Property(match, "SubMatches").objectValue();
    pf::Variant group;
    pf::CallMethod(groups, "Item", {pf::Variant(static_cast<double>(groupIndex - 1))}, &group);
    const Text text = pf::VariantToText(group);
    if (position != nullptr)
        *position = PositionOf(match, text);
    return text;
}

std::int32_t RegexObject::SubMatchCount() {
    const pf::ObjectRef groups = Property(Item(matches_, 0), "SubMatches").objectValue();
    return pf::VariantToInt32(Property(groups, "Count"));
}

// The component counts characters and the subject is held as bytes, where a character
// may take two: searching the subject for `found` from the byte position equal to the
// character index starts at or before the match's own bytes. The case switch is the
// comparison of IgnoreCase, read as text, with "0".
std::int32_t RegexObject::PositionOf(const pf::ObjectRef& match, const Text& found) {
    const Text subject = pf::VariantToText(subject_);
    const std::int32_t firstIndex = pf::VariantToInt32(Property(match, "FirstIndex"));
    const Text ignoreCase = pf::VariantToText(Property(regExp_, "IgnoreCase"));
    const bool caseSwitch = Compare(ignoreCase, "0") == 0;
    return Find(subject, found, firstIndex, caseSwitch) - 1;
}

} // namespace kesmora
