#pragma once

// Helpers shared by the Qt tests: finding actions, children and windows by object name,
// answering the next modal window once, counting white pixels, reading a picture file back with
// an independent decoder, and the cleanup check that no window was left open.

#include "lattice/GrowthField.h"

#include <QAction>
#include <QApplication>
#include <QDialog>
#include <QEvent>
#include <QImage>
#include <QMenu>
#include <QPointer>
#include <QProcess>
#include <QWidget>
#include <QtTest>

#include <functional>
#include <list>

// The program's resources live in a static library; like the program's main(), every test
// names them once, before its first test runs. Q_INIT_RESOURCE must stand outside any namespace.
inline int initialiseProgramResources()
{
    Q_INIT_RESOURCE(dla);
    return 0;
}

namespace QtTestSupport {

inline const int programResources = initialiseProgramResources();

/// The child of `parent` with this object name; a missing one ends the test program at once,
/// since every check after it would be meaningless.
template <typename T = QWidget>
T* childNamed(const QObject* parent, const char* name)
{
    T* found = parent->findChild<T*>(QString::fromLatin1(name));
    if (!found)
        qFatal("no child named %s", name);
    return found;
}

inline QAction* actionNamed(const QObject& window, const char* name)
{
    return childNamed<QAction>(&window, name);
}

/// The top-level window with this object name, or nullptr.
inline QWidget* windowNamed(const char* name)
{
    for (QWidget* window : QApplication::topLevelWidgets())
        if (window->objectName() == QLatin1String(name))
            return window;
    return nullptr;
}

using ModalAnswer = std::function<void(QWidget*)>;

/// Watches the application for modal windows being shown and hands each to the first armed
/// answer that wants it. Event-driven, so nothing polls, and an answer runs exactly once.
class ModalAnswers : public QObject {
public:
    static ModalAnswers& instance()
    {
        static ModalAnswers* answers = new ModalAnswers(QCoreApplication::instance());
        return *answers;
    }

    void arm(const QString& objectName, ModalAnswer answer) { pending_.push_back({objectName, std::move(answer)}); }
    void dropPending() { pending_.clear(); }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() != QEvent::Show || !watched->isWidgetType())
            return false;
        auto* window = static_cast<QWidget*>(watched);
        if (!window->isWindow() || !window->isModal())
            return false;
        for (auto entry = pending_.begin(); entry != pending_.end(); ++entry) {
            if (entry->objectName.isEmpty() || entry->objectName == window->objectName()) {
                answerLater(window, std::move(entry->answer));
                pending_.erase(entry);
                break;
            }
        }
        return false;
    }

private:
    struct Entry {
        QString objectName;
        ModalAnswer answer;
    };

    explicit ModalAnswers(QObject* parent) : QObject(parent) { parent->installEventFilter(this); }

    /// Answers once the window's own event loop runs and the window is active, as it is when a
    /// user types into it (its accelerator keys work only then). A failed check inside the answer
    /// would leave the window waiting for a user: it is closed then, so the test ends instead of
    /// hanging.
    static void answerLater(QWidget* window, ModalAnswer answer)
    {
        QPointer<QWidget> target(window);
        QMetaObject::invokeMethod(
            QCoreApplication::instance(),
            [target, answer = std::move(answer)] {
                if (target)
                    (void)QTest::qWaitForWindowActive(target); // answered all the same if it never is
                if (!target)
                    return;
                answer(target);
                if (QTest::currentTestFailed() && target && target->isVisible()) {
                    if (auto* dialog = qobject_cast<QDialog*>(target.data()))
                        dialog->reject();
                    else
                        target->close();
                }
            },
            Qt::QueuedConnection);
    }

    std::list<Entry> pending_;
};

/// Answers the next modal window that is shown (of this object name, when one is given) once.
inline void answerNextModal(ModalAnswer answer, const QString& objectName = QString())
{
    ModalAnswers::instance().arm(objectName, std::move(answer));
}

inline bool isWhite(QRgb pixel)
{
    return (pixel & 0xFFFFFFu) == 0xFFFFFFu;
}

/// White pixels of a field in rows 0 to lastRow (all rows when lastRow is negative).
inline int whitePixels(const GrowthField& field, int lastRow = -1)
{
    const int rows = lastRow < 0 ? field.height() : lastRow + 1;
    int count = 0;
    for (int y = 0; y < rows; ++y)
        for (int x = 0; x < field.width(); ++x)
            count += field.isWhite(x, y) ? 1 : 0;
    return count;
}

/// White pixels of a picture as drawn (a grab of a widget, a file read back).
inline int whitePixels(const QImage& picture)
{
    const QImage rgb = picture.convertToFormat(QImage::Format_RGB32);
    int count = 0;
    for (int y = 0; y < rgb.height(); ++y) {
        const auto* line = reinterpret_cast<const QRgb*>(rgb.constScanLine(y));
        for (int x = 0; x < rgb.width(); ++x)
            count += isWhite(line[x]) ? 1 : 0;
    }
    return count;
}

/// ImageMagick's reading of a picture file, by default "width height bits-per-channel" (add
/// " %m" to the format for the file format it found), or why it failed.
inline QString identify(const QString& path, const QString& format = QStringLiteral("%w %h %z"))
{
    QProcess process;
    process.start(QStringLiteral("identify"), {QStringLiteral("-format"), format, path});
    if (!process.waitForFinished(60000) || process.exitCode() != 0)
        return QStringLiteral("identify failed: ") + QString::fromLocal8Bit(process.readAllStandardError());
    return QString::fromLocal8Bit(process.readAllStandardOutput()).trimmed();
}

/// For each test's cleanup(): fails when a top-level window was left visible (menus that Qt keeps
/// as hidden popups do not count), then hides the rest and drops answers no window took, so
/// the next test starts clean.
inline void verifyNoWindowLeftVisible()
{
    ModalAnswers::instance().dropPending();
    QStringList leftOpen;
    for (QWidget* window : QApplication::topLevelWidgets()) {
        if (window->isVisible() && !qobject_cast<QMenu*>(window)) {
            leftOpen << (window->objectName().isEmpty() ? QString::fromLatin1(window->metaObject()->className())
                                                        : window->objectName());
            window->hide();
        }
    }
    QVERIFY2(leftOpen.isEmpty(), qPrintable(QStringLiteral("left open: ") + leftOpen.join(QLatin1String(", "))));
}

} // namespace QtTestSupport
