#include "app/services/services.h"

#include "platform/system.h"

namespace kesmora {

std::int16_t OsVersion = 0;

OsVersionInfo ProbeOsVersion() {
    const platform::OsRelease release = platform::QueryOsRelease();
    OsVersionInfo info;
    if (!release.ok)
        return info;
    info.major = release.major;
    info.minor = release.minor;
    info.succeeded = true;
    return info;
}

std::int16_t PackOsVersion(std::uint32_t major, std::uint32_t minor) {
    const auto word = static_cast<std::uint16_t>((major & 0xFFu) << 8 | (minor & 0xFFu));
    return static_cast<std::int16_t>(word);
}

void InitOsVersion() {
    const OsVersionInfo info = ProbeOsVersion();
    OsVersion = PackOsVersion(info.major, info.minor);
}

} // namespace kesmora
