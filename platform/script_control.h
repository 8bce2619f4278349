// The built-in automation classes: the script control on QJSEngine and the
// regular-expression object on QRegularExpression. Both are created through
// CreateObject (platform/automation.h); this header gives their names, their limits
// and the factories the registry uses.
//
// Script control ("MSScriptControl.ScriptControl"), members:
//   Language   property; "JavaScript" (or "JScript", any case) starts a fresh engine,
//              any other name fails. AddCode and Eval fail until it is set.
//   AddCode(text)  runs the statements in the global scope ("var x" defines a global).
//   Eval(text)     runs the text and gives its value: undefined as empty, null as null,
//                  booleans, numbers (integral values in the 32-bit range as Int32,
//                  others as Double), strings, and any object as an object whose
//                  default value is its string form.
//   Error      property; an object with Number, Source, Description, HelpFile,
//              HelpContext, Text (the source line), Line, Column and a Clear method,
//              describing the last AddCode or Eval. Each AddCode and Eval clears it
//              first; after a call that succeeded Number is 0 and the texts are empty.
//
// The engine is a sandbox for text from the network: no host objects, no extensions,
// only the ECMAScript built-ins, minus the ones that can take memory in one step without
// an interruption point (array buffers, typed arrays, Atomics) and the non-ECMAScript
// URL classes. Built-ins that walk a length in one native step (the Array.prototype
// methods, String repeat and padding) refuse lengths above kScriptMaxLength with a
// RangeError. Every AddCode and Eval runs under the limits below; a run that reaches
// one is interrupted, fails as a script error, and the engine stays usable.
#pragma once

#include "platform/automation.h"

#include <chrono>
#include <cstddef>
#include <cstdint>

#include <QString>
#include <QStringView>

#include <optional>

class QJSEngine;
class QRegularExpressionMatch;

namespace kesmora::platform {

inline constexpr const char* kScriptControlClass = "MSScriptControl.ScriptControl";
inline constexpr const char* kRegExpClass = "VBScript.RegExp";

// Error numbers (Number) of our own:
inline constexpr int kScriptErrorRuntime = 1;     // an exception reached the top
inline constexpr int kScriptErrorSyntax = 2;      // the text did not compile
inline constexpr int kScriptErrorInterrupted = 3; // time or memory limit reached
inline constexpr int kScriptErrorRefused = 4;     // text too large, refused unread
inline constexpr int kScriptErrorNoLanguage = 5;  // Language not set

// Longest array or string that a single built-in call may walk or make.
inline constexpr double kScriptMaxLength = 4.0 * 1024 * 1024;

struct ScriptLimits {
    // Wall time of one AddCode or Eval.
    std::chrono::milliseconds timeLimit{2000};
    // Growth of the process's resident memory during one AddCode or Eval.
    std::size_t memoryGrowthBytes = std::size_t{384} << 20;
    // Texts longer than this (UTF-16 units) are refused before compilation: compiling
    // cannot be interrupted, and its cost grows with the text (up to about a second
    // for this much deeply nested source; deeper than the compiler's own limit fails
    // as a syntax error). A text that is one JSON object or array assigned through
    // eval (the document load) is read by the JSON parser instead and may be up to
    // maxDocumentUnits long; 10 MiB of nested brackets is refused either way.
    std::size_t maxSourceUnits = std::size_t{256} << 10;
    std::size_t maxDocumentUnits = std::size_t{16} << 20;
};

// The limits in force for every script control in the process. The defaults are the
// documented ones; tests lower them.
ScriptLimits GetScriptLimits();
void SetScriptLimits(const ScriptLimits& limits);

// Factories the registry uses. The script control needs a QCoreApplication (the Qt
// engine refuses to start without one): with none, no object is made.
ObjectRef CreateScriptControl();
ObjectRef CreateRegExpComponent();

namespace detail {

// Used by the script control's own files.

// One guarded run of `engine`: from construction to Finish the watchdog thread
// interrupts the engine when the run passes the time or memory limit.
class ScriptWatch {
public:
    enum class Outcome { Finished, TimeLimit, MemoryLimit };

    explicit ScriptWatch(QJSEngine* engine);
    ~ScriptWatch();
    ScriptWatch(const ScriptWatch&) = delete;
    ScriptWatch& operator=(const ScriptWatch&) = delete;

    // Ends the watch and clears the engine's interruption, so that it runs again;
    // tells whether (and why) the run was interrupted.
    Outcome Finish();

private:
    std::uint64_t id_ = 0;
    QJSEngine* engine_ = nullptr;
    bool finished_ = false;
    Outcome outcome_ = Outcome::Finished;
};

// The text every fresh engine runs before anything else: the length guards and the
// removal of the built-ins the sandbox does without.
QString SandboxPrelude();

// A program that only loads a JSON document into a global variable, as
// "var <name> = eval(<json>)" or "var <name> = <json>", where <json> is an object or
// array no deeper than kMaxDocumentDepth with no "__proto__" name (which a literal and
// the JSON parser treat differently). Such a program gives the same result when the
// document is read by the JSON parser, which is linear in the text and far cheaper
// than compiling it. Whether <json> is valid JSON is left to the parser.
struct DocumentLoad {
    QString variable;
    QStringView json;
};
inline constexpr int kMaxDocumentDepth = 1000;
std::optional<DocumentLoad> MatchDocumentLoad(QStringView program);

// The regular-expression object's syntax on PCRE2: \uXXXX becomes \x{XXXX}, and
// without `multiline` a $ outside a class matches only at the very end (PCRE2 would
// also match before a final line break).
QString TranslatePattern(QStringView pattern, bool multiline);

// The replacement text for one match: $1..$99 (two digits when that group exists), $&
// the match, $` the text before it, $' the text after it, $$ one dollar; any other $
// stands for itself. A group that took no part gives nothing.
QString ExpandReplacement(QStringView replacement, const QRegularExpressionMatch& match,
                          QStringView subject);

} // namespace detail
} // namespace kesmora::platform
