// Script-backed objects: a JSON document kept in a JavaScript engine (JsonObject) and
// a regular expression run by the regular-expression object (RegexObject). Neither
// parses, matches or serialises anything itself; both drive automation objects by
// member name (platform/automation.h) and hand back the empty value of the kind asked
// for (empty text, 0, false) whenever a call fails. Nothing throws.
//
// Texts are GBK; they cross to the engine and the regular-expression object as UTF-16.
// Both objects belong to the thread that made them. Each initialises COM on that
// thread when it is made and uninitialises it once when it goes, copies included.
#pragma once

#include "common/text.h"
#include "platform/automation.h"

#include <cstdint>

namespace kesmora {

// The engine's description of the last script error, as Parse reports it.
struct ScriptErrorInfo {
    std::int32_t Number = 0;
    Text Source;
    Text Description;
    Text HelpFile;
    std::int32_t HelpContext = 0;
    Text LineText;
    std::int32_t Line = 0;
    std::int32_t Column = 0;
};

// One JSON document in a global variable ("da") of a script engine, reached by path.
//
// A `name` is a member name or path: empty means the whole document; "site" means
// da.site, "[0]" da[0], "a.b" da.a.b; a name that starts with "da" and is not null in
// the engine is taken as it stands. Names that are no JavaScript identifiers work only
// in bracket form ("['a-b']"). `name` texts are script source: they are not escaped.
//
// Truth-value results are the engine's value of the text sent, converted (a script
// error, and a value that converts to false, give false), not success flags.
class JsonObject {
public:
    // Sets the root name and starts an engine (InitEngine).
    JsonObject();
    // Releases the engine reference (the engine goes with its last reference) and
    // uninitialises COM once.
    ~JsonObject();
    // A second reference to the same engine: both objects see one document.
    JsonObject(const JsonObject& other);
    JsonObject& operator=(const JsonObject&) = delete;

    // Initialises COM, creates the engine, installs the support script and an empty
    // document. Without an engine every later call fails.
    void InitEngine();
    // Loads `text` into a fresh engine: as script source evaluated twice through eval
    // (a JSON string literal is run as script), or once with `noEval`. True when the
    // document is not null. With `errorInfo`, the engine's last error is written there.
    bool Parse(const Text& text, bool noEval = false, ScriptErrorInfo* errorInfo = nullptr);
    // Empties the document ({}).
    bool Clear();
    // The whole document as compact JSON.
    Text ToJson();
    // Sets a member to the plain text `value` (backslashes kept through a marker), or
    // with `isJson` to the value of `value` as script, merged into an existing object.
    bool SetValue(const Text& name = Text(), const Text& value = Text(), bool isJson = false);
    // Sets a member to the value of `expression` as script.
    bool SetExpression(const Text& name = Text(), const Text& expression = Text());
    // Rewrites *name into a full path (see above) and tells whether that member is
    // neither null nor undefined. A null `name` stands for the empty name.
    bool ResolvePath(Text* name = nullptr);
    bool Exists(const Text& name = Text());
    // 0 null or missing, 1 boolean, 2 number, 4 object, 5 array, 6 string, -1 other.
    std::int32_t TypeOf(const Text& name = Text());
    // A member as text, or as compact JSON with `asJson`.
    Text GetText(const Text& name = Text(), bool asJson = false);
    // Names of an object's members (not of an array's) into *keys; their number.
    std::int32_t GetKeys(TextArray* keys = nullptr, const Text& name = Text());
    // Length of an array member; 0 for anything else.
    std::int32_t GetCount(const Text& name = Text());
    // A separate document holding a copy of the member.
    JsonObject GetObject(const Text& name = Text());
    // Appends (or with `atFront` prepends) `value` to an array member, made a new array
    // first when it is none: quoted as a string unless `raw` (no escaping either way).
    bool ArrayAdd(const Text& value = Text(), const Text& name = Text(), bool raw = false,
                  bool atFront = false);
    JsonObject GetItemObject(std::int32_t index = 0, const Text& name = Text());
    // Element `index` (0-based) of an array member; without `asJson` only a string
    // element gives text.
    Text GetItemText(std::int32_t index = 0, const Text& name = Text(), bool asJson = false);
    bool SetItem(std::int32_t index = 0, const Text& name = Text(), const Text& value = Text(),
                 bool raw = false);
    bool RemoveItem(std::int32_t index = 0, const Text& name = Text());
    bool Delete(const Text& name = Text());
    // Sets a member to the number written with 13 significant digits.
    bool SetNumber(const Text& name = Text(), double number = 0);
    // A member as a number (true reads -1; what does not read as a number, 0).
    double GetNumber(const Text& name = Text());
    Text GetJson(const Text& name = Text());
    // A new reference to the engine; null when there is none.
    platform::ObjectRef GetEngine();
    // The string, number and boolean members (with `recursive`, also those of nested
    // objects and arrays) into *values; their number.
    std::int32_t GetAllValues(TextArray* values = nullptr, const Text& name = Text(),
                              bool recursive = false);

private:
    platform::Variant Eval(const Text& script);
    void AddCode(const Text& script);
    bool EvalBool(const Text& script);
    Text EvalText(const Text& script);
    // The path of `name` after ResolvePath, which runs on a copy.
    Text PathOf(const Text& name, bool* found = nullptr);

    Text rootName_;
    platform::ObjectRef engine_;
};

// A regular expression over a text, with the matches of the last Search kept for the
// queries. Indexes are 1-based; positions are 0-based byte offsets into the searched
// GBK text, found by searching the subject for the match's text from the match's
// character index on (-2 when it is not found there). Every query refers to the last
// Search.
class RegexObject {
public:
    // Initialises COM on this thread; no expression yet.
    RegexObject();
    // Releases the expression and matches and uninitialises COM once.
    ~RegexObject();
    // Second references to the same expression and matches, a copy of the subject.
    RegexObject(const RegexObject& other);
    RegexObject& operator=(const RegexObject&) = delete;

    // Runs `pattern` over `subject`. Case is ignored unless `caseSensitive`; ^ and $
    // match at line breaks when `multiline`; every match is kept when `global`, else
    // the first. With `quoteMarker` each "#引号" in the pattern stands for a double
    // quote. True when the pattern ran (also without a match); false when it is invalid.
    bool Search(const Text& pattern, const Text& subject, bool caseSensitive = false,
                bool multiline = true, bool global = true, bool quoteMarker = false);
    void Nop();
    // The pattern of the last Search; empty before the first.
    Text GetPattern();
    // The subject with the matches replaced ($1..$99, $&, $`, $', $$ in `replacement`).
    Text Replace(const Text& replacement = Text());
    std::int32_t MatchCount();
    Text MatchText(std::int32_t index, std::int32_t* position = nullptr);
    // Group `groupIndex` of match `matchIndex`; a group that took no part gives empty
    // text. Its position is searched from the start of the whole match.
    Text SubMatchText(std::int32_t matchIndex, std::int32_t groupIndex,
                      std::int32_t* position = nullptr);
    // Groups of the first match; 0 without a match.
    std::int32_t SubMatchCount();

private:
    platform::ObjectRef Match(std::int32_t index);
    std::int32_t PositionOf(const platform::ObjectRef& match, const Text& found);

    platform::ObjectRef regExp_;
    platform::ObjectRef matches_;
    platform::Variant subject_{std::int32_t{0}};
};

} // namespace kesmora
