// Automation: values of the standard variant kinds, their standard conversions, and
// objects created by class name and driven by member name.
//
// Objects:
//   - CreateObject looks the class name up in a process-wide registry (name ->
//     factory). An unknown name, or a thread on which CoInitialize has not been called,
//     gives no object. The script control ("MSScriptControl.ScriptControl") and the
//     regular-expression object ("VBScript.RegExp") are built in; other families add
//     their classes with RegisterObjectClass before first use.
//   - An ObjectRef is a counted reference: copies share the object, which goes when
//     the last reference goes. An object belongs to the thread that created it.
//   - Members are named case-insensitively, as automation names are. An unknown member,
//     wrong arguments or a failing call report failure (false); nothing throws.
//
// Strings cross the boundary as UTF-16. Program texts (GBK, code page 936) are turned
// into UTF-16 and back with the code-page calls (FromAnsi / VariantToText).
#pragma once

#include "common/text.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace kesmora::platform {

class AutomationObject;
using ObjectRef = std::shared_ptr<AutomationObject>;

enum class VariantKind { Empty, Null, Bool, Int32, Double, String, Object, ByteArray };

// One automation value. A default-constructed variant is empty.
class Variant {
public:
    Variant() = default;
    explicit Variant(bool b) : kind_(VariantKind::Bool), b_(b) {}
    explicit Variant(std::int32_t i) : kind_(VariantKind::Int32), i_(i) {}
    explicit Variant(double d) : kind_(VariantKind::Double), d_(d) {}
    explicit Variant(std::u16string s) : kind_(VariantKind::String), s_(std::move(s)) {}
    explicit Variant(ObjectRef o) : kind_(VariantKind::Object), o_(std::move(o)) {}
    explicit Variant(Bytes bytes) : kind_(VariantKind::ByteArray), bytes_(std::move(bytes)) {}
    Variant(const char*) = delete; // a literal would silently become a bool

    static Variant Null();
    // The GBK text as a UTF-16 string (code page 936, replacing invalid sequences).
    static Variant FromAnsi(const Text& text);

    VariantKind kind() const { return kind_; }
    bool isEmpty() const { return kind_ == VariantKind::Empty; }
    // Raw content; meaningful only for the matching kind.
    bool boolValue() const { return b_; }
    std::int32_t intValue() const { return i_; }
    double doubleValue() const { return d_; }
    const std::u16string& stringValue() const { return s_; }
    const ObjectRef& objectValue() const { return o_; }
    const Bytes& bytesValue() const { return bytes_; }

    // The standard conversions; nullopt when the value does not convert.
    //   - empty converts to false, 0 and the empty string; null converts to nothing.
    //   - bool as text is "-1" or "0", as a number -1 or 0.
    //   - numbers as bool: not zero; as integers: truncated toward zero (out of range
    //     fails); as text: up to 15 significant digits ("0.1", "1E+21").
    //   - a string converts to a number only when it reads as one (blanks around it
    //     allowed), to a bool only when it reads as a number or as True/False (any case).
    //   - an object converts through its default value (no default value: fails).
    //   - a byte array converts to nothing but itself.
    std::optional<bool> toBool() const;
    std::optional<std::int32_t> toInt32() const;
    std::optional<double> toDouble() const;
    std::optional<std::u16string> toString() const;

private:
    VariantKind kind_ = VariantKind::Empty;
    bool b_ = false;
    std::int32_t i_ = 0;
    double d_ = 0;
    std::u16string s_;
    ObjectRef o_;
    Bytes bytes_;
};

// Conversions to the kind asked for; a value that does not convert gives the empty
// value of that kind (false, 0, empty text).
bool VariantToBool(const Variant& v);
std::int32_t VariantToInt32(const Variant& v);
double VariantToDouble(const Variant& v);
// As a string, then to GBK (code page 936, "?" for characters GBK lacks).
Text VariantToText(const Variant& v);

// An object driven by member name. Implementations return false for unknown members
// and failing calls and leave *result alone then.
class AutomationObject {
public:
    virtual ~AutomationObject() = default;
    virtual bool Put(std::string_view member, const Variant& value) = 0;
    virtual bool Get(std::string_view member, Variant* result) = 0;
    virtual bool Call(std::string_view member, const std::vector<Variant>& args,
                      Variant* result) = 0;
    // The value the object stands for when converted to a plain kind; false when it
    // has none.
    virtual bool DefaultValue(Variant* /*result*/) { return false; }
};

// Compares member names as automation does (ASCII, any case).
bool SameMember(std::string_view a, std::string_view b);

// --- registry ----------------------------------------------------------------------

using ObjectFactory = std::function<ObjectRef()>;

// Adds a class; false (and no change) when the name is taken or the factory is empty.
// Names are compared in any case.
bool RegisterObjectClass(std::string_view className, ObjectFactory factory);
// A new object of the class; null for an unknown class, a factory that gives none, or
// a thread without CoInitialize.
ObjectRef CreateObject(std::string_view className);

// --- calls by name -----------------------------------------------------------------
// Each returns false when the reference is null or the member fails; *result (may be
// null) is written only on success.

bool PutProperty(const ObjectRef& object, std::string_view member, const Variant& value);
bool GetProperty(const ObjectRef& object, std::string_view member, Variant* result);
bool CallMethod(const ObjectRef& object, std::string_view member, const std::vector<Variant>& args,
                Variant* result);

// --- COM initialisation ------------------------------------------------------------
// A per-thread count. CoInitialize returns 0 when it started the count on this thread
// and 1 when it was already above zero; CoUninitialize lowers it (never below zero).

inline constexpr long kSOk = 0;
inline constexpr long kSFalse = 1;

long CoInitialize(void* reserved = nullptr);
void CoUninitialize();
int CoInitializeCount(); // this thread's count

} // namespace kesmora::platform
