#include "MainWindow.h"
#include "QtTestSupport.h"
#include "SavePictureDialog.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QLineEdit>
#include <QMessageBox>
#include <QProcess>
#include <QPushButton>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>

#include <functional>
#include <memory>
#include <sys/resource.h>

namespace {

using namespace QtTestSupport;

/// Answers the save prompt with "yesButton" or "noButton", or closes it ("" = close box).
void answerPrompt(const char* button, bool* asked = nullptr, bool* plantShownWhenAsked = nullptr,
                  MainWindow* window = nullptr)
{
    answerNextModal(
        [=](QWidget* prompt) {
            if (asked)
                *asked = true;
            if (plantShownWhenAsked)
                *plantShownWhenAsked = window->isPlantLifeMode();
            if (*button)
                QTest::mouseClick(childNamed<QPushButton>(prompt, button), Qt::LeftButton);
            else
                prompt->close();
        },
        QStringLiteral("savePrompt"));
}

/// Confirms the save dialog with `path`, or cancels it when `path` is empty.
void answerSaveDialog(const QString& path, QString* offered = nullptr)
{
    answerNextModal(
        [=](QWidget* widget) {
            auto* dialog = qobject_cast<QFileDialog*>(widget);
            if (offered)
                *offered = dialog->selectedFiles().value(0);
            if (path.isEmpty()) {
                dialog->reject();
                return;
            }
            // Typed into the name box, as a user would.
            childNamed<QLineEdit>(dialog, "fileNameEdit")->setText(path);
            QMetaObject::invokeMethod(dialog, "accept");
        },
        QStringLiteral("savePictureDialog"));
}

/// Answers Yes to the question before a save replaces an existing file.
void answerReplaceQuestionYes(QString* question = nullptr)
{
    answerNextModal([=](QWidget* widget) {
        auto* box = qobject_cast<QMessageBox*>(widget);
        QVERIFY(box);
        if (question)
            *question = box->text();
        box->button(QMessageBox::Yes)->click();
    });
}

void answerErrorBox(QString* text)
{
    answerNextModal(
        [=](QWidget* widget) {
            auto* box = qobject_cast<QMessageBox*>(widget);
            *text = box ? box->text() : QStringLiteral("not a message box");
            widget->close();
        },
        QStringLiteral("errorBox"));
}

} // namespace

class CloseCheckTest : public QObject {
    Q_OBJECT

private slots:
    void init()
    {
        temporary = std::make_unique<QTemporaryDir>();
        QVERIFY(temporary->isValid());
    }

    void cleanup() { verifyNoWindowLeftVisible(); }

    void saveAsWritesTheCurrentPictureUnderTheRuleName_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("written");
        QTest::addColumn<QString>("format");
        QTest::newRow("no extension") << "tree" << "tree.bmp" << "BMP3";
        QTest::newRow("ico stays") << "tree.ico" << "tree.ico" << "BMP3";
        QTest::newRow("long extension") << "tree.jpeg" << "tree.jpeg.bmp" << "BMP3";
        QTest::newRow("dots") << "a.b.c" << "a.b.c" << "BMP3";
        // A file's contents match its name: PNG for ".png" in any case.
        QTest::newRow("png") << "tree.PnG" << "tree.PnG" << "PNG";
    }
    void saveAsWritesTheCurrentPictureUnderTheRuleName()
    {
        QFETCH(QString, typed);
        QFETCH(QString, written);
        QFETCH(QString, format);
        MainWindow window(0);
        window.state().plantUnsaved = window.state().snowUnsaved = true;
        const QString path = folder.filePath(typed);
        answerSaveDialog(path);
        actionNamed(window, "saveAsAction")->trigger();
        QVERIFY(QFile::exists(folder.filePath(written)));
        if (format == QStringLiteral("BMP3"))
            QCOMPARE(QFile(folder.filePath(written)).size(), 135654);
        QCOMPARE(identify(folder.filePath(written), QStringLiteral("%w %h %z %m")), QStringLiteral("150 300 8 ") + format);
        QVERIFY(!window.state().plantUnsaved);
        QVERIFY(window.state().snowUnsaved); // only the saved mode's flag

        // The next opening offers the name as confirmed, without ".bmp".
        QString offered;
        answerSaveDialog(QString(), &offered);
        actionNamed(window, "saveAsAction")->trigger();
        QCOMPARE(offered, path);
    }

    void snowflakeModeSavesTheFlakeAndCancelChangesNothing()
    {
        MainWindow window(0);
        actionNamed(window, "snowflakeAction")->trigger();
        window.state().snowUnsaved = window.state().plantUnsaved = true;
        answerSaveDialog(QString());
        actionNamed(window, "saveAsAction")->trigger();
        QVERIFY(window.state().snowUnsaved);
        QVERIFY(QDir(folder.path()).isEmpty());

        QFile old(folder.filePath("flake.bmp"));
        QVERIFY(old.open(QIODevice::WriteOnly));
        old.write("an older file");
        old.close();
        answerSaveDialog(folder.filePath("flake.bmp"));
        QString question;
        answerReplaceQuestionYes(&question);
        actionNamed(window, "saveAsAction")->trigger();
        QVERIFY2(question.startsWith(QStringLiteral("flake.bmp already exists.")), qPrintable(question));
        QCOMPARE(QFile(folder.filePath("flake.bmp")).size(), 270054); // replaced after Yes
        QVERIFY(!window.state().snowUnsaved);
        QVERIFY(window.state().plantUnsaved);
    }

    void aFailedSaveShowsTheMessageAndKeepsTheFlag()
    {
        MainWindow window(0);
        window.state().plantUnsaved = true;
        const QString missing = folder.filePath("no-such-folder/tree");
        QString text;
        answerSaveDialog(missing);
        answerErrorBox(&text);
        actionNamed(window, "saveAsAction")->trigger();
        QCOMPARE(text, QStringLiteral("Cannot create file %1.bmp.").arg(missing));
        QVERIFY(window.state().plantUnsaved);

        // A write that falls short leaves the old file as it was.
        QFile old(folder.filePath("kept.bmp"));
        QVERIFY(old.open(QIODevice::WriteOnly));
        old.write("the old picture");
        old.close();
        rlimit saved{};
        getrlimit(RLIMIT_FSIZE, &saved);
        rlimit small = saved;
        small.rlim_cur = 4096;
        setrlimit(RLIMIT_FSIZE, &small);
        answerSaveDialog(folder.filePath("kept.bmp"));
        answerReplaceQuestionYes();
        answerErrorBox(&text);
        actionNamed(window, "saveAsAction")->trigger();
        setrlimit(RLIMIT_FSIZE, &saved);
        QCOMPARE(text, QStringLiteral("Stream write error."));
        QVERIFY(old.open(QIODevice::ReadOnly));
        QCOMPARE(old.readAll(), QByteArray("the old picture"));
        QVERIFY(window.state().plantUnsaved);
    }

    void everyWayOutOfTheSaveDialogGivesTheKeyboardBack_data()
    {
        QTest::addColumn<QString>("name"); // typed into the dialog; empty: cancelled
        QTest::addColumn<bool>("existing");
        QTest::addColumn<bool>("failing");
        QTest::newRow("cancelled") << QString() << false << false;
        QTest::newRow("a new name") << "tree" << false << false;
        QTest::newRow("an existing name, replace? Yes") << "tree" << true << false;
        QTest::newRow("a save that fails, the error box's OK") << "no-such-folder/tree" << false << true;
    }
    void everyWayOutOfTheSaveDialogGivesTheKeyboardBack()
    {
        // Without a window manager nobody else would: the question's Yes handed the keyboard to
        // the save dialog, already on its way out, and every key after it went nowhere.
        QFETCH(QString, name);
        QFETCH(bool, existing);
        QFETCH(bool, failing);
        MainWindow window(0);
        window.show();
        QVERIFY(QTest::qWaitForWindowActive(&window));
        if (existing) {
            QFile old(folder.filePath(name + ".bmp"));
            QVERIFY(old.open(QIODevice::WriteOnly));
            old.write("an older file");
        }
        answerSaveDialog(name.isEmpty() ? QString() : folder.filePath(name));
        bool asked = false;
        if (existing) {
            answerReplaceQuestionYes();
            asked = true;
        }
        QString error;
        if (failing)
            answerErrorBox(&error);
        actionNamed(window, "saveAsAction")->trigger();
        QCOMPARE(!error.isEmpty(), failing);
        if (asked)
            QCOMPARE(QFile(folder.filePath(name + ".bmp")).size(), 135654);
        QTRY_COMPARE(QApplication::activeWindow(), &window);
    }

    void closingWithNothingUnsavedEndsAtOnce()
    {
        MainWindow window(0);
        window.show();
        window.state().snowUnsaved = false;
        QSignalSpy agreed(&window, &MainWindow::closeAgreed);
        QVERIFY(!window.close()); // the main window is never hidden by a close
        QVERIFY(window.quitRequested());
        QCOMPARE(agreed.count(), 1);
        QVERIFY(window.isVisible());
    }

    void theCloseCheckAsksAboutTheCurrentPicture_data()
    {
        QTest::addColumn<QString>("answer");
        QTest::addColumn<bool>("saveConfirmed");
        QTest::addColumn<bool>("ends");
        QTest::newRow("yes and save") << "yesButton" << true << true;
        QTest::newRow("no") << "noButton" << false << true;
        QTest::newRow("prompt closed") << "" << false << false;
        QTest::newRow("yes, dialog cancelled") << "yesButton" << false << false;
    }
    void theCloseCheckAsksAboutTheCurrentPicture()
    {
        QFETCH(QString, answer);
        QFETCH(bool, saveConfirmed);
        QFETCH(bool, ends);
        MainWindow window(0);
        window.show();
        window.state().plantUnsaved = true;
        bool asked = false;
        const QByteArray button = answer.toLatin1();
        answerPrompt(button.constData(), &asked);
        if (answer == QStringLiteral("yesButton"))
            answerSaveDialog(saveConfirmed ? folder.filePath("closing") : QString());
        actionNamed(window, "exitAction")->trigger();
        QVERIFY(asked);
        QCOMPARE(window.quitRequested(), ends);
        QCOMPARE(QFile::exists(folder.filePath("closing.bmp")), saveConfirmed);
        QCOMPARE(window.state().plantUnsaved, !saveConfirmed);
    }

    void theOtherModesPictureIsAskedAboutAfterSwitchingToIt()
    {
        MainWindow window(0);
        window.show();
        window.state().snowUnsaved = true; // plant life is current and saved
        bool asked = false;
        bool plantShown = true;
        answerPrompt("noButton", &asked, &plantShown, &window);
        window.close();
        QVERIFY(asked);
        QVERIFY(!plantShown);
        QVERIFY(window.quitRequested());
    }

    void bothPicturesAreAskedAboutTheCurrentFirst()
    {
        MainWindow window(0);
        window.show();
        window.state().plantUnsaved = window.state().snowUnsaved = true;
        bool firstPlant = false, secondPlant = true;
        answerPrompt("noButton", nullptr, &firstPlant, &window);
        answerPrompt("noButton", nullptr, &secondPlant, &window);
        window.close();
        QVERIFY(firstPlant);
        QVERIFY(!secondPlant);
        QVERIFY(window.quitRequested());
    }

    void aFailingSaveKeepsTheProgramOpenAndAsksAgain()
    {
        MainWindow window(0);
        window.show();
        window.state().plantUnsaved = true;
        QString text;
        answerPrompt("yesButton");
        answerSaveDialog(folder.filePath("missing/tree"));
        answerErrorBox(&text);
        window.close();
        QCOMPARE(text, QStringLiteral("Cannot create file %1.").arg(folder.filePath("missing/tree.bmp")));
        QVERIFY(!window.quitRequested());
        QVERIFY(window.state().plantUnsaved);

        bool askedAgain = false;
        answerPrompt("noButton", &askedAgain);
        window.close();
        QVERIFY(askedAgain);
        QVERIFY(window.quitRequested());
    }

    void aCloseDuringARunStopsItAndAsks()
    {
        MainWindow window(0);
        window.show();
        bool asked = false;
        QTimer::singleShot(0, [&] {
            answerPrompt("noButton", &asked);
            window.close();
        });
        actionNamed(window, "startAction")->trigger();
        QVERIFY(asked);
        QVERIFY(window.quitRequested());
        QVERIFY2(window.state().plantTop > 250, "the run stopped right after the close");
        QVERIFY(!window.state().stopRequested);
    }

    void aCloseCalledOffDuringAPlantRunStartsNoSnowflakeRun()
    {
        MainWindow window(0);
        window.show();
        window.state().snowUnsaved = true; // an earlier flake waits to be saved
        QSignalSpy agreed(&window, &MainWindow::closeAgreed);
        QTimer::singleShot(0, [&] {
            answerPrompt("noButton"); // not the plant
            answerPrompt("");         // the flake's prompt closed: the user changed their mind
            window.close();
        });
        actionNamed(window, "startAction")->trigger();
        QVERIFY(!window.quitRequested());
        QCOMPARE(whitePixels(window.state().snowField()), 1); // the seed alone
        QCOMPARE(window.state().snowRadius, 1);

        // The next Exit still ends the program.
        answerPrompt("noButton");
        answerPrompt("noButton");
        actionNamed(window, "exitAction")->trigger();
        QVERIFY(window.quitRequested());
        QCOMPARE(agreed.count(), 1);
    }

private:
    struct Folder {
        const std::unique_ptr<QTemporaryDir>& dir;
        QString filePath(const QString& name) const { return dir->filePath(name); }
        QString filePath(const char* name) const { return dir->filePath(QString::fromLatin1(name)); }
        QString path() const { return dir->path(); }
    };
    std::unique_ptr<QTemporaryDir> temporary;
    Folder folder{temporary};
};

QTEST_MAIN(CloseCheckTest)
#include "tst_closecheck.moc"
