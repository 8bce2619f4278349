// The fixed text placed before the status text in the window title.
#pragma once

#include "common/text.h"

namespace kesmora {

// "Kesmora", the contact number, the note that the custom edition carries no
// advertising, the home page and the version, separated by the runs of spaces the
// title has always had. GBK text.
Text TitleBanner();

} // namespace kesmora
