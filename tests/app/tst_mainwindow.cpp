#include "CommandGuard.h"
#include "ImageSizeWindow.h"
#include "MainWindow.h"
#include "NumPointsWindow.h"
#include "QtTestSupport.h"
#include "SpinEdit.h"

#include <QAction>
#include <QLineEdit>
#include <QApplication>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QPushButton>
#include <QScreen>
#include <QScrollArea>
#include <QTimer>
#include <QtTest>

#include <cstring>
#include <functional>

namespace {

using namespace QtTestSupport;

/// The client area below the menu bar: the picture's scroll area.
QSize clientArea(MainWindow& window)
{
    return window.findChild<QScrollArea*>(QStringLiteral("pictureArea"))->size();
}

/// Runs `during` at the first message point of the next run (a zero timer fires inside the
/// run's message processing).
void atFirstMessagePoint(std::function<void()> during)
{
    QTimer::singleShot(0, std::move(during));
}

/// Answers the next error box with OK, keeping its caption and text.
void answerNextErrorBox(QString* caption, QString* text)
{
    answerNextModal(
        [caption, text](QWidget* modal) {
            auto* box = qobject_cast<QMessageBox*>(modal);
            *caption = box->windowTitle();
            *text = box->text();
            box->accept();
        },
        QStringLiteral("errorBox"));
}

bool samePixels(const GrowthField& a, const GrowthField& b)
{
    return a.pixelBlockSize() == b.pixelBlockSize() &&
           std::memcmp(a.pixelBlock(), b.pixelBlock(), a.pixelBlockSize()) == 0;
}

} // namespace

class MainWindowTest : public QObject {
    Q_OBJECT

private slots:
    void cleanup() { verifyNoWindowLeftVisible(); }

    void startsWithThePlantPictureAndTheMenuAsDesigned()
    {
        MainWindow window(0);
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        QCOMPARE(window.windowTitle(), QStringLiteral("DLA"));
        QCOMPARE(clientArea(window), QSize(150, 300));
        QCOMPARE(window.minimumSize(), window.maximumSize()); // the user cannot resize it

        const QStringList bar{"&File", "&Options", "&Help"};
        QStringList titles;
        for (QAction* menu : window.menuBar()->actions())
            titles << menu->text();
        QCOMPARE(titles, bar);

        struct Item {
            const char* name;
            const char* caption;
            bool enabled;
            bool checked;
            bool glyph;
        };
        const Item items[] = {
            {"saveAsAction", "&Save As", true, false, true},   {"resetAction", "&Reset", true, false, true},
            {"exitAction", "&Exit", true, false, true},        {"startAction", "&START", true, false, false},
            {"cancelAction", "&Cancel", false, false, false},  {"toLimitAction", "&To Limit", true, true, false},
            {"numPointsAction", "&Num Points", false, false, false},
            {"imageSizeAction", "&Image Size", true, false, false},
            {"plantLifeAction", "&Plant life", true, true, true}, {"snowflakeAction", "Sn&owflake", true, false, true},
            {"aboutAction", "&About", true, false, true},
        };
        for (const Item& item : items) {
            QAction* a = actionNamed(window, item.name);
            QCOMPARE(a->text(), QString::fromLatin1(item.caption));
            QCOMPARE(a->isEnabled(), item.enabled);
            QCOMPARE(a->isChecked(), item.checked);
            QCOMPARE(!a->icon().isNull(), item.glyph);
            QVERIFY2(a->shortcut().isEmpty(), item.name);
        }
        QVERIFY(!window.numPointsWindow()->isVisible());
        QVERIFY(!window.imageSizeWindow()->isVisible());
        window.hide();
    }

    void modeSwitchesShowTheOtherPictureAndRefillTheSettings()
    {
        MainWindow window(3);
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        window.state().stampPlant({10, 10});
        const GrowthField plantBefore = window.state().plantField();
        window.numPointsWindow()->pointsEdit()->setText(QStringLiteral("7950"));

        actionNamed(window, "snowflakeAction")->trigger();
        QCOMPARE(clientArea(window), QSize(300, 300));
        QVERIFY(actionNamed(window, "snowflakeAction")->isChecked());
        QVERIFY(!actionNamed(window, "plantLifeAction")->isChecked());
        QCOMPARE(window.numPointsWindow()->pointsEdit()->upperBound(), 7000);
        QCOMPARE(window.numPointsWindow()->pointsEdit()->text(), QStringLiteral("7950")); // bound only
        QCOMPARE(window.imageSizeWindow()->widthEdit()->text(), QStringLiteral("300"));
        QCOMPARE(window.imageSizeWindow()->heightEdit()->text(), QStringLiteral("300"));

        actionNamed(window, "snowflakeAction")->trigger(); // choosing the current mode again changes nothing
        QVERIFY(actionNamed(window, "snowflakeAction")->isChecked());
        QCOMPARE(clientArea(window), QSize(300, 300));

        actionNamed(window, "plantLifeAction")->trigger();
        QCOMPARE(clientArea(window), QSize(150, 300));
        QCOMPARE(window.numPointsWindow()->pointsEdit()->upperBound(), 8000);
        QCOMPARE(window.imageSizeWindow()->widthEdit()->text(), QStringLiteral("150"));
        QVERIFY(samePixels(window.state().plantField(), plantBefore));
        QCOMPARE(window.state().snowRadius, 1);
        window.hide();
    }

    void toLimitEnablesNumPointsWhenUnchecked()
    {
        MainWindow window(0);
        actionNamed(window, "toLimitAction")->trigger();
        QVERIFY(!actionNamed(window, "toLimitAction")->isChecked());
        QVERIFY(actionNamed(window, "numPointsAction")->isEnabled());
        actionNamed(window, "numPointsAction")->trigger();
        QVERIFY(window.numPointsWindow()->isVisible());
        actionNamed(window, "toLimitAction")->trigger();
        QVERIFY(actionNamed(window, "toLimitAction")->isChecked());
        QVERIFY(!actionNamed(window, "numPointsAction")->isEnabled());
        QVERIFY2(window.numPointsWindow()->isVisible(), "checking To Limit does not hide the window");
        window.numPointsWindow()->hide();
    }

    void startGrowsToTheLimitAndRestoresTheMenu()
    {
        MainWindow window(0);
        window.show();
        bool runningStates = false;
        atFirstMessagePoint([&] {
            runningStates = !actionNamed(window, "startAction")->isEnabled() && actionNamed(window, "cancelAction")->isEnabled();
        });
        actionNamed(window, "startAction")->trigger();
        QVERIFY(runningStates);
        QVERIFY(window.state().plantTop <= 1);
        QVERIFY(actionNamed(window, "startAction")->isEnabled());
        QVERIFY(!actionNamed(window, "cancelAction")->isEnabled());
        QVERIFY(window.state().plantUnsaved);
        QVERIFY(!window.state().snowUnsaved);
        window.state().plantUnsaved = false;
        window.hide();
    }

    void cancelStopsBeforeTheNextWandererAndKeepsTheGrowth()
    {
        MainWindow window(0);
        window.show();
        atFirstMessagePoint([&] { actionNamed(window, "cancelAction")->trigger(); });
        actionNamed(window, "startAction")->trigger();
        QCOMPARE(whitePixels(window.state().plantField(), 294), 1);
        QVERIFY(actionNamed(window, "startAction")->isEnabled());
        QVERIFY(!actionNamed(window, "cancelAction")->isEnabled());
        QVERIFY(!window.state().stopRequested);
        QVERIFY(window.state().plantUnsaved);
        window.state().plantUnsaved = false;
        window.hide();
    }

    void aSwitchToSnowflakeDuringAPlantRunGrowsTheFlakeNext()
    {
        MainWindow window(5);
        window.show();
        atFirstMessagePoint([&] { actionNamed(window, "snowflakeAction")->trigger(); });
        actionNamed(window, "startAction")->trigger();
        QVERIFY(window.state().plantTop <= 1);
        QCOMPARE(window.state().snowRadius, 149);
        QVERIFY(window.state().plantUnsaved);
        QVERIFY(window.state().snowUnsaved);

        // The other way round nothing follows the snowflake run.
        window.state().plantUnsaved = window.state().snowUnsaved = false;
        window.state().resetSnowflake();
        atFirstMessagePoint([&] { actionNamed(window, "plantLifeAction")->trigger(); });
        const std::int32_t plantTop = window.state().plantTop;
        actionNamed(window, "startAction")->trigger();
        QCOMPARE(window.state().plantTop, plantTop);
        QVERIFY(!window.state().plantUnsaved);
        QVERIFY(window.state().snowUnsaved);
        window.state().snowUnsaved = false;
        window.hide();
    }

    void aResetDuringARunGoesOnOnTheFreshField()
    {
        MainWindow window(9);
        window.show();
        actionNamed(window, "toLimitAction")->trigger();
        window.numPointsWindow()->pointsEdit()->setText(QStringLiteral("59"));
        atFirstMessagePoint([&] { actionNamed(window, "resetAction")->trigger(); });
        actionNamed(window, "startAction")->trigger();
        // The wanderer waiting at the message point found its place on the old picture: dropped.
        QCOMPARE(whitePixels(window.state().plantField(), 294), 59);
        QVERIFY(window.state().plantUnsaved);
        window.state().plantUnsaved = false;
        window.hide();
    }

    void aNumberOfPointsTypedBeyondTheBoundIsUsedAsTyped()
    {
        MainWindow window(2);
        actionNamed(window, "toLimitAction")->trigger();
        window.state().resizePlant(FieldSize{1000, 400}); // wide enough that no wanderer leaves the top
        for (auto [typed, wanderers] : {std::pair{"8100", 8101}, {"-5", 0}, {"0", 1}}) {
            window.state().resetPlant();
            window.numPointsWindow()->pointsEdit()->setText(QString::fromLatin1(typed));
            actionNamed(window, "startAction")->trigger();
            QCOMPARE(whitePixels(window.state().plantField(), 394), wanderers);
        }
        window.state().plantUnsaved = false;
    }

    void aSizeTheMemoryCannotHoldIsRefusedWithTheErrorBox()
    {
        MainWindow window(0);
        window.show();
        actionNamed(window, "snowflakeAction")->trigger();
        window.state().stampSnowflake({3, 3});
        ImageSizeWindow* sizes = window.imageSizeWindow();
        sizes->showWindow();
        sizes->widthEdit()->setText(QStringLiteral("1000000"));
        sizes->heightEdit()->setText(QStringLiteral("1000000"));
        QString caption, text;
        answerNextErrorBox(&caption, &text);
        QTest::mouseClick(sizes->findChild<QPushButton*>(QStringLiteral("okButton")), Qt::LeftButton);
        QCOMPARE(caption, CommandGuard::applicationTitle());
        QCOMPARE(text, QStringLiteral("Not enough memory for a picture of 1000000 x 1000000 pixels."));
        QVERIFY(!sizes->isVisible());
        QCOMPARE(window.state().snowSize(), (FieldSize{300, 300}));
        QVERIFY(window.state().snowField().isWhite(3, 3));
        QCOMPARE(clientArea(window), QSize(300, 300));

        // A size that fits resizes the current picture only, and the window follows.
        sizes->showWindow();
        QVERIFY(QTest::qWaitForWindowActive(sizes));
        sizes->widthEdit()->setText(QStringLiteral("420"));
        sizes->heightEdit()->lineEdit()->setFocus();
        sizes->heightEdit()->lineEdit()->selectAll();
        QTest::keyClicks(sizes->heightEdit()->lineEdit(), QStringLiteral("5"));
        QTest::mouseClick(sizes->findChild<QPushButton*>(QStringLiteral("okButton")), Qt::LeftButton);
        QCOMPARE(window.state().snowSize(), (FieldSize{420, 10}));
        QCOMPARE(window.state().plantSize(), (FieldSize{150, 300}));
        QCOMPARE(clientArea(window), QSize(420, 10));
        window.hide();
    }

    void aPictureLargerThanTheScreenScrollsInsideIt()
    {
        MainWindow window(0);
        window.show();
        actionNamed(window, "snowflakeAction")->trigger();
        window.imageSizeWindow()->setFields(3000, 2500);
        window.imageSizeWindow()->showWindow();
        QTest::mouseClick(window.imageSizeWindow()->findChild<QPushButton*>(QStringLiteral("okButton")), Qt::LeftButton);
        QCOMPARE(window.state().snowField().width(), 3000);
        const QSize room = window.screen()->availableGeometry().size();
        QVERIFY(window.frameGeometry().width() <= room.width());
        QVERIFY(window.frameGeometry().height() <= room.height());
        window.hide();
    }

    void errorBoxTextAndTitleRule_data()
    {
        QTest::addColumn<QString>("message");
        QTest::addColumn<QString>("shown");
        QTest::newRow("letter") << "Stream write error" << "Stream write error.";
        QTest::newRow("full stop") << "Done." << "Done.";
        QTest::newRow("sorts before a full stop") << "Stop!" << "Stop!";
        QTest::newRow("bracket") << "file (a)" << "file (a)";
        QTest::newRow("slash sorts after") << "folder/" << "folder/.";
        QTest::newRow("empty") << "" << "";
    }
    void errorBoxTextAndTitleRule()
    {
        QFETCH(QString, message);
        QFETCH(QString, shown);
        QCOMPARE(CommandGuard::boxText(message), shown);
        QCOMPARE(CommandGuard::titleFromProgramPath(QStringLiteral("/usr/bin/dla")), QStringLiteral("Dla"));
        QCOMPARE(CommandGuard::titleFromProgramPath(QStringLiteral("ABC.EXE")), QStringLiteral("Abc"));
        QCOMPARE(CommandGuard::titleFromProgramPath(QStringLiteral("/opt/My.Prog.x")), QStringLiteral("My"));
    }

    void aFailingCommandShowsTheErrorBoxAndTheProgramGoesOn()
    {
        QString caption, text;
        answerNextErrorBox(&caption, &text);
        const bool ran = CommandGuard::run(nullptr, [] { throw std::runtime_error("Cannot create file /x/y.bmp"); });
        QVERIFY(!ran);
        QCOMPARE(caption, QStringLiteral("Tst_mainwindow"));
        QCOMPARE(text, QStringLiteral("Cannot create file /x/y.bmp."));
    }
};

QTEST_MAIN(MainWindowTest)
#include "tst_mainwindow.moc"
