// Classes by name, calls by member name, and the per-thread COM count.
#include "platform/automation.h"

#include "platform/script_control.h"

#include <mutex>
#include <unordered_map>

namespace kesmora::platform {
namespace {

std::string FoldCase(std::string_view name) {
    std::string folded(name);
    for (char& c : folded)
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    return folded;
}

struct Registry {
    std::mutex lock;
    std::unordered_map<std::string, ObjectFactory> factories;

    // The built-in classes are here from the start, so that no static initialiser
    // has to run (or be kept by the linker) for them to exist.
    Registry() {
        factories.emplace(FoldCase(kScriptControlClass), &CreateScriptControl);
        factories.emplace(FoldCase(kRegExpClass), &CreateRegExpComponent);
    }
};

Registry& TheRegistry() {
    static Registry* registry = new Registry; // never destroyed: usable until exit
    return *registry;
}

thread_local int comCount = 0;

} // namespace

bool SameMember(std::string_view a, std::string_view b) {
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        char x = a[i], y = b[i];
        if (x >= 'A' && x <= 'Z')
            x = static_cast<char>(x - 'A' + 'a');
        if (y >= 'A' && y <= 'Z')
            y = static_cast<char>(y - 'A' + 'a');
        if (x != y)
            return false;
    }
    return true;
}

bool RegisterObjectClass(std::string_view className, ObjectFactory factory) {
    if (!factory || className.empty())
        return false;
    Registry& registry = TheRegistry();
    std::lock_guard<std::mutex> guard(registry.lock);
    return registry.factories.emplace(FoldCase(className), std::move(factory)).second;
}

ObjectRef CreateObject(std::string_view className) {
    if (comCount <= 0)
        return nullptr;
    ObjectFactory factory;
    {
        Registry& registry = TheRegistry();
        std::lock_guard<std::mutex> guard(registry.lock);
        const auto found = registry.factories.find(FoldCase(className));
        if (found == registry.factories.end())
            return nullptr;
        factory = found->second;
    }
    return factory(); // outside the lock: a factory may be slow or create objects itself
}

bool PutProperty(const ObjectRef& object, std::string_view member, const Variant& value) {
    return object && object->Put(member, value);
}

bool GetProperty(const ObjectRef& object, std::string_view member, Variant* result) {
    Variant value;
    if (!object || !object->Get(member, &value))
        return false;
    if (result != nullptr)
        *result = std::move(value);
    return true;
}

bool CallMethod(const ObjectRef& object, std::string_view member, const std::vector<Variant>& args,
                Variant* result) {
    Variant value;
    if (!object || !object->Call(member, args, &value))
        return false;
    if (result != nullptr)
        *result = std::move(value);
    return true;
}

long CoInitialize(void* /*reserved*/) {
    return comCount++ == 0 ? kSOk : kSFalse;
}

void CoUninitialize() {
    if (comCount > 0)
        --comCount;
}

int CoInitializeCount() {
    return comCount;
}

} // namespace kesmora::platform
