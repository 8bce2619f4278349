// Every Chinese literal of the program is written once, in UTF-8 source, and turned
// into its GBK bytes here: Gbk("信息：") is the GBK text of that caption.
#pragma once

#include "common/text.h"

#include <string_view>

namespace kesmora {

// GBK text of a UTF-8 literal. A literal that is not valid UTF-8 or holds a character
// GBK lacks is a programming error; it gives an empty text.
Text Gbk(std::string_view utf8);

} // namespace kesmora
