// JsonObject: construction, copy, destruction, the engine and its calls, loading and
// path resolution.
#include "script/script.h"

#include "script/json_support.h"

namespace kesmora {

namespace pf = platform;

JsonObject::JsonObject() {
    rootName_ = "da";
    InitEngine();
}

JsonObject::JsonObject(const JsonObject& other)
    : rootName_(other.rootName_), engine_(other.engine_) {}

JsonObject::~JsonObject() {
    engine_.reset();
    pf::CoUninitialize();
}

void JsonObject::InitEngine() {
    pf::CoInitialize();
    engine_ = pf::CreateObject("MSScriptControl.ScriptControl");
    if (!engine_)
        return;
    pf::PutProperty(engine_, "Language", pf::Variant::FromAnsi("JavaScript"));
    pf::CallMethod(engine_, "AddCode", {pf::Variant(JsonSupportScript())}, nullptr);
    Eval(Concat({"var ", rootName_,
                 " = {}, str_Code = String.fromCharCode(9216), str_reg = new RegExp(str_Code, "
                 "'g')"}));
}

bool JsonObject::Parse(const Text& text, bool noEval, ScriptErrorInfo* errorInfo) {
    if (engine_) {
        engine_.reset();
        InitEngine();
    }
    if (!engine_)
        return false;
    Eval(Concat({"var ", rootName_, " = null"}));
    if (noEval)
        AddCode(Concat({"var ", rootName_, " = ", text}));
    else
        AddCode(Concat({"var ", rootName_, " = eval(", text, ")"}));
    if (errorInfo != nullptr) {
        pf::Variant error;
        pf::GetProperty(engine_, "Error", &error);
        const pf::ObjectRef& e = error.objectValue();
        auto read = [&e](const char* member) {
            pf::Variant v;
            pf::GetProperty(e, member, &v);
            return v;
        };
        errorInfo->Number = pf::VariantToInt32(read("Number"));
        errorInfo->Source = pf::VariantToText(read("Source"));
        errorInfo->Description = pf::VariantToText(read("Description"));
        errorInfo->HelpFile = pf::VariantToText(read("HelpFile"));
        errorInfo->HelpContext = pf::VariantToInt32(read("HelpContext"));
        errorInfo->LineText = pf::VariantToText(read("Text"));
        errorInfo->Line = pf::VariantToInt32(read("Line"));
        errorInfo->Column = pf::VariantToInt32(read("Column"));
    }
    return EvalBool(rootName_ + " != null");
}

bool JsonObject::ResolvePath(Text* name) {
    Text path = name != nullptr ? *name : Text();
    if (StartsWith(path, rootName_) && EvalBool(path + " != null"))
        return true;
    if (path.empty())
        path = rootName_;
    else if (StartsWith(path, "["))
        path = rootName_ + path;
    else
        path = Concat({rootName_, ".", path});
    if (name != nullptr)
        *name = path;
    return EvalBool(path + " != null");
}

pf::ObjectRef JsonObject::GetEngine() {
    return engine_;
}

namespace {

// The script as the one argument of a call, moved in (a document can be large).
std::vector<pf::Variant> ScriptArgument(const Text& script) {
    std::vector<pf::Variant> args;
    args.push_back(pf::Variant::FromAnsi(script));
    return args;
}

} // namespace

pf::Variant JsonObject::Eval(const Text& script) {
    pf::Variant value;
    pf::CallMethod(engine_, "Eval", ScriptArgument(script), &value);
    return value;
}

void JsonObject::AddCode(const Text& script) {
    pf::CallMethod(engine_, "AddCode", ScriptArgument(script), nullptr);
}

bool JsonObject::EvalBool(const Text& script) {
    return pf::VariantToBool(Eval(script));
}

Text JsonObject::EvalText(const Text& script) {
    return pf::VariantToText(Eval(script));
}

Text JsonObject::PathOf(const Text& name, bool* found) {
    Text path = name;
    const bool exists = ResolvePath(&path);
    if (found != nullptr)
        *found = exists;
    return path;
}

} // namespace kesmora
