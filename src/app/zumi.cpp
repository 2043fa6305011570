// Start-up: the application object, its title, the main window and the event loop.
#include "Application.h"
#include "Unit1.h"
#include "platform/Memory.h"

#include <QFile>
#include <QLibraryInfo>
#include <QTranslator>
#include <cstdio>
#include <cstdlib>

namespace {

bool HasDisplay() {
    for (const char* variable : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"}) {
        const char* value = std::getenv(variable);
        if (value != nullptr && *value != '\0')
            return true;
    }
    return false;
}

} // namespace

int main(int argc, char** argv) {
    if (!HasDisplay()) {
        std::fprintf(stderr,
                     "zumi: no display (DISPLAY and WAYLAND_DISPLAY are unset); start it in an X11 or "
                     "Wayland session, or headless with: apt-get install xvfb && xvfb-run -a %s\n",
                     argv[0]);
        return 1;
    }
    zumi::ShareOneArena();
    BlockTerminationSignals();
    TApplication app(argc, argv);
    // The interface is Japanese, so Qt's own dialogs speak Japanese too.
    QTranslator qtTranslator;
    if (qtTranslator.load(QStringLiteral("qtbase_ja"), QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        TApplication::installTranslator(&qtTranslator);
    TApplication::setApplicationDisplayName(QStringLiteral("Zumi"));
    // Ties the windows to the installed menu entry, whose icon Wayland desktops show.
    TApplication::setDesktopFileName(QStringLiteral("zumi"));

    WatchTerminationSignals();
    TForm1 form(QFile::encodeName(TApplication::applicationFilePath()).toStdString());
    CloseOnTerminationSignals(&form);
    form.show();
    return TApplication::exec();
}
