// Strings between automation variants and Qt, for the objects built on Qt (the script
// control and the regular-expression object). Both sides hold UTF-16, so nothing is
// converted, only copied.
#pragma once

#include "platform/automation.h"

#include <QString>

#include <string>

namespace kesmora::platform {

inline QString ToQString(const std::u16string& s) {
    return QString::fromUtf16(s.data(), static_cast<qsizetype>(s.size()));
}

inline Variant StringVariant(const QString& s) {
    return Variant(s.toStdU16String());
}

} // namespace kesmora::platform
