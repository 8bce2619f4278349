// The menu bar of the main window: the function menu with the service site's pages
// and the version check, and the list of recommended services.
#pragma once

#include "common/text.h"

#include <functional>
#include <vector>

class QMenuBar;

namespace kesmora {

// A menu item that hands a fixed address to the browser. Captions are GBK text.
struct LinkItem {
    Text caption;
    Text address;
};

// "功能菜单": its four link items, top to bottom ("检测版本" follows them).
std::vector<LinkItem> FunctionMenuLinks();

// "业务推荐": eight items; the first two open the two exit pages.
std::vector<LinkItem> RecommendedServices();

// Fills the menu bar with "功能菜单" and "业务推荐". Link items call OpenInBrowser;
// "检测版本" calls checkVersion when it is set and does nothing otherwise.
void BuildMenuBar(QMenuBar* bar, std::function<void()> checkVersion);

} // namespace kesmora
