#include "app/menus.h"

#include "app/config.h"
#include "app/shell_services.h"
#include "platform/gbk.h"

#include <QAction>
#include <QMenu>
#include <QMenuBar>

namespace kesmora {

std::vector<LinkItem> FunctionMenuLinks() {
    const Text host = config::kServiceHost;
    return {
        {Gbk("注册使用"), host + "/service/login/reg"},
        {Gbk("管理后台"), host + "/service/login/index"},
        {Gbk("版本下载"), host + "/download/"},
        {Gbk("官方客服"), host + "/index/index/home?visiter_id=&visiter_name=&avatar="
                                 "&business_id=2&groupid=1&special=2"},
    };
}

std::vector<LinkItem> RecommendedServices() {
    return {
        {Gbk("合作推荐一"), config::kExitPage1},
        {Gbk("合作推荐二"), config::kExitPage2},
        {Gbk("云服务器"), "https://cloud.kesmora.example"},
        {Gbk("短信服务"), "https://sms.kesmora.example"},
        {Gbk("域名注册"), "https://domains.kesmora.example"},
        {Gbk("企业邮箱"), "https://mail.kesmora.example"},
        {Gbk("内容分发"), "https://cdn.kesmora.example"},
        {Gbk("网站证书"), "https://certificates.kesmora.example"},
    };
}

namespace {

void AddLinks(QMenu* menu, const std::vector<LinkItem>& links) {
    for (const LinkItem& link : links) {
        QAction* action = menu->addAction(ToQString(link.caption));
        const Text address = link.address;
        QObject::connect(action, &QAction::triggered, menu, [address] { OpenInBrowser(address); });
    }
}

} // namespace

void BuildMenuBar(QMenuBar* bar, std::function<void()> checkVersion) {
    QMenu* functions = bar->addMenu(ToQString(Gbk("功能菜单")));
    functions->setObjectName(QStringLiteral("FunctionMenu"));
    AddLinks(functions, FunctionMenuLinks());
    QAction* check = functions->addAction(ToQString(Gbk("检测版本")));
    QObject::connect(check, &QAction::triggered, functions, [checkVersion] {
        if (checkVersion)
            checkVersion();
    });

    QMenu* recommended = bar->addMenu(ToQString(Gbk("业务推荐")));
    recommended->setObjectName(QStringLiteral("RecommendedMenu"));
    AddLinks(recommended, RecommendedServices());
}

} // namespace kesmora
