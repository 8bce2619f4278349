// Arbitrary bytes as an advertisement record: loaded and read as the tiles do, under a
// short time limit so that every run ends quickly. Nothing may crash, and whatever the
// record holds, the picture reads as text or as nothing.
#include "script/script.h"

#include "platform/script_control.h"

#include <QCoreApplication>

#include <cstddef>
#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
    static QCoreApplication* app = new QCoreApplication(*argc, *argv); // lives to the end
    (void)app;
    kesmora::platform::ScriptLimits limits = kesmora::platform::GetScriptLimits();
    limits.timeLimit = std::chrono::milliseconds(50);
    kesmora::platform::SetScriptLimits(limits);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const kesmora::Text record(reinterpret_cast<const char*>(data), size);
    kesmora::JsonObject json;
    const bool loaded = json.Parse(record);
    const kesmora::Text picture = json.GetText("picture");
    if (!loaded && !picture.empty())
        std::abort(); // no document, no member
    return 0;
}
