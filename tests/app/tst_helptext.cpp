#include "HelpText.h"
#include "QtTestSupport.h"

#include <QTest>

namespace {
// Three lines and an empty one between: "ab" | "" | "cd ef". With line breaks as two:
// a0 b1 CR2 LF3 CR4 LF5 c6 d7 ' '8 e9 f10, length 11.
const QString Sample = QStringLiteral("ab\n\ncd ef");

HelpText::SearchOptions options(bool matchCase, bool wholeWord, bool forward)
{
    HelpText::SearchOptions result;
    result.matchCase = matchCase;
    result.wholeWord = wholeWord;
    result.forward = forward;
    return result;
}
} // namespace

class TestHelpText : public QObject {
    Q_OBJECT

private slots:
    void cleanup() { QtTestSupport::verifyNoWindowLeftVisible(); }

    void lengthCountsLineBreaksAsTwo();
    void positionsConvert_data();
    void positionsConvert();
    void positionBetweenCrAndLfIsTheLineEnd();
    void find_data();
    void find();
    void helpResourceLoadsWithoutTrailingEmptyLine();
};

void TestHelpText::lengthCountsLineBreaksAsTwo()
{
    QCOMPARE(HelpText(Sample).length(), 11);
    QCOMPARE(HelpText(QString()).length(), 0);
    QCOMPARE(HelpText(QStringLiteral("\n")).length(), 2);
    QCOMPARE(HelpText(Sample).documentText(), Sample);
}

void TestHelpText::positionsConvert_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("documentPosition");
    QTest::addColumn<int>("position");
    QTest::newRow("start") << Sample << 0 << 0;
    QTest::newRow("end of first line") << Sample << 2 << 2;
    QTest::newRow("empty line") << Sample << 3 << 4;
    QTest::newRow("third line start") << Sample << 4 << 6;
    QTest::newRow("inside third line") << Sample << 6 << 8;
    QTest::newRow("text end") << Sample << 9 << 11;
    QTest::newRow("one line") << QStringLiteral("abc") << 3 << 3;
    QTest::newRow("after a leading break") << QStringLiteral("\nx") << 1 << 2;
    QTest::newRow("after two leading breaks") << QStringLiteral("\n\nx") << 3 << 5;
}

void TestHelpText::positionsConvert()
{
    QFETCH(QString, text);
    QFETCH(int, documentPosition);
    QFETCH(int, position);
    const HelpText help(text);
    QCOMPARE(help.fromDocument(documentPosition), position);
    QCOMPARE(help.toDocument(position), documentPosition);
}

void TestHelpText::positionBetweenCrAndLfIsTheLineEnd()
{
    const HelpText help(Sample);
    QCOMPARE(help.toDocument(3), 2); // between CR and LF after "ab"
    QCOMPARE(help.toDocument(5), 3); // between CR and LF of the empty line
}

void TestHelpText::find_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("what");
    QTest::addColumn<int>("start");
    QTest::addColumn<int>("length");
    QTest::addColumn<bool>("matchCase");
    QTest::addColumn<bool>("wholeWord");
    QTest::addColumn<bool>("forward");
    QTest::addColumn<int>("found");

    const QString text = QStringLiteral("Grow\ngrows grow\nregrow_ grow");
    // Positions: Grow 0, CRLF 4-5, grows 6, grow 12, CRLF 16-17, regrow_ 18 (grow at 20), grow 26.
    QTest::newRow("case on skips Grow") << text << "grow" << 0 << 30 << true << false << true << 6;
    QTest::newRow("case off finds Grow") << text << "grow" << 0 << 30 << false << false << true << 0;
    QTest::newRow("whole word skips grows") << text << "grow" << 0 << 30 << true << true << true << 12;
    QTest::newRow("whole word skips regrow_") << text << "grow" << 13 << 17 << true << true << true << 26;
    QTest::newRow("inside a word without whole word") << text << "grow" << 13 << 17 << true << false << true << 20;
    QTest::newRow("whole word at text start") << text << "Grow" << 0 << 30 << true << true << true << 0;
    QTest::newRow("whole word at text end") << text << "grow" << 24 << 6 << true << true << true << 26;
    QTest::newRow("match must fit in the range") << text << "grow" << 12 << 3 << true << false << true << -1;
    QTest::newRow("range ends just after a match") << text << "grow" << 12 << 4 << true << false << true << 12;
    QTest::newRow("no wrap-around") << text << "Grow" << 1 << 29 << true << false << true << -1;
    QTest::newRow("empty text never found") << text << "" << 0 << 30 << true << false << true << -1;
    QTest::newRow("empty range") << text << "grow" << 6 << 0 << true << false << true << -1;
    QTest::newRow("range past the end is cut") << text << "grow" << 26 << 100 << true << false << true << 26;
    QTest::newRow("backward finds the last") << text << "grow" << 0 << 30 << true << false << false << 26;
    QTest::newRow("backward match ends at range end") << text << "grow" << 0 << 16 << true << false << false << 12;
    QTest::newRow("backward match crossing range end") << text << "grow" << 0 << 15 << true << false << false << 6;
    QTest::newRow("backward whole word") << text << "grow" << 0 << 26 << true << true << false << 12;
    QTest::newRow("backward case off reaches Grow") << text << "grow" << 0 << 6 << false << false << false << 0;
    QTest::newRow("backward case on misses Grow") << text << "grow" << 0 << 6 << true << false << false << -1;
}

void TestHelpText::find()
{
    QFETCH(QString, text);
    QFETCH(QString, what);
    QFETCH(int, start);
    QFETCH(int, length);
    QFETCH(bool, matchCase);
    QFETCH(bool, wholeWord);
    QFETCH(bool, forward);
    QFETCH(int, found);
    QCOMPARE(HelpText(text).find(what, start, length, options(matchCase, wholeWord, forward)), found);
}

void TestHelpText::helpResourceLoadsWithoutTrailingEmptyLine()
{
    const QString text = HelpText::loadResource();
    QVERIFY(!text.isEmpty());
    QVERIFY(!text.endsWith(QLatin1Char('\n')));
    QVERIFY(!text.contains(QLatin1Char('\r')));
}

QTEST_GUILESS_MAIN(TestHelpText)
#include "tst_helptext.moc"
