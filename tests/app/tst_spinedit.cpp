#include "QtTestSupport.h"
#include "SpinEdit.h"

#include <QApplication>
#include <QClipboard>
#include <QKeyEvent>
#include <QLineEdit>
#include <QLocale>
#include <QTest>
#include <QToolButton>
#include <QVBoxLayout>

#include <limits>
#include <memory>

namespace {

// The test's own clock for the repeat timer, started at a button press: advancing it fires the
// timer's timeout once for every interval that has run out, the way the event loop would,
// without waiting.
class RepeatClock {
public:
    explicit RepeatClock(SpinEdit& edit) : timer_(edit.repeatTimer()) {}

    void advance(int ms)
    {
        sinceLastTick_ += ms;
        while (timer_->isActive() && sinceLastTick_ >= timer_->interval()) {
            sinceLastTick_ -= timer_->interval();
            QMetaObject::invokeMethod(timer_, "timeout");
        }
        if (!timer_->isActive())
            sinceLastTick_ = 0;
    }

private:
    QTimer* timer_;
    int sinceLastTick_ = 0;
};

// A window holding two spin edits and a plain line edit, shown and active, so focus moves
// between controls of one window the way a user's Tab and clicks move it.
struct FieldWindow {
    QWidget window;
    SpinEdit* first = new SpinEdit(&window);
    SpinEdit* second = new SpinEdit(&window);
    QLineEdit* other = new QLineEdit(&window);

    FieldWindow()
    {
        auto* layout = new QVBoxLayout(&window);
        for (QWidget* w : std::initializer_list<QWidget*>{first, second, other})
            layout->addWidget(w);
        for (SpinEdit* edit : {first, second}) {
            edit->setIncrement(100);
            edit->setLowerBound(0);
            edit->setUpperBound(8000);
            edit->setValue(1000);
        }
    }

    bool showActive()
    {
        window.show();
        window.activateWindow();
        return QTest::qWaitForWindowActive(&window);
    }
};

QPoint centreOf(const QWidget* w)
{
    return w->rect().center();
}

QPoint offTheButton(const QWidget* button)
{
    return {button->width() / 2, button->height() + 40};
}

} // namespace

class TestSpinEdit : public QObject {
    Q_OBJECT

private slots:
    void cleanup();

    void parse_data();
    void parse();
    void valueReadsLowerBoundForNoNumberAndNeverBounds_data();
    void valueReadsLowerBoundForNoNumberAndNeverBounds();
    void setValueWritesBoundedDecimal_data();
    void setValueWritesBoundedDecimal();
    void settingABoundLeavesTheText();

    void stepping_data();
    void stepping();
    void keyAutoRepeatStepsOnEveryKeyDown();

    void typedCharacters_data();
    void typedCharacters();
    void decimalSeparatorFollowsTheLocale();
    void pasteTakesAnyText();
    void altAndMetaKeysNeverType();
    void ctrlEditingKeysKeepTheirMeaning();

    void leavingTheFieldBoundsIt_data();
    void leavingTheFieldBoundsIt();
    void activatingAnotherWindowIsNotLeaving();
    void focusByKeyboardSelectsAllButAClickDoesNot();

    void arrowPressAndReleaseStepsOnce();
    void arrowReleasedOffTheButtonTakesNoStep();
    void arrowPressMovesFocusAndLeavesTheOtherField();
    void otherMouseButtonsDoNothing();
    void heldArrowRepeatsAfter400ThenEvery100();
    void repeatTickOffTheButtonTakesNoStepButKeepsRunning();

    void minimumHeightFollowsTheFont();
};

void TestSpinEdit::cleanup()
{
    QLocale::setDefault(QLocale::c());
    QtTestSupport::verifyNoWindowLeftVisible();
}

void TestSpinEdit::parse_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("isNumber");
    QTest::addColumn<int>("number");

    const int max = std::numeric_limits<std::int32_t>::max();
    const int min = std::numeric_limits<std::int32_t>::min();
    QTest::newRow("plain") << "1000" << true << 1000;
    QTest::newRow("zero") << "0" << true << 0;
    QTest::newRow("leading zeros") << "0010" << true << 10;
    QTest::newRow("leading spaces") << "   42" << true << 42;
    QTest::newRow("plus sign") << "+7" << true << 7;
    QTest::newRow("minus sign") << "-7" << true << -7;
    QTest::newRow("spaces then sign") << "  -7" << true << -7;
    QTest::newRow("largest") << "2147483647" << true << max;
    QTest::newRow("smallest") << "-2147483648" << true << min;
    QTest::newRow("one past largest") << "2147483648" << false << 0;
    QTest::newRow("one past smallest") << "-2147483649" << false << 0;
    QTest::newRow("far too long") << "123456789012345678901" << false << 0;
    QTest::newRow("dollar hex") << "$FF" << true << 255;
    QTest::newRow("x hex lower digits") << "xff" << true << 255;
    QTest::newRow("capital X hex") << "X1a" << true << 26;
    QTest::newRow("0x hex") << "0x10" << true << 16;
    QTest::newRow("0X hex") << "0X10" << true << 16;
    QTest::newRow("spaces then hex") << "  $10" << true << 16;
    QTest::newRow("hex all ones is -1") << "$FFFFFFFF" << true << -1;
    QTest::newRow("hex top bit") << "$80000000" << true << min;
    QTest::newRow("hex leading zeros") << "$000000000FF" << true << 255;
    QTest::newRow("hex beyond 32 bits") << "$100000000" << false << 0;
    QTest::newRow("hex prefix alone") << "$" << false << 0;
    QTest::newRow("0x alone") << "0x" << false << 0;
    QTest::newRow("hex with sign") << "-$10" << false << 0;
    QTest::newRow("sign before 0x") << "+0x10" << false << 0;
    QTest::newRow("hex bad digit") << "$1G" << false << 0;
    QTest::newRow("double zero before x") << "00x10" << false << 0;
    QTest::newRow("empty") << "" << false << 0;
    QTest::newRow("only spaces") << "   " << false << 0;
    QTest::newRow("lone plus") << "+" << false << 0;
    QTest::newRow("lone minus") << "-" << false << 0;
    QTest::newRow("doubled sign") << "--5" << false << 0;
    QTest::newRow("trailing space") << "12 " << false << 0;
    QTest::newRow("trailing letter") << "12a" << false << 0;
    QTest::newRow("decimal point") << "1.5" << false << 0;
    QTest::newRow("decimal comma") << "1,5" << false << 0;
    QTest::newRow("leading tab") << "\t5" << false << 0;
    QTest::newRow("space after sign") << "- 5" << false << 0;
}

void TestSpinEdit::parse()
{
    QFETCH(QString, text);
    QFETCH(bool, isNumber);
    QFETCH(int, number);

    const std::optional<std::int32_t> read = SpinEdit::parse(text);
    QCOMPARE(read.has_value(), isNumber);
    if (isNumber)
        QCOMPARE(*read, number);
}

void TestSpinEdit::valueReadsLowerBoundForNoNumberAndNeverBounds_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("expected");

    QTest::newRow("empty reads lower bound") << "" << 10;
    QTest::newRow("lone sign reads lower bound") << "-" << 10;
    QTest::newRow("decimal reads lower bound") << "1.5" << 10;
    QTest::newRow("above upper bound read as is") << "2000000" << 2000000;
    QTest::newRow("below lower bound read as is") << "5" << 5;
    QTest::newRow("negative read as is") << "-3" << -3;
    QTest::newRow("hex") << "$20" << 32;
}

void TestSpinEdit::valueReadsLowerBoundForNoNumberAndNeverBounds()
{
    QFETCH(QString, text);
    QFETCH(int, expected);

    SpinEdit edit;
    edit.setLowerBound(10);
    edit.setUpperBound(1000000);
    edit.setText(text);
    QCOMPARE(edit.value(), expected);
    QCOMPARE(edit.text(), text);
}

void TestSpinEdit::setValueWritesBoundedDecimal_data()
{
    QTest::addColumn<int>("lower");
    QTest::addColumn<int>("upper");
    QTest::addColumn<int>("value");
    QTest::addColumn<QString>("text");

    QTest::newRow("within") << 0 << 8000 << 1234 << "1234";
    QTest::newRow("above") << 0 << 8000 << 9000 << "8000";
    QTest::newRow("below") << 0 << 8000 << -1 << "0";
    QTest::newRow("negative within") << -50 << 50 << -20 << "-20";
    QTest::newRow("equal bounds mean none") << 0 << 0 << -12345 << "-12345";
    QTest::newRow("equal non-zero bounds mean none") << 5 << 5 << 99 << "99";
    QTest::newRow("width too small") << 10 << 1000000 << 5 << "10";
}

void TestSpinEdit::setValueWritesBoundedDecimal()
{
    QFETCH(int, lower);
    QFETCH(int, upper);
    QFETCH(int, value);
    QFETCH(QString, text);

    SpinEdit edit;
    edit.setLowerBound(lower);
    edit.setUpperBound(upper);
    edit.setValue(value);
    QCOMPARE(edit.text(), text);
}

void TestSpinEdit::settingABoundLeavesTheText()
{
    SpinEdit edit;
    edit.setLowerBound(0);
    edit.setUpperBound(8000);
    edit.setValue(8000);
    edit.setUpperBound(7000);
    QCOMPARE(edit.upperBound(), 7000);
    QCOMPARE(edit.text(), QStringLiteral("8000"));
    QCOMPARE(edit.value(), 8000);
    edit.setLowerBound(9000);
    QCOMPARE(edit.text(), QStringLiteral("8000"));
}

void TestSpinEdit::stepping_data()
{
    QTest::addColumn<int>("lower");
    QTest::addColumn<int>("upper");
    QTest::addColumn<int>("increment");
    QTest::addColumn<QString>("start");
    QTest::addColumn<int>("key");
    QTest::addColumn<QString>("after");

    const int up = Qt::Key_Up;
    const int down = Qt::Key_Down;
    QTest::newRow("1000 up") << 0 << 8000 << 100 << "1000" << up << "1100";
    QTest::newRow("7950 up stops at 8000") << 0 << 8000 << 100 << "7950" << up << "8000";
    QTest::newRow("0 down stays 0") << 0 << 8000 << 100 << "0" << down << "0";
    QTest::newRow("6950 up under 7000") << 0 << 7000 << 100 << "6950" << up << "7000";
    QTest::newRow("8000 up under 7000") << 0 << 7000 << 100 << "8000" << up << "7000";
    QTest::newRow("8000 down under 7000") << 0 << 7000 << 100 << "8000" << down << "7000";
    QTest::newRow("empty steps from lower bound") << 0 << 8000 << 100 << "" << up << "100";
    QTest::newRow("no number down is lower bound") << 10 << 1000000 << 10 << "-" << down << "10";
    QTest::newRow("negative typed steps up") << 0 << 8000 << 100 << "-250" << up << "0";
    QTest::newRow("hex steps") << 0 << 8000 << 100 << "$100" << up << "356";
    QTest::newRow("no bounds run to the 32-bit end")
        << 0 << 0 << 100 << "2147483600" << up << "2147483647";
}

void TestSpinEdit::stepping()
{
    QFETCH(int, lower);
    QFETCH(int, upper);
    QFETCH(int, increment);
    QFETCH(QString, start);
    QFETCH(int, key);
    QFETCH(QString, after);

    SpinEdit edit;
    edit.setIncrement(increment);
    edit.setLowerBound(lower);
    edit.setUpperBound(upper);
    edit.setText(start);
    QTest::keyClick(edit.lineEdit(), Qt::Key(key));
    QCOMPARE(edit.text(), after);

    // The methods behave as the keys do.
    edit.setText(start);
    if (key == Qt::Key_Up)
        edit.stepUp();
    else
        edit.stepDown();
    QCOMPARE(edit.text(), after);
}

void TestSpinEdit::keyAutoRepeatStepsOnEveryKeyDown()
{
    SpinEdit edit;
    edit.setIncrement(100);
    edit.setUpperBound(8000);
    edit.setValue(1000);
    QKeyEvent first(QEvent::KeyPress, Qt::Key_Up, Qt::NoModifier);
    QApplication::sendEvent(edit.lineEdit(), &first);
    for (int i = 0; i < 3; ++i) {
        QKeyEvent repeat(QEvent::KeyPress, Qt::Key_Up, Qt::NoModifier, QString(), true);
        QApplication::sendEvent(edit.lineEdit(), &repeat);
    }
    QCOMPARE(edit.text(), QStringLiteral("1400"));
    QKeyEvent down(QEvent::KeyPress, Qt::Key_Down, Qt::NoModifier, QString(), true);
    QApplication::sendEvent(edit.lineEdit(), &down);
    QCOMPARE(edit.text(), QStringLiteral("1300"));
}

void TestSpinEdit::typedCharacters_data()
{
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("beeps");

    QTest::newRow("digits") << "1234567890" << "1234567890" << 0;
    QTest::newRow("signs") << "+-12" << "+-12" << 0;
    QTest::newRow("letter refused") << "12a3" << "123" << 1;
    QTest::newRow("space refused") << "1 2" << "12" << 1;
    QTest::newRow("hex prefix cannot be typed") << "$x" << "" << 2;
    QTest::newRow("other punctuation") << "5/*%" << "5" << 3;
    QTest::newRow("letters only") << "abc" << "" << 3;
}

void TestSpinEdit::typedCharacters()
{
    QFETCH(QString, typed);
    QFETCH(QString, text);
    QFETCH(int, beeps);

    SpinEdit edit;
    int beepCount = 0;
    edit.setBeeper([&beepCount] { ++beepCount; });
    edit.setText(QString());
    QTest::keyClicks(edit.lineEdit(), typed);
    QCOMPARE(edit.text(), text);
    QCOMPARE(beepCount, beeps);
}

void TestSpinEdit::decimalSeparatorFollowsTheLocale()
{
    SpinEdit edit;
    int beepCount = 0;
    edit.setBeeper([&beepCount] { ++beepCount; });

    QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
    edit.setText(QString());
    QTest::keyClicks(edit.lineEdit(), QStringLiteral("1.5,"));
    QCOMPARE(edit.text(), QStringLiteral("1.5"));
    QCOMPARE(beepCount, 1);
    QCOMPARE(edit.value(), 0); // accepted, but still no number

    QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
    edit.setText(QString());
    QTest::keyClicks(edit.lineEdit(), QStringLiteral("1,5."));
    QCOMPARE(edit.text(), QStringLiteral("1,5"));
    QCOMPARE(beepCount, 2);
}

void TestSpinEdit::pasteTakesAnyText()
{
    SpinEdit edit;
    int beepCount = 0;
    edit.setBeeper([&beepCount] { ++beepCount; });
    edit.setValue(1000);

    // Enter is refused like any other character; editing keys pass.
    QTest::keyClick(edit.lineEdit(), Qt::Key_Return);
    QTest::keyClick(edit.lineEdit(), Qt::Key_Enter);
    QCOMPARE(edit.text(), QStringLiteral("1000"));
    QCOMPARE(beepCount, 2);
    QTest::keyClick(edit.lineEdit(), Qt::Key_End);
    QTest::keyClick(edit.lineEdit(), Qt::Key_Backspace);
    QCOMPARE(edit.text(), QStringLiteral("100"));
    QCOMPARE(beepCount, 2);

    QApplication::clipboard()->setText(QStringLiteral(" ab$"));
    QTest::keyClick(edit.lineEdit(), Qt::Key_V, Qt::ControlModifier);
    QCOMPARE(edit.text(), QStringLiteral("100 ab$"));
    QCOMPARE(beepCount, 2);
    QCOMPARE(edit.value(), 0);
}

void TestSpinEdit::altAndMetaKeysNeverType()
{
    SpinEdit edit;
    int beepCount = 0;
    edit.setBeeper([&beepCount] { ++beepCount; });
    edit.setText(QString());
    QTest::keyClicks(edit.lineEdit(), QStringLiteral("5"));
    QTest::keyClick(edit.lineEdit(), Qt::Key_Q, Qt::AltModifier);
    QTest::keyClick(edit.lineEdit(), Qt::Key_Z, Qt::AltModifier | Qt::ShiftModifier);
    QTest::keyClick(edit.lineEdit(), Qt::Key_7, Qt::MetaModifier);
    QTest::keyClick(edit.lineEdit(), Qt::Key_Up, Qt::AltModifier);
    QCOMPARE(edit.text(), QStringLiteral("5"));
    QCOMPARE(beepCount, 0); // accelerators, not refused characters
}

void TestSpinEdit::ctrlEditingKeysKeepTheirMeaning()
{
    SpinEdit edit;
    int beepCount = 0;
    edit.setBeeper([&beepCount] { ++beepCount; });
    edit.setText(QStringLiteral("1234"));
    QLineEdit* text = edit.lineEdit();

    QTest::keyClick(text, Qt::Key_A, Qt::ControlModifier);
    QTest::keyClick(text, Qt::Key_C, Qt::ControlModifier);
    QCOMPARE(QApplication::clipboard()->text(), QStringLiteral("1234"));
    QTest::keyClick(text, Qt::Key_X, Qt::ControlModifier);
    QCOMPARE(edit.text(), QString());
    QTest::keyClick(text, Qt::Key_Z, Qt::ControlModifier);
    QCOMPARE(edit.text(), QStringLiteral("1234"));
    QTest::keyClick(text, Qt::Key_End);
    QTest::keyClick(text, Qt::Key_V, Qt::ControlModifier);
    QCOMPARE(edit.text(), QStringLiteral("12341234"));
    QCOMPARE(beepCount, 0);
}

void TestSpinEdit::leavingTheFieldBoundsIt_data()
{
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("afterLeaving");

    QTest::newRow("above upper") << "9000" << "8000";
    QTest::newRow("below lower") << "-5" << "0";
    QTest::newRow("within stays") << "0123" << "0123";
    QTest::newRow("empty stays empty") << "" << "";
    QTest::newRow("lone sign stays") << "-" << "-";
    QTest::newRow("decimal stays") << "9.5" << "9.5";
}

void TestSpinEdit::leavingTheFieldBoundsIt()
{
    QFETCH(QString, typed);
    QFETCH(QString, afterLeaving);

    FieldWindow fields;
    QVERIFY(fields.showActive());
    QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));

    // Leaving by Tab.
    fields.first->setFocus(Qt::TabFocusReason);
    QTest::keyClick(fields.first->lineEdit(), Qt::Key_A, Qt::ControlModifier);
    QTest::keyClick(fields.first->lineEdit(), Qt::Key_Delete);
    QTest::keyClicks(fields.first->lineEdit(), typed);
    QCOMPARE(fields.first->text(), typed);
    QTest::keyClick(fields.first->lineEdit(), Qt::Key_Tab);
    QVERIFY(fields.second->lineEdit()->hasFocus());
    QCOMPARE(fields.first->text(), afterLeaving);

    // Leaving by a click into another control.
    fields.second->setText(typed);
    QTest::mouseClick(fields.other, Qt::LeftButton, {}, centreOf(fields.other));
    QVERIFY(fields.other->hasFocus());
    QCOMPARE(fields.second->text(), afterLeaving);
}

void TestSpinEdit::activatingAnotherWindowIsNotLeaving()
{
    FieldWindow fields;
    QVERIFY(fields.showActive());
    fields.first->setFocus(Qt::TabFocusReason);
    fields.first->setText(QStringLiteral("9000"));

    QWidget otherWindow;
    otherWindow.show();
    otherWindow.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&otherWindow));
    QCOMPARE(fields.first->text(), QStringLiteral("9000"));

    fields.window.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&fields.window));
    QVERIFY(fields.first->lineEdit()->hasFocus());
    QCOMPARE(fields.first->text(), QStringLiteral("9000"));
    QCOMPARE(fields.first->value(), 9000);
}

void TestSpinEdit::focusByKeyboardSelectsAllButAClickDoesNot()
{
    FieldWindow fields;
    QVERIFY(fields.showActive());
    fields.second->setText(QStringLiteral("4321"));

    fields.first->setFocus(Qt::TabFocusReason);
    QTest::keyClick(fields.first->lineEdit(), Qt::Key_Tab);
    QVERIFY(fields.second->lineEdit()->hasFocus());
    QCOMPARE(fields.second->lineEdit()->selectedText(), QStringLiteral("4321"));

    QTest::keyClick(fields.second->lineEdit(), Qt::Key_Backtab, Qt::ShiftModifier);
    QVERIFY(fields.first->lineEdit()->hasFocus());
    QCOMPARE(fields.first->lineEdit()->selectedText(), QStringLiteral("1000"));

    QTest::mouseClick(fields.second->lineEdit(), Qt::LeftButton, {}, QPoint(4, fields.second->height() / 2));
    QVERIFY(fields.second->lineEdit()->hasFocus());
    QVERIFY(!fields.second->lineEdit()->hasSelectedText());

    // Focus given to the whole spin edit lands in its text, selected.
    fields.first->setFocus(Qt::OtherFocusReason);
    QVERIFY(fields.first->lineEdit()->hasFocus());
    QCOMPARE(fields.first->lineEdit()->selectedText(), QStringLiteral("1000"));
}

void TestSpinEdit::arrowPressAndReleaseStepsOnce()
{
    FieldWindow fields;
    QVERIFY(fields.showActive());
    QToolButton* up = fields.first->upButton();
    QToolButton* down = fields.first->downButton();

    QTest::mousePress(up, Qt::LeftButton, {}, centreOf(up));
    QCOMPARE(fields.first->text(), QStringLiteral("1000")); // the step waits for the release
    QTest::mouseRelease(up, Qt::LeftButton, {}, centreOf(up));
    QCOMPARE(fields.first->text(), QStringLiteral("1100"));
    QVERIFY(!fields.first->repeatTimer()->isActive());

    QTest::mouseClick(down, Qt::LeftButton, {}, centreOf(down));
    QTest::mouseClick(down, Qt::LeftButton, {}, centreOf(down));
    QCOMPARE(fields.first->text(), QStringLiteral("900"));
}

void TestSpinEdit::arrowReleasedOffTheButtonTakesNoStep()
{
    FieldWindow fields;
    QVERIFY(fields.showActive());
    QToolButton* up = fields.first->upButton();

    QTest::mousePress(up, Qt::LeftButton, {}, centreOf(up));
    QTest::mouseMove(up, offTheButton(up));
    QTest::mouseRelease(up, Qt::LeftButton, {}, offTheButton(up));
    QCOMPARE(fields.first->text(), QStringLiteral("1000"));
    QVERIFY(!fields.first->repeatTimer()->isActive());
}

void TestSpinEdit::arrowPressMovesFocusAndLeavesTheOtherField()
{
    FieldWindow fields;
    QVERIFY(fields.showActive());
    fields.first->setFocus(Qt::TabFocusReason);
    fields.first->setText(QStringLiteral("9999"));
    fields.second->setText(QStringLiteral("2500"));

    QToolButton* up = fields.second->upButton();
    QTest::mousePress(up, Qt::LeftButton, {}, centreOf(up));
    QVERIFY(fields.second->lineEdit()->hasFocus());
    QCOMPARE(fields.second->lineEdit()->selectedText(), QStringLiteral("2500"));
    QCOMPARE(fields.first->text(), QStringLiteral("8000"));
    QTest::mouseRelease(up, Qt::LeftButton, {}, centreOf(up));
    QCOMPARE(fields.second->text(), QStringLiteral("2600"));
}

void TestSpinEdit::otherMouseButtonsDoNothing()
{
    FieldWindow fields;
    QVERIFY(fields.showActive());
    fields.other->setFocus(Qt::TabFocusReason);

    for (Qt::MouseButton button : {Qt::RightButton, Qt::MiddleButton}) {
        QToolButton* up = fields.first->upButton();
        QTest::mousePress(up, button, {}, centreOf(up));
        QVERIFY(!fields.first->repeatTimer()->isActive());
        QTest::mouseRelease(up, button, {}, centreOf(up));
    }
    QCOMPARE(fields.first->text(), QStringLiteral("1000"));
    QVERIFY(fields.other->hasFocus());
}

void TestSpinEdit::heldArrowRepeatsAfter400ThenEvery100()
{
    FieldWindow fields;
    QVERIFY(fields.showActive());
    SpinEdit& edit = *fields.first;
    QToolButton* up = edit.upButton();

    QTest::mousePress(up, Qt::LeftButton, {}, centreOf(up));
    RepeatClock clock(edit);
    QVERIFY(edit.repeatTimer()->isActive());
    clock.advance(399);
    QCOMPARE(edit.text(), QStringLiteral("1000"));
    clock.advance(1); // 400 ms
    QCOMPARE(edit.text(), QStringLiteral("1100"));
    clock.advance(99);
    QCOMPARE(edit.text(), QStringLiteral("1100"));
    clock.advance(1); // 500 ms
    QCOMPARE(edit.text(), QStringLiteral("1200"));
    clock.advance(150); // 650 ms: the tick at 600
    QCOMPARE(edit.text(), QStringLiteral("1300"));
    QTest::mouseRelease(up, Qt::LeftButton, {}, centreOf(up));
    QCOMPARE(edit.text(), QStringLiteral("1400")); // and the step at the release
    QVERIFY(!edit.repeatTimer()->isActive());

    // A new press starts again from the long first delay.
    QToolButton* down = edit.downButton();
    QTest::mousePress(down, Qt::LeftButton, {}, centreOf(down));
    QCOMPARE(edit.repeatTimer()->interval(), SpinEdit::FirstRepeatDelayMs);
    RepeatClock secondClock(edit);
    secondClock.advance(350);
    QTest::mouseRelease(down, Qt::LeftButton, {}, centreOf(down));
    secondClock.advance(1000);
    QCOMPARE(edit.text(), QStringLiteral("1300"));
}

void TestSpinEdit::repeatTickOffTheButtonTakesNoStepButKeepsRunning()
{
    FieldWindow fields;
    QVERIFY(fields.showActive());
    SpinEdit& edit = *fields.first;
    QToolButton* up = edit.upButton();

    QTest::mousePress(up, Qt::LeftButton, {}, centreOf(up));
    RepeatClock clock(edit);
    QTest::mouseMove(up, offTheButton(up));
    clock.advance(600); // ticks at 400, 500 and 600, all off the button
    QCOMPARE(edit.text(), QStringLiteral("1000"));
    QVERIFY(edit.repeatTimer()->isActive());
    QTest::mouseMove(up, centreOf(up));
    clock.advance(100); // 700 ms, back over the button
    QCOMPARE(edit.text(), QStringLiteral("1100"));
    QTest::mouseRelease(up, Qt::LeftButton, {}, centreOf(up));
    QCOMPARE(edit.text(), QStringLiteral("1200"));
}

void TestSpinEdit::minimumHeightFollowsTheFont()
{
    SpinEdit edit;
    edit.resize(89, 1);
    const int smallFontHeight = edit.height();
    QVERIFY(smallFontHeight > edit.fontMetrics().height());

    QFont big = edit.font();
    big.setPointSizeF(big.pointSizeF() * 3);
    edit.setFont(big);
    edit.resize(89, 1);
    QVERIFY(edit.height() > smallFontHeight);
    QVERIFY(edit.height() > edit.lineEdit()->fontMetrics().height());

    // The arrow column sits inside the field, right-aligned, and the text stops short of it.
    QCOMPARE(edit.upButton()->width(), SpinEdit::ButtonColumnWidth);
    QVERIFY(edit.upButton()->geometry().right() < edit.width());
    QVERIFY(edit.downButton()->geometry().top() < edit.upButton()->geometry().bottom() + 1);
    QVERIFY(edit.lineEdit()->textMargins().right() >= SpinEdit::ButtonColumnWidth + 2);
}

QTEST_MAIN(TestSpinEdit)
#include "tst_spinedit.moc"
