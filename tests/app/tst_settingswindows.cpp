#include "ImageSizeWindow.h"
#include "NumPointsWindow.h"
#include "QtTestSupport.h"
#include "SpinEdit.h"

#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QToolButton>

#include <utility>
#include <vector>

namespace {

// What the image-size OK handed over, and whether the window was already hidden then.
struct Accepted {
    std::int32_t width;
    std::int32_t height;
    bool windowWasHidden;
};

bool showActive(QWidget& window)
{
    if (auto* points = qobject_cast<NumPointsWindow*>(&window))
        points->showWindow();
    else if (auto* size = qobject_cast<ImageSizeWindow*>(&window))
        size->showWindow();
    return QTest::qWaitForWindowActive(&window);
}

// Replaces the field's whole text by typing, the way a user does after Tab selected it.
void retype(SpinEdit* edit, const QString& typed)
{
    QLineEdit* text = edit->lineEdit();
    QTest::keyClick(text, Qt::Key_A, Qt::ControlModifier);
    QTest::keyClick(text, Qt::Key_Delete);
    QTest::keyClicks(text, typed);
}

// The offscreen platform leaves a hidden window its activation, so the stand-in for the main
// window takes it first, as the main window does when a settings window hides.
bool showActiveAgain(QWidget& window, QWidget& mainWindow)
{
    mainWindow.show();
    mainWindow.activateWindow();
    return QTest::qWaitForWindowActive(&mainWindow) && showActive(window);
}

bool childrenInside(const QWidget& window)
{
    for (const QWidget* child : window.findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
        if (!window.rect().contains(child->geometry()))
            return false;
    }
    return true;
}

} // namespace

class TestSettingsWindows : public QObject {
    Q_OBJECT

private slots:
    void cleanup();

    void numPointsWindowStartsHiddenWithItsControls();
    void imageSizeWindowStartsHiddenWithItsControls();
    void firstActivationFocusesTheFirstFieldSelected();
    void imageSizeTabOrderIsWidthHeightOk();

    void numberOfPointsIsReadAsTyped_data();
    void numberOfPointsIsReadAsTyped();
    void upperBoundChangeWaitsForTheFieldToBeLeft();
    void numPointsOkHidesAndKeepsTextAndFocus();
    void closeBoxOnlyHides();
    void showWindowOnAVisibleWindowChangesNothing();

    void imageSizeOkHandsOverBoundedSizes_data();
    void imageSizeOkHandsOverBoundedSizes();
    void imageSizeOkByKeyboardLeavesTheFieldFirst();
    void imageSizeOkClickedInCodeStillBoundsTheField();
    void enterInAFieldBeepsAndDoesNotPressOk();
    void imageSizeCloseBoxStoresNothing();
    void setFieldsBoundsBothSides();
};

void TestSettingsWindows::cleanup()
{
    QtTestSupport::verifyNoWindowLeftVisible();
}

void TestSettingsWindows::numPointsWindowStartsHiddenWithItsControls()
{
    NumPointsWindow window;
    QVERIFY(window.isWindow());
    QVERIFY(window.isHidden());
    QCOMPARE(window.objectName(), QStringLiteral("numPointsWindow"));
    QCOMPARE(window.windowTitle(), QStringLiteral("Number of points"));

    auto* edit = window.findChild<SpinEdit*>(QStringLiteral("numPointsEdit"));
    QVERIFY(edit);
    QCOMPARE(edit, window.pointsEdit());
    QCOMPARE(edit->increment(), 100);
    QCOMPARE(edit->lowerBound(), 0);
    QCOMPARE(edit->upperBound(), 8000);
    QCOMPARE(edit->text(), QStringLiteral("1000"));
    QCOMPARE(window.numberOfPoints(), 1000);

    auto* ok = window.findChild<QPushButton*>(QStringLiteral("okButton"));
    QVERIFY(ok);
    QCOMPARE(ok->text(), QStringLiteral("OK"));
    QVERIFY(!ok->icon().isNull());

    QVERIFY(window.width() <= 179 && window.height() <= 112);
    QVERIFY(childrenInside(window));
    QVERIFY(edit->geometry().bottom() < ok->geometry().top());
}

void TestSettingsWindows::imageSizeWindowStartsHiddenWithItsControls()
{
    ImageSizeWindow window;
    QVERIFY(window.isWindow());
    QVERIFY(window.isHidden());
    QCOMPARE(window.objectName(), QStringLiteral("imageSizeWindow"));
    QCOMPARE(window.windowTitle(), QStringLiteral("Image Size"));

    const std::vector<std::pair<QString, QString>> fields{{QStringLiteral("widthEdit"), QStringLiteral("150")},
                                                          {QStringLiteral("heightEdit"), QStringLiteral("300")}};
    for (const auto& [name, start] : fields) {
        auto* edit = window.findChild<SpinEdit*>(name);
        QVERIFY2(edit, qPrintable(name));
        QCOMPARE(edit->increment(), 10);
        QCOMPARE(edit->lowerBound(), 10);
        QCOMPARE(edit->upperBound(), 1000000);
        QCOMPARE(edit->text(), start);
    }

    QStringList labelTexts;
    for (const QLabel* label : window.findChildren<QLabel*>()) {
        labelTexts << label->text();
        QCOMPARE(label->palette().color(QPalette::WindowText), QColor(0, 0, 128));
        QVERIFY(label->font().pointSizeF() > window.font().pointSizeF());
        // Each label stands left of its field, on the same line.
        const SpinEdit* field = label->text() == QStringLiteral("Width:") ? window.widthEdit() : window.heightEdit();
        QVERIFY(label->geometry().right() < field->geometry().left());
        QVERIFY(std::abs(label->geometry().center().y() - field->geometry().center().y()) < 10);
    }
    labelTexts.sort();
    QCOMPARE(labelTexts, QStringList({QStringLiteral("Height:"), QStringLiteral("Width:")}));

    auto* ok = window.findChild<QPushButton*>(QStringLiteral("okButton"));
    QVERIFY(ok);
    QCOMPARE(ok->text(), QStringLiteral("OK"));
    QVERIFY(!ok->icon().isNull());

    QVERIFY(window.width() <= 179 && window.height() <= 150);
    QVERIFY(childrenInside(window));
    QVERIFY(window.widthEdit()->geometry().bottom() < window.heightEdit()->geometry().top());
    QVERIFY(window.heightEdit()->geometry().bottom() < ok->geometry().top());
}

void TestSettingsWindows::firstActivationFocusesTheFirstFieldSelected()
{
    NumPointsWindow points;
    QVERIFY(showActive(points));
    QCOMPARE(QApplication::focusWidget(), points.pointsEdit()->lineEdit());
    QCOMPARE(points.pointsEdit()->lineEdit()->selectedText(), QStringLiteral("1000"));

    ImageSizeWindow size;
    QVERIFY(showActive(size));
    QCOMPARE(QApplication::focusWidget(), size.widthEdit()->lineEdit());
    QCOMPARE(size.widthEdit()->lineEdit()->selectedText(), QStringLiteral("150"));
}

void TestSettingsWindows::imageSizeTabOrderIsWidthHeightOk()
{
    ImageSizeWindow window;
    QVERIFY(showActive(window));
    const std::vector<QWidget*> order{window.heightEdit()->lineEdit(), window.okButton(),
                                      window.widthEdit()->lineEdit()};
    for (QWidget* expected : order) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        QCOMPARE(QApplication::focusWidget(), expected);
    }
    QCOMPARE(window.heightEdit()->lineEdit()->selectedText(), QString()); // left again
    QCOMPARE(window.widthEdit()->lineEdit()->selectedText(), QStringLiteral("150"));
}

void TestSettingsWindows::numberOfPointsIsReadAsTyped_data()
{
    QTest::addColumn<int>("upperBound");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<int>("points");

    QTest::newRow("within") << 8000 << "250" << 250;
    QTest::newRow("beyond the bound") << 8000 << "9000" << 9000;
    QTest::newRow("beyond the snowflake bound") << 7000 << "7500" << 7500;
    QTest::newRow("negative") << 8000 << "-5" << -5;
    QTest::newRow("empty reads 0") << 8000 << "" << 0;
    QTest::newRow("decimal reads 0") << 8000 << "12.5" << 0;
}

void TestSettingsWindows::numberOfPointsIsReadAsTyped()
{
    QFETCH(int, upperBound);
    QFETCH(QString, typed);
    QFETCH(int, points);

    QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
    NumPointsWindow window;
    window.setUpperBound(upperBound);
    QVERIFY(showActive(window));
    retype(window.pointsEdit(), typed);

    // The run reads the number while the focus is still in the field.
    QVERIFY(window.pointsEdit()->lineEdit()->hasFocus());
    QCOMPARE(window.numberOfPoints(), points);
    QCOMPARE(window.pointsEdit()->text(), typed);
    QLocale::setDefault(QLocale::c());
}

void TestSettingsWindows::upperBoundChangeWaitsForTheFieldToBeLeft()
{
    NumPointsWindow window;
    window.pointsEdit()->setValue(8000);
    window.setUpperBound(NumPointsWindow::SnowflakeUpperBound);
    QCOMPARE(window.pointsEdit()->upperBound(), 7000);
    QCOMPARE(window.pointsEdit()->text(), QStringLiteral("8000"));
    QCOMPARE(window.numberOfPoints(), 8000);

    // Stepping bounds it: 8000 up gives 7000, by the arrow button as by the key.
    QVERIFY(showActive(window));
    QToolButton* up = window.pointsEdit()->upButton();
    QTest::mouseClick(up, Qt::LeftButton, {}, up->rect().center());
    QCOMPARE(window.pointsEdit()->text(), QStringLiteral("7000"));
    window.pointsEdit()->setText(QStringLiteral("6950"));
    QTest::keyClick(window.pointsEdit()->lineEdit(), Qt::Key_Up);
    QCOMPARE(window.pointsEdit()->text(), QStringLiteral("7000"));

    // And so does leaving it for the OK button.
    window.pointsEdit()->setText(QStringLiteral("7500"));
    QTest::keyClick(window.pointsEdit()->lineEdit(), Qt::Key_Tab);
    QCOMPARE(QApplication::focusWidget(), window.okButton());
    QCOMPARE(window.pointsEdit()->text(), QStringLiteral("7000"));

    // Back to plant life: 7000 stays and may step to 8000 again.
    window.setUpperBound(NumPointsWindow::PlantLifeUpperBound);
    window.pointsEdit()->setText(QStringLiteral("7950"));
    window.pointsEdit()->stepUp();
    QCOMPARE(window.pointsEdit()->text(), QStringLiteral("8000"));
}

void TestSettingsWindows::numPointsOkHidesAndKeepsTextAndFocus()
{
    NumPointsWindow window;
    QVERIFY(showActive(window));
    QTest::keyClicks(window.pointsEdit()->lineEdit(), QStringLiteral("250")); // replaces the selection
    QTest::mouseClick(window.okButton(), Qt::LeftButton);
    QVERIFY(window.isHidden());
    QCOMPARE(window.numberOfPoints(), 250);

    QWidget mainWindow;
    QVERIFY(showActiveAgain(window, mainWindow));
    QCOMPARE(window.pointsEdit()->text(), QStringLiteral("250"));
    QCOMPARE(QApplication::focusWidget(), window.okButton());
}

void TestSettingsWindows::closeBoxOnlyHides()
{
    NumPointsWindow points;
    QVERIFY(showActive(points));
    points.pointsEdit()->setText(QStringLiteral("9999"));
    QVERIFY(!points.close());
    QVERIFY(points.isHidden());
    QCOMPARE(points.pointsEdit()->text(), QStringLiteral("9999"));
    QWidget mainWindow;
    QVERIFY(showActiveAgain(points, mainWindow));
    QCOMPARE(QApplication::focusWidget(), points.pointsEdit()->lineEdit());
    points.hide();

    ImageSizeWindow size;
    QVERIFY(showActive(size));
    QVERIFY(!size.close());
    QVERIFY(size.isHidden());
}

void TestSettingsWindows::showWindowOnAVisibleWindowChangesNothing()
{
    NumPointsWindow points;
    ImageSizeWindow size;
    QVERIFY(showActive(points));
    points.move(points.pos() + QPoint(30, 20));
    const QRect where = points.geometry();
    QVERIFY(showActive(size));
    size.widthEdit()->setText(QStringLiteral("77"));
    size.heightEdit()->lineEdit()->setFocus();

    // Activation on the offscreen platform is handed around by the platform itself, so what is
    // checked is what showWindow() can change: place, visibility, texts and the focus inside.
    points.showWindow();
    QCOMPARE(points.geometry(), where);
    QVERIFY(points.isVisible());

    size.showWindow();
    QVERIFY(size.isVisible());
    QCOMPARE(size.widthEdit()->text(), QStringLiteral("77"));
    QCOMPARE(size.focusWidget(), size.heightEdit()->lineEdit());
}

void TestSettingsWindows::imageSizeOkHandsOverBoundedSizes_data()
{
    QTest::addColumn<QString>("field");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<int>("width");
    QTest::addColumn<int>("height");
    QTest::addColumn<QString>("textAfter");

    QTest::newRow("5 gives 10") << "widthEdit" << "5" << 10 << 300 << "10";
    QTest::newRow("2000000 gives 1000000") << "widthEdit" << "2000000" << 1000000 << 300 << "1000000";
    QTest::newRow("height 5 gives 10") << "heightEdit" << "5" << 150 << 10 << "10";
    QTest::newRow("within") << "heightEdit" << "640" << 150 << 640 << "640";
    QTest::newRow("empty gives 10, stays empty") << "widthEdit" << "" << 10 << 300 << "";
    QTest::newRow("lone sign gives 10, stays") << "widthEdit" << "-" << 10 << 300 << "-";
    QTest::newRow("negative gives 10") << "heightEdit" << "-40" << 150 << 10 << "10";
}

void TestSettingsWindows::imageSizeOkHandsOverBoundedSizes()
{
    QFETCH(QString, field);
    QFETCH(QString, typed);
    QFETCH(int, width);
    QFETCH(int, height);
    QFETCH(QString, textAfter);

    ImageSizeWindow window;
    std::vector<Accepted> accepted;
    window.setAcceptHandler([&](std::int32_t w, std::int32_t h) {
        accepted.push_back({w, h, window.isHidden()});
    });
    QVERIFY(showActive(window));
    auto* edit = window.findChild<SpinEdit*>(field);
    edit->lineEdit()->setFocus(Qt::TabFocusReason);
    retype(edit, typed);
    QTest::mouseClick(window.okButton(), Qt::LeftButton);

    QCOMPARE(accepted.size(), std::size_t{1});
    QCOMPARE(accepted[0].width, width);
    QCOMPARE(accepted[0].height, height);
    QVERIFY(accepted[0].windowWasHidden);
    QCOMPARE(edit->text(), textAfter);
}

void TestSettingsWindows::imageSizeOkByKeyboardLeavesTheFieldFirst()
{
    ImageSizeWindow window;
    std::vector<Accepted> accepted;
    window.setAcceptHandler([&](std::int32_t w, std::int32_t h) {
        accepted.push_back({w, h, window.isHidden()});
    });
    QVERIFY(showActive(window));
    QTest::keyClicks(window.widthEdit()->lineEdit(), QStringLiteral("5"));
    QTest::keyClick(window.widthEdit()->lineEdit(), Qt::Key_Tab);
    QTest::keyClicks(window.heightEdit()->lineEdit(), QStringLiteral("2000000"));
    QTest::keyClick(window.heightEdit()->lineEdit(), Qt::Key_Tab);
    QCOMPARE(QApplication::focusWidget(), window.okButton());
    QTest::keyClick(window.okButton(), Qt::Key_Space);

    QCOMPARE(accepted.size(), std::size_t{1});
    QCOMPARE(accepted[0].width, 10);
    QCOMPARE(accepted[0].height, 1000000);
    QVERIFY(accepted[0].windowWasHidden);
}

void TestSettingsWindows::imageSizeOkClickedInCodeStillBoundsTheField()
{
    ImageSizeWindow window;
    std::vector<Accepted> accepted;
    window.setAcceptHandler([&](std::int32_t w, std::int32_t h) { accepted.push_back({w, h, window.isHidden()}); });
    QVERIFY(showActive(window));
    window.heightEdit()->lineEdit()->setFocus(Qt::TabFocusReason);
    QTest::keyClicks(window.heightEdit()->lineEdit(), QStringLiteral("2000000"));
    window.okButton()->click();

    QCOMPARE(accepted.size(), std::size_t{1});
    QCOMPARE(accepted[0].width, 150);
    QCOMPARE(accepted[0].height, 1000000);
    QCOMPARE(window.heightEdit()->text(), QStringLiteral("1000000"));
}

void TestSettingsWindows::enterInAFieldBeepsAndDoesNotPressOk()
{
    ImageSizeWindow window;
    int handled = 0;
    window.setAcceptHandler([&handled](std::int32_t, std::int32_t) { ++handled; });
    int beeps = 0;
    window.widthEdit()->setBeeper([&beeps] { ++beeps; });
    QVERIFY(showActive(window));

    QTest::keyClick(window.widthEdit()->lineEdit(), Qt::Key_Return);
    QTest::keyClicks(window.widthEdit()->lineEdit(), QStringLiteral("a "));
    QCOMPARE(beeps, 3);
    QCOMPARE(handled, 0);
    QVERIFY(window.isVisible());
    QCOMPARE(window.widthEdit()->text(), QStringLiteral("150"));
}

void TestSettingsWindows::imageSizeCloseBoxStoresNothing()
{
    ImageSizeWindow window;
    int handled = 0;
    window.setAcceptHandler([&handled](std::int32_t, std::int32_t) { ++handled; });
    QVERIFY(showActive(window));
    QTest::keyClicks(window.widthEdit()->lineEdit(), QStringLiteral("640"));
    QVERIFY(!window.close());

    QVERIFY(window.isHidden());
    QCOMPARE(handled, 0);
    QWidget mainWindow;
    QVERIFY(showActiveAgain(window, mainWindow));
    QCOMPARE(window.widthEdit()->text(), QStringLiteral("640"));
    QCOMPARE(QApplication::focusWidget(), window.widthEdit()->lineEdit());
}

void TestSettingsWindows::setFieldsBoundsBothSides()
{
    ImageSizeWindow window;
    window.setFields(300, 300);
    QCOMPARE(window.widthEdit()->text(), QStringLiteral("300"));
    QCOMPARE(window.heightEdit()->text(), QStringLiteral("300"));
    window.setFields(5, 2000000);
    QCOMPARE(window.widthEdit()->text(), QStringLiteral("10"));
    QCOMPARE(window.heightEdit()->text(), QStringLiteral("1000000"));
}

QTEST_MAIN(TestSettingsWindows)
#include "tst_settingswindows.moc"
