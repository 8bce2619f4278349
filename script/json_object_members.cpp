// JsonObject: the member operations, each one script text (or a few) sent to the
// engine, in the order of the object's method table.
#include "script/script.h"

#include "platform/gbk.h"

#include <charconv>
#include <string>

namespace kesmora {
namespace {

namespace pf = platform;

// Every text read out of the engine turns the backslash marker back into backslashes.
const char* const kUnmark = ".replace(str_reg, '\\\\')";

Text Stringified(const Text& path) {
    return Concat({"JSON.stringify(", path, ")", kUnmark});
}

Text Indexed(const Text& path, std::int32_t index) {
    return Concat({path, "[", Text(std::to_string(index).c_str()), "]"});
}

// An array value: quoted as a string (no escaping), or as script source with `raw`.
Text ItemValue(const Text& value, bool raw) {
    return raw ? value : Concat({"'", value, "'"});
}

// The plain-text form of SetValue: a JavaScript string literal between apostrophes.
Text EscapeForLiteral(const Text& value) {
    Text escaped = Replace(value, "\\", "\\\\");
    escaped = Replace(escaped, "'", "\\'");
    escaped = Replace(escaped, "\"", "\\\"");
    escaped = Replace(escaped, "\r", "\\r");
    return Replace(escaped, "\n", "\\n");
}

// As the C format "%.13g" writes it, whatever the process locale.
Text ThirteenDigits(double number) {
    char buffer[64];
    const auto result =
        std::to_chars(buffer, buffer + sizeof buffer, number, std::chars_format::general, 13);
    return Text(buffer, static_cast<std::size_t>(result.ptr - buffer));
}

} // namespace

bool JsonObject::Clear() {
    return EvalBool(rootName_ + " = {}");
}

Text JsonObject::ToJson() {
    return EvalText(Stringified(rootName_));
}

bool JsonObject::SetValue(const Text& name, const Text& value, bool isJson) {
    bool found = false;
    const Text path = PathOf(name, &found);
    if (!isJson)
        return EvalBool(
            Concat({path, " = '", EscapeForLiteral(value), "'.replace(/\\\\/g, str_Code)"}));
    const Text kind = EvalText(Concat({"Object.prototype.toString.call(", path, ")"}));
    if (found && kind == Text("[object Object]"))
        return EvalBool(
            Concat({path, " = get__extend(", path, ", ", value.empty() ? Text("{}") : value, ")"}));
    return EvalBool(Concat({path, " = eval(", value, ")"}));
}

bool JsonObject::SetExpression(const Text& name, const Text& expression) {
    return EvalBool(Concat({PathOf(name), " = eval(", expression, ")"}));
}

bool JsonObject::Exists(const Text& name) {
    bool found = false;
    PathOf(name, &found);
    return found;
}

std::int32_t JsonObject::TypeOf(const Text& name) {
    const Text path = PathOf(name);
    if (EvalBool(path + " == null"))
        return 0;
    const Text kind = EvalText(Concat({"Object.prototype.toString.call(", path, ")"}));
    const std::pair<const char*, std::int32_t> codes[] = {{"[object String]", 6},
                                                          {"[object Array]", 5},
                                                          {"[object Object]", 4},
                                                          {"[object Number]", 2},
                                                          {"[object Boolean]", 1}};
    for (const auto& [text, code] : codes)
        if (kind == Text(text))
            return code;
    return -1;
}

Text JsonObject::GetText(const Text& name, bool asJson) {
    const Text path = PathOf(name);
    if (asJson)
        return EvalText(Stringified(path));
    return EvalText(Concat({path, ".toString()", kUnmark}));
}

std::int32_t JsonObject::GetKeys(TextArray* keys, const Text& name) {
    const Text path = PathOf(name);
    TextArray found = Split(EvalText(Concat({"get__name_All(", path, ")"})), "\r\n");
    const auto count = static_cast<std::int32_t>(found.size());
    if (keys != nullptr)
        *keys = std::move(found);
    return count;
}

std::int32_t JsonObject::GetCount(const Text& name) {
    return pf::VariantToInt32(Eval(Concat({"get__count(", PathOf(name), ")"})));
}

JsonObject JsonObject::GetObject(const Text& name) {
    JsonObject fresh;
    fresh.Parse(EvalText(Stringified(PathOf(name))));
    return JsonObject(fresh); // the copy keeps the engine; `fresh` goes
}

bool JsonObject::ArrayAdd(const Text& value, const Text& name, bool raw, bool atFront) {
    const Text path = PathOf(name);
    return EvalBool(Concat({"if (Object.prototype.toString.call(", path,
                            ") != '[object Array]') { ", path, " = new Array() } ", path,
                            atFront ? ".unshift(" : ".push(", ItemValue(value, raw), ")"}));
}

JsonObject JsonObject::GetItemObject(std::int32_t index, const Text& name) {
    JsonObject fresh;
    fresh.Parse(EvalText(Concat({"JSON.stringify(", Indexed(PathOf(name), index), ")", kUnmark})));
    return JsonObject(fresh);
}

Text JsonObject::GetItemText(std::int32_t index, const Text& name, bool asJson) {
    const Text item = Indexed(PathOf(name), index);
    if (asJson)
        return EvalText(Concat({"JSON.stringify(", item, ")", kUnmark}));
    return EvalText(item + kUnmark);
}

bool JsonObject::SetItem(std::int32_t index, const Text& name, const Text& value, bool raw) {
    return EvalBool(Concat({Indexed(PathOf(name), index), " = ", ItemValue(value, raw)}));
}

bool JsonObject::RemoveItem(std::int32_t index, const Text& name) {
    return EvalBool(
        Concat({PathOf(name), ".splice(", Text(std::to_string(index).c_str()), ", 1)"}));
}

bool JsonObject::Delete(const Text& name) {
    return EvalBool("delete " + PathOf(name));
}

bool JsonObject::SetNumber(const Text& name, double number) {
    return EvalBool(Concat({PathOf(name), " = ", ThirteenDigits(number)}));
}

double JsonObject::GetNumber(const Text& name) {
    return pf::VariantToDouble(Eval(PathOf(name)));
}

Text JsonObject::GetJson(const Text& name) {
    return EvalText(Stringified(PathOf(name)));
}

std::int32_t JsonObject::GetAllValues(TextArray* values, const Text& name, bool recursive) {
    const Text path = PathOf(name);
    Eval("var str_all = new Array()");
    Eval(Concat({"get__nodeValue(", path, recursive ? ", true)" : ", false)"}));
    const Text separator = Gbk("[2020年7月20日20时0分0秒]");
    TextArray found = Split(EvalText(Concat({"str_all.join('", separator, "')"})), separator);
    const auto count = static_cast<std::int32_t>(found.size());
    if (values != nullptr)
        *values = std::move(found);
    return count;
}

} // namespace kesmora
