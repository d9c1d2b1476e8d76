#include "MainWindow.h"

#include <QApplication>
#include <QIcon>

#include <cstdio>
#include <cstdlib>

namespace {

/// Without a display Qt would abort with a platform-plugin error; say plainly what is missing.
bool displayAvailable()
{
    const auto isSet = [](const char* name) {
        const char* value = std::getenv(name);
        return value && *value;
    };
    return isSet("QT_QPA_PLATFORM") || isSet("DISPLAY") || isSet("WAYLAND_DISPLAY");
}

} // namespace

int main(int argc, char* argv[])
{
    if (!displayAvailable()) {
        std::fprintf(stderr, "dla: no display to open the window on (DISPLAY is not set).\n"
                             "Run it on a desktop, or grow pictures without one with dla-grow.\n");
        return 1;
    }
    QApplication app(argc, argv);
    QApplication::setWindowIcon(QIcon(QStringLiteral(":/dla.png")));
    MainWindow window;
    window.show();
    return QApplication::exec();
}
