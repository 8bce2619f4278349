#include "app/title_banner.h"

#include "app/config.h"
#include "platform/gbk.h"

#include <string>

namespace kesmora {
namespace {

Text Spaces(int n) {
    return Text(std::string(static_cast<std::size_t>(n), ' '));
}

} // namespace

Text TitleBanner() {
    return Concat({
        "Kesmora",
        Spaces(14),
        Gbk("订制版请联系QQ："),
        config::kContactNumber,
        Spaces(3),
        Gbk("订制版无广告"),
        Spaces(4),
        Gbk("官方主页："),
        config::kHomePage,
        Spaces(8),
        Gbk("当前版本：1.0"),
        Spaces(22),
    });
}

} // namespace kesmora
