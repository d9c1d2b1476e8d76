#include "AboutWindow.h"
#include "CommandGuard.h"
#include "lattice/FieldSizeError.h"
#include "lattice/GrowthField.h"
#include "ImageSizeWindow.h"
#include "MainWindow.h"
#include "NumPointsWindow.h"
#include "PictureArea.h"
#include "PictureView.h"
#include "QtTestSupport.h"
#include "SpinEdit.h"

#include <QAction>
#include <QLineEdit>
#include <QApplication>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QPaintEvent>
#include <QPushButton>
#include <QScreen>
#include <QScrollArea>
#include <QScrollBar>
#include <QTimer>
#include <QtTest>

#include <chrono>
#include <cstdint>
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

/// Calls `look` at each message point of the next run (a zero timer armed at one message point
/// fires at the next), with the point's number, for as long as it returns true.
void atEachMessagePoint(MainWindow& window, std::function<bool(int)> look, int point = 0)
{
    QTimer::singleShot(0, &window, [&window, look = std::move(look), point] {
        if (look(point))
            atEachMessagePoint(window, look, point + 1);
    });
}

/// OK in the image-size window with these sizes, as a user gives them.
void acceptImageSize(MainWindow& window, int width, int height)
{
    window.imageSizeWindow()->setFields(width, height);
    window.imageSizeWindow()->showWindow();
    QTest::mouseClick(childNamed<QPushButton>(window.imageSizeWindow(), "okButton"), Qt::LeftButton);
}

/// The picture area as the screen shows it: what has been painted, not what the field holds.
QImage pictureOnScreen(MainWindow& window)
{
    const QWidget* area = window.pictureArea();
    const QPoint corner = area->mapTo(&window, QPoint(0, 0));
    return window.screen()->grabWindow(window.winId(), corner.x(), corner.y(), area->width(), area->height()).toImage();
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

/// A field's pixels as an image, row 0 at the top.
QImage imageOf(const GrowthField& field)
{
    QImage image(field.width(), field.height(), QImage::Format_RGB32);
    for (int y = 0; y < field.height(); ++y)
        for (int x = 0; x < field.width(); ++x) {
            const std::uint32_t colour = field.read(x, y); // red + 256 * green + 65536 * blue
            image.setPixel(x, y, qRgb(colour & 0xFF, (colour >> 8) & 0xFF, (colour >> 16) & 0xFF));
        }
    return image;
}

/// Collects the regions a widget is asked to paint.
class PaintedRegions : public QObject {
public:
    explicit PaintedRegions(QWidget* widget) { widget->installEventFilter(this); }
    QList<QRegion> regions;

protected:
    bool eventFilter(QObject*, QEvent* event) override
    {
        if (event->type() == QEvent::Paint)
            regions << static_cast<QPaintEvent*>(event)->region();
        return false;
    }
};

int areaOf(const QRegion& region)
{
    int area = 0;
    for (const QRect& rect : region)
        area += rect.width() * rect.height();
    return area;
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
    }

    void aPictureLargerThanTheScreenOpensWhereItsClusterGrows_data()
    {
        QTest::addColumn<bool>("plantLife");
        QTest::newRow("plant life: the bottom rows, centred") << true;
        QTest::newRow("snowflake: the centre") << false;
    }
    void aPictureLargerThanTheScreenOpensWhereItsClusterGrows()
    {
        QFETCH(bool, plantLife);
        MainWindow window(0);
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        actionNamed(window, plantLife ? "plantLifeAction" : "snowflakeAction")->trigger();
        acceptImageSize(window, 1000, 1000); // larger than the offscreen platform's 800 x 600
        QVERIFY(window.screen()->availableGeometry().contains(window.frameGeometry()));
        QScrollBar* rows = window.pictureArea()->verticalScrollBar();
        QScrollBar* columns = window.pictureArea()->horizontalScrollBar();
        QVERIFY(rows->maximum() > 0 && columns->maximum() > 0);
        QCOMPARE(columns->value(), columns->maximum() / 2);
        QCOMPARE(rows->value(), plantLife ? rows->maximum() : rows->maximum() / 2);

        // After that the picture stays where the user scrolled it.
        rows->setValue(7);
        columns->setValue(5);
        actionNamed(window, "resetAction")->trigger();
        QCOMPARE(rows->value(), 7);
        QCOMPARE(columns->value(), 5);

        // Back to a size that fits, the window shows the whole picture again.
        acceptImageSize(window, 200, 100);
        QCOMPARE(clientArea(window), QSize(200, 100));
    }

    void aWandererWhosePictureWasClearedAtItsMessagePointIsDropped_data()
    {
        QTest::addColumn<bool>("plantLife");
        QTest::addColumn<bool>("resize");
        QTest::newRow("plant life, Reset") << true << false;
        QTest::newRow("plant life, Image Size") << true << true;
        QTest::newRow("snowflake, Reset") << false << false;
        QTest::newRow("snowflake, Image Size") << false << true;
    }
    void aWandererWhosePictureWasClearedAtItsMessagePointIsDropped()
    {
        QFETCH(bool, plantLife);
        QFETCH(bool, resize);
        MainWindow window(6);
        window.show();
        if (!plantLife)
            actionNamed(window, "snowflakeAction")->trigger();
        actionNamed(window, "toLimitAction")->trigger();
        window.numPointsWindow()->pointsEdit()->setText(QStringLiteral("0")); // a single wanderer
        atFirstMessagePoint([&] {
            if (resize)
                acceptImageSize(window, 400, 400); // larger, so the wanderer's place lies inside
            else
                actionNamed(window, "resetAction")->trigger();
        });
        actionNamed(window, "startAction")->trigger();
        const ProgramState& state = window.state();
        if (plantLife) {
            QCOMPARE(whitePixels(state.plantField()), state.plantField().width() * 5); // the base strip alone
            QCOMPARE(state.plantTop, state.plantField().height() - 5);
        } else {
            QCOMPARE(whitePixels(state.snowField()), 1); // the seed alone
            QCOMPARE(state.snowRadius, 1);
        }
    }

    void aRunAfterAHugeSizeGivenDuringTheLastOneEnds()
    {
        MainWindow window(8);
        window.show();
        actionNamed(window, "snowflakeAction")->trigger();
        acceptImageSize(window, 3000, 3000);
        atFirstMessagePoint([&] { acceptImageSize(window, 1000000, 10); });
        actionNamed(window, "startAction")->trigger();
        QCOMPARE(window.state().snowSize(), (FieldSize{1000000, 10}));
        QVERIFY2(window.state().snowRadius < 10, "no wanderer of the old picture moved the marker");
        actionNamed(window, "startAction")->trigger(); // would release wanderers far out, and never end
        QVERIFY(window.state().snowRadius < 10);
    }

    void theRunRepaintsThePictureAtItsMessagePoints()
    {
        MainWindow window(4);
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        window.setScreenRefreshInterval(std::chrono::milliseconds(0));
        actionNamed(window, "toLimitAction")->trigger();
        window.numPointsWindow()->pointsEdit()->setText(QStringLiteral("900"));
        QList<int> shown; // white pixels on the screen at each message point
        atEachMessagePoint(window, [&](int) {
            shown << whitePixels(pictureOnScreen(window));
            return window.isRunning();
        });
        actionNamed(window, "startAction")->trigger();
        QVERIFY(shown.size() > 20);
        QCOMPARE(shown.first(), 150 * 5); // the base strip
        QVERIFY2(shown.last() > 150 * 5 + 500, qPrintable(QString::number(shown.last())));
    }

    void theScreenShowsThePictureExactlyAfterARunWithAResetInIt_data()
    {
        QTest::addColumn<bool>("snowflake");
        QTest::addColumn<int>("side");
        QTest::newRow("plant life") << false << 150;
        QTest::newRow("snowflake") << true << 300;
        QTest::newRow("snowflake, sides no multiple of a tile") << true << 307;
    }
    void theScreenShowsThePictureExactlyAfterARunWithAResetInIt()
    {
        // Pixel for pixel, repainted in tiles at every message point, through the Reset's
        // repaint of the whole picture and the growth on the fresh picture after it.
        QFETCH(bool, snowflake);
        QFETCH(int, side);
        MainWindow window(6);
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        window.setScreenRefreshInterval(std::chrono::milliseconds(0));
        if (snowflake) {
            actionNamed(window, "snowflakeAction")->trigger();
            window.state().resizeSnowflake(FieldSize{side, side + 13});
        }
        actionNamed(window, "toLimitAction")->trigger();
        window.numPointsWindow()->pointsEdit()->setText(QStringLiteral("2500"));
        atEachMessagePoint(window, [&](int point) {
            if (point == 30)
                actionNamed(window, "resetAction")->trigger();
            return window.isRunning();
        });
        actionNamed(window, "startAction")->trigger();
        QCoreApplication::processEvents(); // the last repaint
        const GrowthField& field = snowflake ? window.state().snowField() : window.state().plantField();
        QVERIFY(whitePixels(field) > 1000);
        QCOMPARE(pictureOnScreen(window), imageOf(field));
    }

    void theViewShowsEveryPixelInItsOwnColour()
    {
        // Red, green and blue all differ from pixel to pixel; rows of 37 pixels are padded and
        // end in a part of four.
        auto field = std::make_shared<GrowthField>(37, 23, ColumnMap::Identity);
        for (int y = 0; y < field->height(); ++y)
            for (int x = 0; x < field->width(); ++x)
                field->write(x, y, std::uint32_t(x * 7) | std::uint32_t(y * 11) << 8 | std::uint32_t(x + 3 * y) << 16);
        PictureView view(field);
        QCOMPARE(view.grab().toImage().convertToFormat(QImage::Format_RGB32), imageOf(*field));
        QCOMPARE(view.grab(QRect(5, 3, 22, 9)).toImage().convertToFormat(QImage::Format_RGB32),
                 imageOf(*field).copy(5, 3, 22, 9));
    }

    void aRunRepaintsTheTilesOfTheTurnedPixelsOnly()
    {
        MainWindow window(0);
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        actionNamed(window, "snowflakeAction")->trigger();
        QCoreApplication::processEvents();
        auto* view = childNamed<PictureView>(&window, "snowflakeView");
        PaintedRegions painted(view);

        // Two pixels far apart: two tiles, not the rectangle between them.
        for (FieldPoint at : {FieldPoint{40, 40}, FieldPoint{260, 250}}) {
            window.state().stampSnowflake(at);
            view->noteTurnedPixel(at.x, at.y);
        }
        window.pictureArea()->refresh();
        QTRY_VERIFY(!painted.regions.isEmpty());
        const QRegion tiles = painted.regions.takeFirst();
        QCOMPARE(areaOf(tiles), 2 * PictureView::TileSide * PictureView::TileSide);
        QVERIFY(tiles.contains(QPoint(40, 40)) && tiles.contains(QPoint(260, 250)));

        // A change no run noted (the picture cleared) repaints all of it.
        window.state().stampSnowflake(FieldPoint{100, 100});
        view->noteTurnedPixel(100, 100);
        window.state().resetSnowflake();
        painted.regions.clear();
        window.pictureArea()->refresh();
        QTRY_VERIFY(!painted.regions.isEmpty());
        QCOMPARE(painted.regions.first().boundingRect(), QRect(0, 0, 300, 300));
        QCOMPARE(pictureOnScreen(window), imageOf(window.state().snowField()));
    }

    void theBusyPointerShowsWhileARunGoesOn()
    {
        MainWindow window(0);
        window.show();
        Qt::CursorShape during = Qt::ArrowCursor;
        Qt::CursorShape afterCancel = Qt::BusyCursor;
        atFirstMessagePoint([&] {
            during = window.cursor().shape();
            actionNamed(window, "cancelAction")->trigger();
            afterCancel = window.cursor().shape();
        });
        actionNamed(window, "startAction")->trigger();
        QCOMPARE(during, Qt::BusyCursor);
        QCOMPARE(afterCancel, Qt::ArrowCursor); // Cancel restores the pointer at once

        actionNamed(window, "toLimitAction")->trigger();
        window.numPointsWindow()->pointsEdit()->setText(QStringLiteral("3"));
        during = Qt::ArrowCursor;
        atFirstMessagePoint([&] { during = window.cursor().shape(); });
        actionNamed(window, "startAction")->trigger();
        QCOMPARE(during, Qt::BusyCursor);
        QCOMPARE(window.cursor().shape(), Qt::ArrowCursor); // so does a run that ends
    }

    void theBusyPointerStaysWhileAnOuterRunGoesOn()
    {
        // Cancel and START typed ahead: the nested START's run finds the request and ends at
        // once, spending it, and the run that was cancelled goes on.
        MainWindow window(0);
        window.show();
        Qt::CursorShape afterNestedRun = Qt::ArrowCursor;
        bool outerWentOn = false;
        atEachMessagePoint(window, [&](int point) {
            if (point == 0) {
                actionNamed(window, "cancelAction")->trigger();
                actionNamed(window, "startAction")->trigger();
                afterNestedRun = window.cursor().shape();
                return true;
            }
            outerWentOn = window.isRunning() && window.cursor().shape() == Qt::BusyCursor;
            return false;
        });
        actionNamed(window, "startAction")->trigger();
        QCOMPARE(afterNestedRun, Qt::BusyCursor);
        QVERIFY(outerWentOn);
        QCOMPARE(window.cursor().shape(), Qt::ArrowCursor);
        QVERIFY(!window.isRunning());
    }

    void aClosedWindowHandsTheKeyboardBackToItsOpener()
    {
        // Without a window manager nobody else would: the keys after OK would go nowhere.
        MainWindow window(0);
        window.show();
        QVERIFY(QTest::qWaitForWindowActive(&window));
        actionNamed(window, "toLimitAction")->trigger();
        actionNamed(window, "numPointsAction")->trigger();
        QVERIFY(QTest::qWaitForWindowActive(window.numPointsWindow()));
        QTest::keyClick(childNamed<QPushButton>(window.numPointsWindow(), "okButton"), Qt::Key_Space);
        QVERIFY(window.numPointsWindow()->isHidden());
        QTRY_COMPARE(QApplication::activeWindow(), &window);

        // A dialog hands it back to the window it belongs to, not to the main window.
        AboutWindow* about = window.aboutWindow();
        actionNamed(window, "aboutAction")->trigger();
        QVERIFY(QTest::qWaitForWindowActive(about));
        QTest::mouseClick(childNamed<QPushButton>(about, "findTextButton"), Qt::LeftButton);
        auto* find = childNamed<QWidget>(about, "findDialog");
        QTRY_COMPARE(QApplication::activeWindow(), find);
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Escape);
        QVERIFY(find->isHidden());
        QTRY_COMPARE(QApplication::activeWindow(), about);
        QTest::keyClick(childNamed<QPushButton>(about, "closeButton"), Qt::Key_Space);
        QVERIFY(about->isHidden());
        QTRY_COMPARE(QApplication::activeWindow(), &window);
    }

    void refusedSizesReadAsFinishedSentencesInTheErrorBox()
    {
        const std::pair<std::int64_t, std::int64_t> refused[] = {{0, 5}, {40000, 36000}};
        for (auto [width, height] : refused) {
            try {
                GrowthField::checkSize(width, height, UINT64_MAX); // as if memory were plenty
                QFAIL("the size was not refused");
            } catch (const FieldSizeError& refusal) {
                const QString shown = CommandGuard::boxText(QString::fromUtf8(refusal.what()));
                QVERIFY2(shown.startsWith(QStringLiteral("A picture ")) && shown.endsWith(QLatin1Char('.')),
                         qPrintable(shown));
            }
        }
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
