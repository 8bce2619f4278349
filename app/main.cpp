// Program entry: the OS version word first, then the window, its created handler, and
// the event loop until the window is gone.
#include "app/main_window.h"
#include "app/services/services.h"
#include "app/shell_services.h"
#include "app/version_check.h"
#include "app/window_search.h"

#include <QApplication>
#include <QIcon>
#include <QObject>

int main(int argc, char* argv[]) {
    kesmora::InitOsVersion();

    // The web view shares its OpenGL contexts with the widgets; this must be set before
    // the application object exists.
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    QApplication app(argc, argv);
    // The window never closes the ordinary way; the loop ends when it is destroyed.
    QApplication::setQuitOnLastWindowClosed(false);
    kesmora::InstallShellServices();
    kesmora::InstallTopLevelWindows();

    auto* window = new kesmora::MainWindow;
    // Dialogs without an owner (the close confirmation) carry the program's icon too.
    QApplication::setWindowIcon(window->windowIcon());
    window->SetCheckVersion([window] { kesmora::CheckVersion(window->VersionEdit()); });
    QObject::connect(window, &QObject::destroyed, &app, [] { QCoreApplication::exit(0); });
    window->Created();
    window->show();
    app.exec();
    return 0;
}
