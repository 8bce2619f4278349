// The support script that every engine of a JsonObject gets: json_support.js with the
// JSON polyfill (json_polyfill.js) quoted into it, both compiled in as resources.
#pragma once

#include <string>

namespace kesmora {

// The script as UTF-16, read once. Empty only when the resource is missing from the
// build.
const std::u16string& JsonSupportScript();

} // namespace kesmora
