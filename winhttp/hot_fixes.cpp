#include "winhttp/winhttp.h"

#include "winhttp/wide_string.h"

namespace kesmora {
namespace {

constexpr long kForwardOnlyReturnImmediately = 0x20 | 0x10;
constexpr long kWaitForever = -1;

} // namespace

std::unique_ptr<platform::UpdateServices> ConnectWmiNamespace(const Bytes& nameSpace) {
    const auto locator = platform::CreateUpdateLocator();
    if (!locator)
        return nullptr;
    return locator->ConnectServer(WideString(nameSpace).c_str());
}

int QueryHotFixes(TextArray* hotFixIds, const std::optional<Text>& hotFixId) {
    TextArray local;
    TextArray& ids = hotFixIds != nullptr ? *hotFixIds : local;
    ids.clear();

    const auto services = ConnectWmiNamespace(TextToUtf16("root\\CIMV2"));
    if (!services)
        return 0;

    // The id goes in verbatim: a quote in it leaves a malformed query, which fails.
    Text query = "SELECT HotFixID FROM Win32_QuickFixEngineering";
    if (hotFixId)
        query = Concat({query, " WHERE HotFixID = '", *hotFixId, "'"});
    const auto rows = services->ExecQuery(u"WQL", WideString(TextToUtf16(query)).c_str(),
                                          kForwardOnlyReturnImmediately);
    if (!rows)
        return 0;

    const std::u16string property = WideString(TextToUtf16("HotFixID"));
    unsigned long returned = 0;
    do {
        std::unique_ptr<platform::UpdateObject> row;
        if (!rows->Next(kWaitForever, 1, &row, &returned) || !row)
            break;
        std::u16string value;
        if (row->Get(property.c_str(), &value))
            ids.push_back(Utf16ToGbkText(Utf16ZToBytes(value.c_str())));
    } while (returned != 0);
    return static_cast<int>(ids.size());
}

} // namespace kesmora
