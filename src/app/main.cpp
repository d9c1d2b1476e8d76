#include "MainWindow.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QIcon>
#include <QList>

#include <cstdio>
#include <cstdlib>
#include <memory>

namespace {

/// The command line: --help and --version, answered without a display, and the options with
/// which Qt's desktop programs choose and set up their display, handed on to Qt.
class CommandLine {
public:
    CommandLine()
    {
        parser_.setApplicationDescription(QStringLiteral(
            "Grows clusters by diffusion-limited aggregation in a window: plant life rising from the "
            "ground, or a snowflake growing from its centre. Without a display, grow pictures with dla-grow."));
        parser_.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
        parser_.addHelpOption();
        parser_.addVersionOption();
        parser_.addOption(QCommandLineOption(QStringLiteral("platform"),
                                            QStringLiteral("The Qt platform to show the window on, for example "
                                                           "xcb, wayland, or offscreen (no window at all)."),
                                            QStringLiteral("name")));
        // Qt's other options for every desktop program.
        for (const char* name : {"display", "style", "stylesheet", "geometry", "qwindowgeometry", "qwindowtitle",
                                 "platformtheme", "platformpluginpath"})
            addHidden(QCommandLineOption(QString::fromLatin1(name), QString(), QStringLiteral("value")));
        for (const char* name : {"reverse", "widgetcount"})
            addHidden(QCommandLineOption(QString::fromLatin1(name)));
    }

    /// Answers --help and --version, and refuses what is not an option of the program; each of
    /// these ends the program. Needs no display.
    void answer(int& argc, char** argv)
    {
        const QCoreApplication commandLine(argc, argv);
        parser_.process(commandLine);
        if (!parser_.positionalArguments().isEmpty()) {
            std::fprintf(stderr, "dla: unexpected argument '%s'; see dla --help\n",
                         qPrintable(parser_.positionalArguments().constFirst()));
            std::exit(1);
        }
    }

private:
    void addHidden(QCommandLineOption option)
    {
        option.setFlags(QCommandLineOption::HiddenFromHelp);
        parser_.addOption(option);
    }

    QCommandLineParser parser_;
};

/// What Qt says while it opens the display, held back: when no display can be opened, Qt would
/// end the program with a fatal message and a core dump; the user gets one line instead.
struct HeldMessage {
    QtMsgType type;
    const char* category; // Qt's category names live as long as the program
    QString text;
};
QList<HeldMessage> heldMessages;

QString describe(const char* variable)
{
    const char* value = std::getenv(variable);
    if (!value || !*value)
        return QStringLiteral("%1 is not set").arg(QLatin1String(variable));
    return QStringLiteral("%1=%2").arg(QLatin1String(variable), QString::fromLocal8Bit(value));
}

void holdWhileOpening(QtMsgType type, const QMessageLogContext& context, const QString& text)
{
    if (type == QtFatalMsg) {
        std::fprintf(stderr, "dla: no display could be opened (%s, %s); run dla on a desktop, or grow pictures "
                             "without one with dla-grow\n",
                     qPrintable(describe("DISPLAY")), qPrintable(describe("WAYLAND_DISPLAY")));
        std::fflush(stderr);
        std::_Exit(1);
    }
    heldMessages.append(HeldMessage{type, context.category, text});
}

/// The application on the display that Qt chooses (or that -platform names); ends the program
/// with status 1 and one line on standard error when there is none.
std::unique_ptr<QApplication> openDisplay(int& argc, char** argv)
{
    const QtMessageHandler ordinary = qInstallMessageHandler(holdWhileOpening);
    auto application = std::make_unique<QApplication>(argc, argv);
    qInstallMessageHandler(ordinary);
    for (const HeldMessage& message : std::as_const(heldMessages))
        qt_message_output(message.type, QMessageLogContext(nullptr, 0, nullptr, message.category), message.text);
    heldMessages.clear();
    return application;
}

} // namespace

int main(int argc, char* argv[])
{
    // The resources live in a static library: name them once, or the linker leaves them out.
    Q_INIT_RESOURCE(dla);
    QCoreApplication::setApplicationName(QStringLiteral("dla"));
    QCoreApplication::setApplicationVersion(QStringLiteral(DLA_VERSION));
    CommandLine().answer(argc, argv);

    const std::unique_ptr<QApplication> application = openDisplay(argc, argv);
    QApplication::setWindowIcon(QIcon(QStringLiteral(":/dla.png")));
    MainWindow window;
    // An agreed close ends the event loop outright: quit() would ask every window again, and a
    // window that says no would keep the program running.
    QObject::connect(&window, &MainWindow::closeAgreed, application.get(), [] { QCoreApplication::exit(0); });
    window.show();
    // The keyboard goes to the new window; without a window manager nobody else gives it.
    window.activateWindow();
    return QApplication::exec();
}
