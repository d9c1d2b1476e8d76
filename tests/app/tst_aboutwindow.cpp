#include "AboutWindow.h"
#include "FindDialog.h"
#include "QtTestSupport.h"

#include <QApplication>
#include <QCheckBox>
#include <QDate>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpression>
#include <QScrollBar>
#include <QAbstractTextDocumentLayout>
#include <QTextBlock>
#include <QTextDocument>
#include <QTextLayout>
#include <QTest>

#include <memory>

namespace {
const QStringList SectionHeads = {
    QString(), // the introduction has no head
    QStringLiteral("How it works:"),
    QStringLiteral("Start :  "),
    QStringLiteral("Cancel :  "),
    QStringLiteral("Save As :  "),
    QStringLiteral("Reset :  "),
    QStringLiteral("Exit :  "),
    QStringLiteral("To Limit :  "),
    QStringLiteral("Image Size :  "),
    QStringLiteral("Plant life / Snowflake :  "),
    QStringLiteral("About :  "),
    QStringLiteral("Find Text :  "),
};

enum class Direction { Down, Up };
} // namespace

class TestAboutWindow : public QObject {
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void helpTextHasItsShape();
    void closeButtonHoldsTheFocusWhenFirstShown();
    void enterPressesTheFocusedButton();
    void controlsStayInsideTheWindowApart();
    void dateLineIsADayMonthYearDate();
    void creditAndDateLinesPaintNavy();
    void helpLinesFitWithoutWrapping();
    void selectionIsDrawnOnlyWithTheFocus();

    void repeatedSearchesWalkThroughOccurrences();
    void upWalksBackward();
    void matchCaseDecides_data();
    void matchCaseDecides();
    void wholeWordDecides_data();
    void wholeWordDecides();
    void searchStartsAtTheCaret_data();
    void searchStartsAtTheCaret();
    void matchManyLinesDownIsSelectedExactly();
    void nothingFoundChangesNothing();
    void escapeCancelsAndTabMoves();

    void dialogStartsWithMatchCaseAndDown();
    void dialogOpensBesideHelpBoxAfterMove();
    void findTextWhileOpenRaisesWhereItStands();
    void findWhatIsCutAt255AndKept();

    void hidingClosesTheDialog_data();
    void hidingClosesTheDialog();
    void showWindowWhileVisibleChangesNothing();

private:
    void showAbout();
    void openDialog();
    void search(const QString& what, Direction direction = Direction::Down, bool matchCase = true,
                bool wholeWord = false);
    /// Every position of word in the help text, line breaks counted as two.
    QList<int> occurrences(const QString& word, Qt::CaseSensitivity cs = Qt::CaseSensitive) const;
    QString crlfText() const;
    QString selectedText() const;

    template <class T>
    T* child(const char* name) const
    {
        return QtTestSupport::childNamed<T>(about_.get(), name);
    }

    std::unique_ptr<AboutWindow> about_;
    QPlainTextEdit* helpBox_ = nullptr;
    FindDialog* dialog_ = nullptr;
};

void TestAboutWindow::init()
{
    about_ = std::make_unique<AboutWindow>();
    helpBox_ = child<QPlainTextEdit>("helpText");
    dialog_ = child<FindDialog>("findDialog");
}

void TestAboutWindow::cleanup()
{
    about_.reset();
    QtTestSupport::verifyNoWindowLeftVisible();
}

void TestAboutWindow::showAbout()
{
    QVERIFY(about_->isHidden());
    about_->showWindow();
    QVERIFY(QTest::qWaitForWindowActive(about_.get()));
}

void TestAboutWindow::openDialog()
{
    QTest::mouseClick(child<QPushButton>("findTextButton"), Qt::LeftButton);
    QVERIFY(dialog_->isVisible());
    // A transient dialog counts as active along with its parent: wait for the dialog itself.
    QTRY_COMPARE(QApplication::activeWindow(), dialog_);
}

void TestAboutWindow::search(const QString& what, Direction direction, bool matchCase, bool wholeWord)
{
    openDialog();
    auto* edit = dialog_->findChild<QLineEdit*>(QStringLiteral("findWhatEdit"));
    edit->selectAll();
    QTest::keyClicks(edit, what);
    auto* matchCaseCheck = dialog_->findChild<QCheckBox*>(QStringLiteral("matchCaseCheck"));
    if (matchCaseCheck->isChecked() != matchCase)
        QTest::mouseClick(matchCaseCheck, Qt::LeftButton);
    auto* wholeWordCheck = dialog_->findChild<QCheckBox*>(QStringLiteral("wholeWordCheck"));
    if (wholeWordCheck->isChecked() != wholeWord)
        QTest::mouseClick(wholeWordCheck, Qt::LeftButton);
    const char* radio = direction == Direction::Up ? "upRadio" : "downRadio";
    QTest::mouseClick(dialog_->findChild<QRadioButton*>(QString::fromLatin1(radio)), Qt::LeftButton);
    // Enter in the find-what box is Find Next.
    QTest::keyClick(edit, Qt::Key_Return);
}

QString TestAboutWindow::crlfText() const
{
    return helpBox_->toPlainText().replace(QLatin1Char('\n'), QStringLiteral("\r\n"));
}

QList<int> TestAboutWindow::occurrences(const QString& word, Qt::CaseSensitivity cs) const
{
    const QString text = crlfText();
    QList<int> positions;
    for (int at = text.indexOf(word, 0, cs); at >= 0; at = text.indexOf(word, at + 1, cs))
        positions.append(at);
    return positions;
}

QString TestAboutWindow::selectedText() const
{
    return helpBox_->textCursor().selectedText();
}

void TestAboutWindow::helpTextHasItsShape()
{
    const QStringList lines = helpBox_->toPlainText().split(QLatin1Char('\n'));
    QCOMPARE(lines.size(), 69);
    for (const QString& line : lines)
        QVERIFY2(line.size() <= 38, qPrintable(line));
    QCOMPARE(lines.count(QString()), 11);
    QVERIFY(!lines.first().isEmpty());
    QVERIFY(!lines.last().isEmpty());

    const QStringList sections = helpBox_->toPlainText().split(QStringLiteral("\n\n"));
    QCOMPARE(sections.size(), SectionHeads.size());
    for (int i = 0; i < sections.size(); ++i) {
        QVERIFY2(!sections[i].startsWith(QLatin1Char('\n')), qPrintable(sections[i]));
        QVERIFY2(sections[i].startsWith(SectionHeads[i]), qPrintable(sections[i]));
    }
    QCOMPARE(sections[0].count(QLatin1Char('\n')), 2);                    // three lines
    QCOMPARE(sections[1].split(QLatin1Char('\n')).first(), SectionHeads[1]); // a heading line
    QCOMPARE(sections[1].count(QLatin1Char('\n')), 8);                    // and eight more
    QCOMPARE(about_->textLength(), crlfText().size());
}

void TestAboutWindow::closeButtonHoldsTheFocusWhenFirstShown()
{
    showAbout();
    QCOMPARE(QApplication::focusWidget(), child<QPushButton>("closeButton"));
    QCOMPARE(about_->windowTitle(), QStringLiteral("About"));
    QVERIFY(helpBox_->isReadOnly());
}

void TestAboutWindow::enterPressesTheFocusedButton()
{
    // From the keyboard alone: Tab to Find Text and Enter opens the dialog; Escape closes it;
    // Enter on the Close button, which has the focus at first, hides the window.
    showAbout();
    auto* findText = child<QPushButton>("findTextButton");
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab); // into the help box
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    QCOMPARE(QApplication::focusWidget(), findText);
    QTest::keyClick(findText, Qt::Key_Return);
    QVERIFY(dialog_->isVisible());
    QTRY_COMPARE(QApplication::activeWindow(), dialog_);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Escape);
    QVERIFY(!dialog_->isVisible());

    auto* close = child<QPushButton>("closeButton");
    close->setFocus(Qt::TabFocusReason);
    QTest::keyClick(close, Qt::Key_Return);
    QVERIFY(about_->isHidden());
}

void TestAboutWindow::controlsStayInsideTheWindowApart()
{
    showAbout();
    const QList<QWidget*> controls = {helpBox_, child<QPushButton>("findTextButton"), child<QLabel>("creditLabel"),
                                      child<QLabel>("dateLabel"), child<QPushButton>("closeButton")};
    for (int i = 0; i < controls.size(); ++i) {
        QVERIFY2(about_->rect().contains(controls[i]->geometry()), qPrintable(controls[i]->objectName()));
        for (int j = i + 1; j < controls.size(); ++j) {
            QVERIFY2(!controls[i]->geometry().intersects(controls[j]->geometry()),
                     qPrintable(controls[i]->objectName() + QLatin1Char(' ') + controls[j]->objectName()));
        }
    }
}

void TestAboutWindow::dateLineIsADayMonthYearDate()
{
    const QString text = child<QLabel>("dateLabel")->text();
    QVERIFY(QDate::fromString(text, QStringLiteral("dd/MM/yyyy")).isValid());
    QVERIFY(!child<QLabel>("creditLabel")->text().isEmpty());
}

void TestAboutWindow::creditAndDateLinesPaintNavy()
{
    showAbout();
    const QImage window = about_->grab().toImage();
    for (const char* name : {"creditLabel", "dateLabel"}) {
        const QImage line = window.copy(child<QLabel>(name)->geometry());
        // The most inked pixel of the text: navy where the glyph covers it wholly, and blue
        // well above red where it is blended into the background; black text has neither.
        QColor inked = line.pixelColor(0, 0);
        for (int y = 0; y < line.height(); ++y)
            for (int x = 0; x < line.width(); ++x)
                if (line.pixelColor(x, y).lightness() < inked.lightness())
                    inked = line.pixelColor(x, y);
        QVERIFY2(inked.red() < 60 && inked.green() < 60 && inked.blue() - inked.red() > 80,
                 qPrintable(QStringLiteral("%1: %2").arg(QLatin1String(name), inked.name())));
    }
}

void TestAboutWindow::helpLinesFitWithoutWrapping()
{
    showAbout();
    QTextDocument* document = helpBox_->document();
    for (QTextBlock block = document->begin(); block.isValid(); block = block.next()) {
        document->documentLayout()->blockBoundingRect(block); // lays the block out
        QVERIFY2(block.layout()->lineCount() == 1, qPrintable(block.text()));
    }
}

void TestAboutWindow::selectionIsDrawnOnlyWithTheFocus()
{
    showAbout();
    const QColor highlight = helpBox_->palette().color(QPalette::Active, QPalette::Highlight);
    auto highlighted = [&](const QImage& image) {
        int count = 0;
        for (int y = 0; y < image.height(); ++y)
            for (int x = 0; x < image.width(); ++x)
                count += image.pixelColor(x, y) == highlight ? 1 : 0;
        return count;
    };
    const QImage plain = helpBox_->viewport()->grab().toImage();
    about_->setSelection(0, 20);
    const QImage unfocused = helpBox_->viewport()->grab().toImage();
    helpBox_->setFocus();
    QTRY_VERIFY(helpBox_->hasFocus());
    const QImage focused = helpBox_->viewport()->grab().toImage();

    QCOMPARE(unfocused, plain);
    QVERIFY(highlighted(focused) > 50);
}

void TestAboutWindow::repeatedSearchesWalkThroughOccurrences()
{
    showAbout();
    const QList<int> expected = occurrences(QStringLiteral("cluster"));
    QVERIFY(expected.size() >= 4);
    for (int at : expected) {
        search(QStringLiteral("cluster"));
        QCOMPARE(about_->selectionStart(), at);
        QCOMPARE(about_->selectionLength(), 7);
        QCOMPARE(selectedText(), QStringLiteral("cluster"));
        QVERIFY(!dialog_->isVisible());
        QTRY_VERIFY(helpBox_->hasFocus());
    }
    search(QStringLiteral("cluster"));
    QCOMPARE(about_->selectionStart(), expected.last());
    QCOMPARE(about_->selectionLength(), 7);
    QVERIFY(!dialog_->isVisible());
}

void TestAboutWindow::upWalksBackward()
{
    showAbout();
    const QList<int> expected = occurrences(QStringLiteral("cluster"));
    about_->setSelection(about_->textLength(), 0);
    for (auto at = expected.rbegin(); at != expected.rend(); ++at) {
        search(QStringLiteral("cluster"), Direction::Up);
        QCOMPARE(about_->selectionStart(), *at);
        QCOMPARE(selectedText(), QStringLiteral("cluster"));
    }
    search(QStringLiteral("cluster"), Direction::Up);
    QCOMPARE(about_->selectionStart(), expected.first());
    QVERIFY(!dialog_->isVisible());
}

void TestAboutWindow::matchCaseDecides_data()
{
    QTest::addColumn<QString>("word");
    QTest::addColumn<bool>("matchCase");
    QTest::addColumn<QString>("foundText");
    QTest::newRow("cancel, match case: passes over Cancel") << "cancel" << true << "cancel";
    QTest::newRow("cancel, any case: finds Cancel") << "cancel" << false << "Cancel";
    QTest::newRow("Start, match case: passes over start") << "Start" << true << "Start";
    QTest::newRow("start, any case: finds Start") << "Start" << false << "start";
    QTest::newRow("Image, match case: passes over image") << "Image" << true << "Image";
}

void TestAboutWindow::matchCaseDecides()
{
    QFETCH(QString, word);
    QFETCH(bool, matchCase);
    QFETCH(QString, foundText);
    const int sensitive = occurrences(word, Qt::CaseSensitive).value(0, -1);
    const int insensitive = occurrences(word, Qt::CaseInsensitive).value(0, -1);
    QVERIFY(sensitive != insensitive); // the text must hold the other case first for this test

    showAbout();
    search(word, Direction::Down, matchCase);
    QCOMPARE(about_->selectionStart(), matchCase ? sensitive : insensitive);
    QCOMPARE(selectedText(), foundText);
}

void TestAboutWindow::wholeWordDecides_data()
{
    QTest::addColumn<QString>("word");
    QTest::addColumn<bool>("wholeWord");
    QTest::newRow("grow inside grows") << "grow" << false;
    QTest::newRow("grow on its own") << "grow" << true;
    QTest::newRow("on inside diffusion") << "on" << false;
    QTest::newRow("on on its own") << "on" << true;
}

void TestAboutWindow::wholeWordDecides()
{
    QFETCH(QString, word);
    QFETCH(bool, wholeWord);
    const QString text = crlfText();
    const int anywhere = text.indexOf(word);
    const int asWord =
        static_cast<int>(QRegularExpression(QStringLiteral("\\b%1\\b").arg(word)).match(text).capturedStart());
    QVERIFY(anywhere >= 0 && asWord > anywhere); // a longer word holds it first

    showAbout();
    search(word, Direction::Down, true, wholeWord);
    QCOMPARE(about_->selectionStart(), wholeWord ? asWord : anywhere);
    QCOMPARE(about_->selectionLength(), word.size());
}

void TestAboutWindow::searchStartsAtTheCaret_data()
{
    QTest::addColumn<int>("occurrence"); // the caret goes just past this occurrence of "cluster"
    QTest::addColumn<int>("direction");
    QTest::newRow("down from after the first") << 0 << int(Direction::Down);
    QTest::newRow("down from after the third") << 2 << int(Direction::Down);
    QTest::newRow("up from after the third") << 2 << int(Direction::Up);
}

void TestAboutWindow::searchStartsAtTheCaret()
{
    QFETCH(int, occurrence);
    QFETCH(int, direction);
    const QList<int> expected = occurrences(QStringLiteral("cluster"));
    showAbout();
    // Put the caret with the keyboard: top, then right past the chosen occurrence.
    helpBox_->setFocus();
    QTest::keyClick(helpBox_, Qt::Key_Home, Qt::ControlModifier);
    const QString document = helpBox_->toPlainText();
    int documentPosition = -1;
    for (int i = 0; i <= occurrence; ++i)
        documentPosition = document.indexOf(QStringLiteral("cluster"), documentPosition + 1);
    for (int i = 0; i < documentPosition + 7; ++i)
        QTest::keyClick(helpBox_, Qt::Key_Right);
    QCOMPARE(about_->selectionLength(), 0);
    QCOMPARE(about_->selectionStart(), expected[occurrence] + 7);

    search(QStringLiteral("cluster"), Direction(direction));
    const int next = Direction(direction) == Direction::Down ? occurrence + 1 : occurrence;
    QCOMPARE(about_->selectionStart(), expected[next]);
}

void TestAboutWindow::matchManyLinesDownIsSelectedExactly()
{
    showAbout();
    const QString word = QStringLiteral("narrow");
    QCOMPARE(occurrences(word).size(), 1);
    const int lineOfMatch = helpBox_->toPlainText().left(helpBox_->toPlainText().indexOf(word)).count(QLatin1Char('\n'));
    QVERIFY(lineOfMatch > 60);

    search(word);
    QCOMPARE(about_->selectionStart(), occurrences(word).first());
    QCOMPARE(about_->selectionLength(), word.size());
    QCOMPARE(selectedText(), word);
    QCOMPARE(helpBox_->textCursor().blockNumber(), lineOfMatch);
    // Scrolled into view.
    QVERIFY(helpBox_->verticalScrollBar()->value() > 0);
    QVERIFY(helpBox_->viewport()->rect().contains(helpBox_->cursorRect()));
}

void TestAboutWindow::nothingFoundChangesNothing()
{
    showAbout();
    search(QStringLiteral("wanderer"));
    const int start = about_->selectionStart();
    QCOMPARE(about_->selectionLength(), 8);
    const int scroll = helpBox_->verticalScrollBar()->value();

    search(QStringLiteral("zebra"));
    QVERIFY(!dialog_->isVisible());
    QCOMPARE(about_->selectionStart(), start);
    QCOMPARE(about_->selectionLength(), 8);
    QCOMPARE(helpBox_->verticalScrollBar()->value(), scroll);
}

void TestAboutWindow::escapeCancelsAndTabMoves()
{
    showAbout();
    openDialog();
    auto* edit = dialog_->findChild<QLineEdit*>(QStringLiteral("findWhatEdit"));
    QCOMPARE(QApplication::focusWidget(), edit);
    QTest::keyClicks(edit, QStringLiteral("cluster"));
    QTest::keyClick(edit, Qt::Key_Tab);
    QCOMPARE(QApplication::focusWidget(), dialog_->findChild<QWidget*>(QStringLiteral("wholeWordCheck")));
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Escape);
    QVERIFY(!dialog_->isVisible());
    QCOMPARE(about_->selectionLength(), 0);
    QCOMPARE(about_->selectionStart(), 0);

    // Find Next by its button works as Enter does.
    openDialog();
    QTest::mouseClick(dialog_->findChild<QPushButton*>(QStringLiteral("findNextButton")), Qt::LeftButton);
    QCOMPARE(about_->selectionStart(), occurrences(QStringLiteral("cluster")).first());
    QVERIFY(!dialog_->isVisible());
}

void TestAboutWindow::dialogStartsWithMatchCaseAndDown()
{
    showAbout();
    openDialog();
    QVERIFY(dialog_->findChild<QCheckBox*>(QStringLiteral("matchCaseCheck"))->isChecked());
    QVERIFY(!dialog_->findChild<QCheckBox*>(QStringLiteral("wholeWordCheck"))->isChecked());
    QVERIFY(dialog_->findChild<QRadioButton*>(QStringLiteral("downRadio"))->isChecked());
    QVERIFY(dialog_->findChild<QPushButton*>(QStringLiteral("findNextButton"))->isDefault());
    QVERIFY(!dialog_->isModal());
}

void TestAboutWindow::dialogOpensBesideHelpBoxAfterMove()
{
    showAbout();
    about_->move(420, 260);
    QTRY_COMPARE(about_->pos(), QPoint(420, 260));
    const QPoint beside = about_->mapToGlobal(QPoint(helpBox_->geometry().right() + 1, helpBox_->y()));
    QVERIFY(beside.x() > 420 && beside.y() >= 260);

    openDialog();
    QCOMPARE(dialog_->pos(), beside);

    // Dragged elsewhere and closed, it opens beside the help box anew.
    dialog_->move(30, 40);
    QTRY_COMPARE(dialog_->pos(), QPoint(30, 40));
    QTest::mouseClick(dialog_->findChild<QPushButton*>(QStringLiteral("cancelButton")), Qt::LeftButton);
    QVERIFY(!dialog_->isVisible());
    openDialog();
    QCOMPARE(dialog_->pos(), beside);
}

void TestAboutWindow::findTextWhileOpenRaisesWhereItStands()
{
    showAbout();
    openDialog();
    dialog_->move(50, 70);
    QTRY_COMPARE(dialog_->pos(), QPoint(50, 70));
    about_->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(about_.get()));

    openDialog(); // waits until the dialog is the active window again
    QCOMPARE(dialog_->pos(), QPoint(50, 70));
}

void TestAboutWindow::findWhatIsCutAt255AndKept()
{
    showAbout();
    openDialog();
    auto* edit = dialog_->findChild<QLineEdit*>(QStringLiteral("findWhatEdit"));
    QTest::keyClicks(edit, QString(300, QLatin1Char('w')));
    QCOMPARE(edit->text(), QString(255, QLatin1Char('w')));
    QCOMPARE(dialog_->findWhat().size(), 255);

    QTest::keyClick(edit, Qt::Key_Escape);
    QVERIFY(!dialog_->isVisible());
    openDialog();
    QCOMPARE(edit->text(), QString(255, QLatin1Char('w')));
}

void TestAboutWindow::hidingClosesTheDialog_data()
{
    QTest::addColumn<QString>("how");
    QTest::newRow("Close button") << "button";
    QTest::newRow("close box") << "close";
    QTest::newRow("hide") << "hide";
}

void TestAboutWindow::hidingClosesTheDialog()
{
    QFETCH(QString, how);
    showAbout();
    search(QStringLiteral("wanderer"));
    const int start = about_->selectionStart();
    openDialog();
    auto* edit = dialog_->findChild<QLineEdit*>(QStringLiteral("findWhatEdit"));
    edit->setText(QStringLiteral("sticks"));

    if (how == QLatin1String("button"))
        QTest::mouseClick(child<QPushButton>("closeButton"), Qt::LeftButton);
    else if (how == QLatin1String("close"))
        QVERIFY(!about_->close()); // the close is refused: the window only hides
    else
        about_->hide();
    QVERIFY(about_->isHidden());
    QVERIFY(!dialog_->isVisible());

    // Shown again: the selection and the dialog's text are as they were.
    showAbout();
    QCOMPARE(about_->selectionStart(), start);
    QCOMPARE(about_->selectionLength(), 8);
    QVERIFY(!dialog_->isVisible());
    openDialog();
    QCOMPARE(edit->text(), QStringLiteral("sticks"));
}

void TestAboutWindow::showWindowWhileVisibleChangesNothing()
{
    showAbout();
    about_->move(150, 120);
    QTRY_COMPARE(about_->pos(), QPoint(150, 120));
    QWidget other;
    other.setObjectName(QStringLiteral("otherWindow"));
    other.resize(300, 300);
    other.move(100, 100);
    other.show();
    other.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&other));

    about_->showWindow();
    // Whatever showWindow() asked for has been answered before the checks: its posted events
    // are sent, and the next pass of the event loop delivers every request the window system
    // has queued for this program (an activation, a raise), however slow the machine.
    QCoreApplication::sendPostedEvents();
    QCoreApplication::processEvents();
    QCOMPARE(QApplication::activeWindow(), &other);
    QCOMPARE(about_->pos(), QPoint(150, 120));
    QVERIFY(about_->isVisible());

    // Hidden and shown again it comes back where it was left, in front.
    about_->hide();
    about_->showWindow();
    QVERIFY(QTest::qWaitForWindowActive(about_.get()));
    QCOMPARE(about_->pos(), QPoint(150, 120));
}

QTEST_MAIN(TestAboutWindow)
#include "tst_aboutwindow.moc"
