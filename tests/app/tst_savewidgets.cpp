// The save prompt, the save-picture dialog and its preview, driven through their real widgets.
// Modal windows are answered by answers armed before they open.

#include "files/BmpFile.h"
#include "picture/PictureFile.h"
#include "lattice/GrowthField.h"
#include "PictureFormats.h"
#include "PicturePreviewPanel.h"
#include "PreviewWindow.h"
#include "QtTestSupport.h"
#include "SavePictureDialog.h"
#include "SavePrompt.h"

#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QFileSystemModel>
#include <QGridLayout>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QMessageBox>
#include <QProcess>
#include <QPushButton>
#include <QScreen>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QToolButton>

#include <QtEndian>

#include <algorithm>
#include <functional>
#include <limits>
#include <memory>

#include <sys/resource.h>
#include <unistd.h>

namespace {

using namespace QtTestSupport;

/// Writes a white picture of this size whose top half is black, as the program saves it, and
/// checks that an independent decoder reads it back at that size (8 bits per channel).
void writeBmp(const QString& path, int width, int height)
{
    GrowthField field(width, height, ColumnMap::Identity);
    field.reset(width, height, height - height / 2);
    PictureFile::save(field, path.toStdString());
    QCOMPARE(identify(path), QStringLiteral("%1 %2 8").arg(width).arg(height));
}

QByteArray readAll(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("unreadable");
}

void writeText(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(bytes);
}

/// What a crafted BMP file's headers claim.
struct BmpClaim {
    qint64 width = 20;
    qint64 height = 10;
    quint32 pixelOffset = 54;
    quint32 infoSize = 40;
    quint16 bitsPerPixel = 24;
    quint32 compression = 0;
    quint32 coloursUsed = 0;
};

/// The size of the oldest info header, whose sides are 16 bits and palette entries 3 bytes.
constexpr quint32 CoreInfoSize = 12;

/// The 54 bytes of a BMP file's headers making `claim`, each field cut to its width in the file;
/// 26 bytes for the oldest info header.
QByteArray bmpHeaders(const BmpClaim& claim)
{
    QByteArray bytes(54, '\0');
    auto* data = reinterpret_cast<uchar*>(bytes.data());
    data[0] = 'B';
    data[1] = 'M';
    qToLittleEndian<quint32>(claim.pixelOffset, data + 10);
    qToLittleEndian<quint32>(claim.infoSize, data + 14);
    if (claim.infoSize == CoreInfoSize) {
        qToLittleEndian<quint16>(static_cast<quint16>(claim.width), data + 18);
        qToLittleEndian<quint16>(static_cast<quint16>(claim.height), data + 20);
        qToLittleEndian<quint16>(1, data + 22);
        qToLittleEndian<quint16>(claim.bitsPerPixel, data + 24);
        return bytes.left(26);
    }
    qToLittleEndian<quint32>(static_cast<quint32>(claim.width), data + 18);
    qToLittleEndian<quint32>(static_cast<quint32>(claim.height), data + 22);
    qToLittleEndian<quint16>(1, data + 26);
    qToLittleEndian<quint16>(claim.bitsPerPixel, data + 28);
    qToLittleEndian<quint32>(claim.compression, data + 30);
    qToLittleEndian<quint32>(claim.coloursUsed, data + 46);
    return bytes;
}

/// Keeps this process's address space within its present size and `headroom` for as long as
/// it lives, so that an allocation far beyond what a preview needs fails at once instead of
/// stalling the machine. Under AddressSanitizer, which reserves terabytes up front, no limit.
class AddressSpaceLimit {
public:
    explicit AddressSpaceLimit(quint64 headroom)
    {
#ifndef __SANITIZE_ADDRESS__
        QFile statm(QStringLiteral("/proc/self/statm"));
        if (!statm.open(QIODevice::ReadOnly) || getrlimit(RLIMIT_AS, &saved_) != 0)
            return;
        const quint64 pages = statm.readAll().split(' ').value(0).toULongLong();
        rlimit limited = saved_;
        limited.rlim_cur = std::min<rlim_t>(saved_.rlim_max, pages * sysconf(_SC_PAGESIZE) + headroom);
        active_ = setrlimit(RLIMIT_AS, &limited) == 0;
#else
        Q_UNUSED(headroom);
#endif
    }
    ~AddressSpaceLimit()
    {
        if (active_)
            setrlimit(RLIMIT_AS, &saved_);
    }
    AddressSpaceLimit(const AddressSpaceLimit&) = delete;
    AddressSpaceLimit& operator=(const AddressSpaceLimit&) = delete;

private:
    rlimit saved_{};
    bool active_ = false;
};

constexpr quint64 PreviewHeadroom = quint64{1} << 30;

} // namespace

Q_DECLARE_METATYPE(BmpClaim)

class SaveWidgetsTest : public QObject {
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void promptLooksAsDesigned();
    void promptAnswers_data();
    void promptAnswers();
    void promptStartsAfreshEachShowing();

    void filterEntries();
    void dialogSettingsAtFirstOpening();
    void dialogOffersLastConfirmation_data();
    void dialogOffersLastConfirmation();
    void dialogCancelChangesNothing();
    void dialogAsksBeforeReplacingTheFileWritten();
    void dialogListsFilesOfChosenEntry_data();
    void dialogListsFilesOfChosenEntry();

    void previewPanelShowsFile_data();
    void previewPanelShowsFile();
    void previewPanelForgetsPreviousPicture();
    void previewPanelFollowsDialogSelection();
    void previewReadsALargePictureWithoutDecodingItWhole();
    void previewShowsNothingOfAFileThatLies_data();
    void previewShowsNothingOfAFileThatLies();
    void previewOfRowsWiderThanItsBudgetReadsPartOfEach();
    void previewWindowSizeAndFit_data();
    void previewWindowSizeAndFit();
    void previewWindowOpensByDoubleClickAndEscapeCloses();

private:
    QString pathOf(const QString& name) const { return QDir(dir_->path()).filePath(name); }
    std::unique_ptr<PicturePreviewPanel> shownPanel();

    std::unique_ptr<QTemporaryDir> dir_;
};

void SaveWidgetsTest::init()
{
    dir_ = std::make_unique<QTemporaryDir>();
    QVERIFY(dir_->isValid());
}

void SaveWidgetsTest::cleanup()
{
    dir_.reset();
    verifyNoWindowLeftVisible();
}

// ---------------------------------------------------------------------------------------------
// The save prompt

void SaveWidgetsTest::promptLooksAsDesigned()
{
    SavePrompt prompt;
    QCOMPARE(prompt.objectName(), QStringLiteral("savePrompt"));
    QCOMPARE(prompt.windowTitle(), QStringLiteral("Save?"));
    QVERIFY(prompt.isModal());
    QVERIFY(!prompt.isVisible());

    auto* label = childNamed<QLabel>(&prompt, "promptLabel");
    QVERIFY(label);
    QCOMPARE(label->text(), QStringLiteral("Save Image ?"));
    QCOMPARE(label->palette().color(QPalette::WindowText), QColor(0, 0, 128));
    QCOMPARE(label->font().pixelSize(), 24);
    QCOMPARE(label->pos(), QPoint(16, 8));

    auto* yes = childNamed<QPushButton>(&prompt, "yesButton");
    auto* no = childNamed<QPushButton>(&prompt, "noButton");
    QVERIFY(yes && no);
    QCOMPARE(yes->text(), QStringLiteral("&Yes"));
    QCOMPARE(no->text(), QStringLiteral("&No"));
    QCOMPARE(yes->geometry(), QRect(8, 48, 75, 25));
    QCOMPARE(no->geometry(), QRect(88, 48, 75, 25));
    QVERIFY(yes->isDefault());
    QVERIFY(!no->isDefault());
    QCOMPARE(yes->nextInFocusChain(), no);
    // The buttons and the label fit in the window.
    QVERIFY(prompt.rect().contains(no->geometry()));
    QVERIFY(prompt.rect().contains(label->geometry()));
}

void SaveWidgetsTest::promptAnswers_data()
{
    QTest::addColumn<QString>("action");
    QTest::addColumn<int>("expected");

    QTest::newRow("Yes clicked") << "click yes" << 6;
    QTest::newRow("No clicked") << "click no" << 7;
    QTest::newRow("Enter on Yes, which has the focus") << "enter" << 6;
    QTest::newRow("Tab to No, then Enter") << "tab enter" << 7;
    QTest::newRow("Space on the focused Yes") << "space" << 6;
    QTest::newRow("Escape presses No") << "escape" << 7;
    QTest::newRow("Escape after Tab still No") << "tab escape" << 7;
    QTest::newRow("close box") << "close" << 2;
    QTest::newRow("Alt+N") << "alt n" << 7;
}

void SaveWidgetsTest::promptAnswers()
{
    QFETCH(QString, action);
    QFETCH(int, expected);

    SavePrompt prompt;
    bool answered = false;
    answerNextModal([&](QWidget* modal) {
        QCOMPARE(modal, &prompt);
        auto* yes = childNamed<QPushButton>(modal, "yesButton");
        auto* no = childNamed<QPushButton>(modal, "noButton");
        QCOMPARE(modal->focusWidget(), yes);
        answered = true;
        if (action == QLatin1String("click yes"))
            QTest::mouseClick(yes, Qt::LeftButton);
        else if (action == QLatin1String("click no"))
            QTest::mouseClick(no, Qt::LeftButton);
        else if (action == QLatin1String("enter"))
            QTest::keyClick(modal->focusWidget(), Qt::Key_Return);
        else if (action == QLatin1String("space"))
            QTest::keyClick(modal->focusWidget(), Qt::Key_Space);
        else if (action == QLatin1String("tab enter")) {
            QTest::keyClick(modal->focusWidget(), Qt::Key_Tab);
            QCOMPARE(modal->focusWidget(), no);
            QTest::keyClick(modal->focusWidget(), Qt::Key_Enter);
        } else if (action == QLatin1String("escape"))
            QTest::keyClick(modal->focusWidget(), Qt::Key_Escape);
        else if (action == QLatin1String("tab escape")) {
            QTest::keyClick(modal->focusWidget(), Qt::Key_Tab);
            QTest::keyClick(modal->focusWidget(), Qt::Key_Escape);
        } else if (action == QLatin1String("close"))
            modal->close();
        else if (action == QLatin1String("alt n"))
            QTest::keyClick(modal->focusWidget(), Qt::Key_N, Qt::AltModifier);
    });

    QCOMPARE(prompt.ask(), expected);
    QVERIFY(answered);
    QVERIFY(!prompt.isVisible());
}

void SaveWidgetsTest::promptStartsAfreshEachShowing()
{
    SavePrompt prompt;
    answerNextModal([](QWidget* modal) {
        QTest::keyClick(modal->focusWidget(), Qt::Key_Tab);
        modal->close();
    });
    QCOMPARE(prompt.ask(), 2);

    // The focus, and with it the button that Enter presses, is back on Yes.
    answerNextModal([](QWidget* modal) {
        QCOMPARE(modal->focusWidget(), childNamed<QPushButton>(modal, "yesButton"));
        QTest::keyClick(modal->focusWidget(), Qt::Key_Return);
    });
    QCOMPARE(prompt.ask(), 6);

    answerNextModal([](QWidget* modal) { QTest::keyClick(modal->focusWidget(), Qt::Key_Escape); });
    QCOMPARE(prompt.ask(), 7);
}

// ---------------------------------------------------------------------------------------------
// The save-picture dialog

void SaveWidgetsTest::filterEntries()
{
    const QStringList expected{
        QStringLiteral("All (*.bmp;*.ico;*.emf;*.wmf)"),
        QStringLiteral("Bitmaps (*.bmp)"),
        QStringLiteral("Icons (*.ico)"),
        QStringLiteral("Enhanced Metafiles (*.emf)"),
        QStringLiteral("Metafiles (*.wmf)"),
    };
    QCOMPARE(PictureFormats::nameFilters(), expected);

    // The dialog shows them as they are, in this order.
    SavePictureDialog saveDialog;
    auto* combo = childNamed<QComboBox>(&saveDialog, "fileTypeCombo");
    QVERIFY(combo);
    QStringList shown;
    for (int i = 0; i < combo->count(); ++i)
        shown << combo->itemText(i);
    QCOMPARE(shown, expected);
}

void SaveWidgetsTest::dialogSettingsAtFirstOpening()
{
    QWidget owner;
    owner.show();
    SavePictureDialog saveDialog(&owner);
    bool answered = false;
    answerNextModal([&](QWidget* modal) {
        auto* dialog = qobject_cast<QFileDialog*>(modal);
        QVERIFY(dialog);
        QCOMPARE(dialog->objectName(), QStringLiteral("savePictureDialog"));
        QCOMPARE(dialog->acceptMode(), QFileDialog::AcceptSave);
        QVERIFY(dialog->testOption(QFileDialog::DontUseNativeDialog));
        QVERIFY(dialog->testOption(QFileDialog::DontConfirmOverwrite));
        QVERIFY(dialog->defaultSuffix().isEmpty());
        QVERIFY(dialog->isSizeGripEnabled());
        // No title of our own: Qt's own for a save dialog.
        QCOMPARE(dialog->windowTitle(), QFileDialog::tr("Save As"));
        QCOMPARE(dialog->parentWidget(), &owner);

        QCOMPARE(dialog->selectedNameFilter(), PictureFormats::nameFilters().first());
        QVERIFY(childNamed<QLineEdit>(dialog, "fileNameEdit")->text().isEmpty());

        // The preview panel stands to the right of the dialog's own controls.
        auto* panel = childNamed<PicturePreviewPanel>(dialog, "previewPanel");
        QVERIFY(panel && panel->isVisible());
        auto* nameEdit = childNamed<QLineEdit>(dialog, "fileNameEdit");
        QVERIFY(panel->mapTo(dialog, QPoint(0, 0)).x() >= nameEdit->mapTo(dialog, QPoint(nameEdit->width(), 0)).x());
        QCOMPARE(childNamed<QLabel>(dialog, "previewCaption")->text(), QStringLiteral("Picture:"));

        // Centred across the screen, a third of the free height above, two thirds below.
        const QRect screen = dialog->screen()->availableGeometry();
        const QRect frame = dialog->frameGeometry();
        QVERIFY(qAbs((frame.left() - screen.left()) - (screen.right() - frame.right())) <= 1);
        const int above = frame.top() - screen.top();
        const int below = screen.bottom() - frame.bottom();
        QVERIFY2(qAbs(2 * above - below) <= 2, qPrintable(QStringLiteral("%1 above, %2 below").arg(above).arg(below)));
        answered = true;
        dialog->reject();
    });
    QVERIFY(!saveDialog.execute());
    QVERIFY(answered);
}

void SaveWidgetsTest::dialogOffersLastConfirmation_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<int>("filterIndex");

    QTest::newRow("no extension, Bitmaps") << "tree" << 1;
    QTest::newRow("no extension, All") << "tree" << 0;
    QTest::newRow("icon name, Icons") << "tree.ico" << 2;
    QTest::newRow("two full stops, Metafiles") << "a.b.c" << 4;
    QTest::newRow("long extension, Enhanced Metafiles") << "tree.jpeg" << 3;
}

void SaveWidgetsTest::dialogOffersLastConfirmation()
{
    QFETCH(QString, name);
    QFETCH(int, filterIndex);
    const QString fullName = pathOf(name);

    QWidget owner;
    owner.show();
    SavePictureDialog saveDialog(&owner);

    // As a user does it: pick the filter entry with the keyboard, type the name, press Enter.
    answerNextModal([&](QWidget* modal) {
        auto* combo = childNamed<QComboBox>(modal, "fileTypeCombo");
        for (int i = 0; i < filterIndex; ++i)
            QTest::keyClick(combo, Qt::Key_Down);
        QCOMPARE(combo->currentIndex(), filterIndex);
        auto* nameEdit = childNamed<QLineEdit>(modal, "fileNameEdit");
        nameEdit->setText(fullName);
        QTest::keyClick(nameEdit, Qt::Key_Return);
    });
    QVERIFY(saveDialog.execute());
    QCOMPARE(saveDialog.fileName(), fullName);
    QVERIFY2(!QFile::exists(fullName), "the dialog itself writes nothing");

    // The next opening offers the same name, without anything added, and the same entry.
    bool checked = false;
    answerNextModal([&](QWidget* modal) {
        auto* dialog = qobject_cast<QFileDialog*>(modal);
        QCOMPARE(childNamed<QLineEdit>(dialog, "fileNameEdit")->text(), name);
        QCOMPARE(QDir(dialog->directory()).canonicalPath(), QDir(dir_->path()).canonicalPath());
        QCOMPARE(dialog->selectedNameFilter(), PictureFormats::nameFilters().at(filterIndex));
        checked = true;
        // Confirmed again as offered: the same name comes back.
        QTest::keyClick(childNamed<QLineEdit>(dialog, "fileNameEdit"), Qt::Key_Return);
    });
    QVERIFY(saveDialog.execute());
    QVERIFY(checked);
    QCOMPARE(saveDialog.fileName(), fullName);
}

void SaveWidgetsTest::dialogCancelChangesNothing()
{
    QWidget owner;
    owner.show();
    SavePictureDialog saveDialog(&owner);

    // Cancelled at the first opening, after typing a name and choosing another entry.
    answerNextModal([&](QWidget* modal) {
        QTest::keyClick(childNamed<QComboBox>(modal, "fileTypeCombo"), Qt::Key_Down);
        childNamed<QLineEdit>(modal, "fileNameEdit")->setText(pathOf(QStringLiteral("typed")));
        QTest::keyClick(modal, Qt::Key_Escape);
    });
    QVERIFY(!saveDialog.execute());
    QVERIFY(saveDialog.fileName().isEmpty());

    // The next opening shows nothing of the cancelled one.
    answerNextModal([&](QWidget* modal) {
        auto* dialog = qobject_cast<QFileDialog*>(modal);
        QVERIFY(childNamed<QLineEdit>(dialog, "fileNameEdit")->text().isEmpty());
        QCOMPARE(dialog->selectedNameFilter(), PictureFormats::nameFilters().first());
        childNamed<QLineEdit>(dialog, "fileNameEdit")->setText(pathOf(QStringLiteral("kept")));
        QTest::keyClick(childNamed<QComboBox>(dialog, "fileTypeCombo"), Qt::Key_Down);
        QTest::keyClick(childNamed<QLineEdit>(dialog, "fileNameEdit"), Qt::Key_Return);
    });
    QVERIFY(saveDialog.execute());
    QCOMPARE(saveDialog.fileName(), pathOf(QStringLiteral("kept")));

    // A later cancel keeps the confirmed name and entry, and they are offered again after it.
    answerNextModal([&](QWidget* modal) {
        QTest::keyClick(childNamed<QComboBox>(modal, "fileTypeCombo"), Qt::Key_Down);
        childNamed<QLineEdit>(modal, "fileNameEdit")->setText(pathOf(QStringLiteral("other")));
        qobject_cast<QDialog*>(modal)->reject();
    });
    QVERIFY(!saveDialog.execute());
    QCOMPARE(saveDialog.fileName(), pathOf(QStringLiteral("kept")));

    answerNextModal([&](QWidget* modal) {
        auto* dialog = qobject_cast<QFileDialog*>(modal);
        QCOMPARE(childNamed<QLineEdit>(dialog, "fileNameEdit")->text(), QStringLiteral("kept"));
        QCOMPARE(dialog->selectedNameFilter(), PictureFormats::nameFilters().at(1));
        dialog->reject();
    });
    QVERIFY(!saveDialog.execute());
}

void SaveWidgetsTest::dialogAsksBeforeReplacingTheFileWritten()
{
    // The name typed is "tree"; the file a save writes, and so the one asked about, is tree.bmp.
    const QString written = pathOf(QStringLiteral("tree.bmp"));
    writeBmp(written, 20, 10);
    const QByteArray before = readAll(written);
    // "plain" exists too, but a save of that name writes plain.bmp, which does not.
    writeText(pathOf(QStringLiteral("plain")), "not replaced\n");

    QWidget owner;
    owner.show();
    SavePictureDialog saveDialog(&owner);
    QStringList questions;
    const auto answerQuestion = [&questions](QMessageBox::StandardButton answer) {
        answerNextModal([&questions, answer](QWidget* modal) {
            auto* box = qobject_cast<QMessageBox*>(modal);
            QVERIFY(box);
            questions << box->text();
            box->button(answer)->click();
        });
    };
    answerNextModal([&](QWidget* dialog) {
        auto* nameEdit = childNamed<QLineEdit>(dialog, "fileNameEdit");
        nameEdit->setText(pathOf(QStringLiteral("tree")));
        answerQuestion(QMessageBox::No);
        QTest::keyClick(nameEdit, Qt::Key_Return);
        QCOMPARE(questions.size(), 1);
        QVERIFY2(questions.first().startsWith(QStringLiteral("tree.bmp already exists.")), qPrintable(questions.first()));
        // No: back in the dialog as it was, the file untouched.
        QVERIFY(dialog->isVisible());
        QCOMPARE(nameEdit->text(), pathOf(QStringLiteral("tree")));
        QCOMPARE(readAll(written), before);
        answerQuestion(QMessageBox::Yes);
        QTest::keyClick(nameEdit, Qt::Key_Return);
    });
    QVERIFY(saveDialog.execute());
    QCOMPARE(questions.size(), 2);
    QCOMPARE(saveDialog.writtenFileName(), written);

    answerNextModal([&](QWidget* dialog) {
        auto* nameEdit = childNamed<QLineEdit>(dialog, "fileNameEdit");
        nameEdit->setText(pathOf(QStringLiteral("plain")));
        answerQuestion(QMessageBox::No); // taken only if a wrong question comes
        QTest::keyClick(nameEdit, Qt::Key_Return);
    });
    QVERIFY(saveDialog.execute());
    QCOMPARE(questions.size(), 2);
    QCOMPARE(saveDialog.writtenFileName(), pathOf(QStringLiteral("plain.bmp")));
}

void SaveWidgetsTest::dialogListsFilesOfChosenEntry_data()
{
    QTest::addColumn<int>("filterIndex");
    QTest::addColumn<QStringList>("listed");

    QTest::newRow("All") << 0 << QStringList{"a.bmp", "b.ico", "c.emf", "d.wmf", "E.BMP", "sub"};
    QTest::newRow("Bitmaps") << 1 << QStringList{"a.bmp", "E.BMP", "sub"};
    QTest::newRow("Icons") << 2 << QStringList{"b.ico", "sub"};
    QTest::newRow("Enhanced Metafiles") << 3 << QStringList{"c.emf", "sub"};
    QTest::newRow("Metafiles") << 4 << QStringList{"d.wmf", "sub"};
}

void SaveWidgetsTest::dialogListsFilesOfChosenEntry()
{
    QFETCH(int, filterIndex);
    QFETCH(QStringList, listed);
    for (const char* name : {"a.bmp", "b.ico", "c.emf", "d.wmf", "E.BMP", "f.txt", "g.bmp.txt"})
        writeText(pathOf(QLatin1String(name)), "x");
    QVERIFY(QDir(dir_->path()).mkdir(QStringLiteral("sub")));

    QWidget owner;
    owner.show();
    SavePictureDialog saveDialog(&owner);
    answerNextModal([&](QWidget* modal) {
        auto* dialog = qobject_cast<QFileDialog*>(modal);
        dialog->setDirectory(dir_->path());
        auto* list = childNamed<QListView>(dialog, "listView");
        auto listedNames = [list] {
            QStringList names;
            const QModelIndex root = list->rootIndex();
            for (int row = 0; row < list->model()->rowCount(root); ++row)
                names << list->model()->index(row, 0, root).data().toString();
            names.sort(Qt::CaseInsensitive);
            return names;
        };
        // Typed first: changing the entry leaves the typed name as it is.
        auto* nameEdit = childNamed<QLineEdit>(dialog, "fileNameEdit");
        nameEdit->setText(QStringLiteral("tree.jpeg"));
        auto* combo = childNamed<QComboBox>(dialog, "fileTypeCombo");
        for (int i = 0; i < 4; ++i)
            QTest::keyClick(combo, Qt::Key_Down);
        for (int i = 4; i > filterIndex; --i)
            QTest::keyClick(combo, Qt::Key_Up);
        QCOMPARE(combo->currentIndex(), filterIndex);
        QTRY_COMPARE(listedNames(), listed);
        QCOMPARE(nameEdit->text(), QStringLiteral("tree.jpeg"));
        QTest::keyClick(nameEdit, Qt::Key_Return);
    });
    QVERIFY(saveDialog.execute());
    QCOMPARE(saveDialog.fileName(), pathOf(QStringLiteral("tree.jpeg")));
}

// ---------------------------------------------------------------------------------------------
// The preview

std::unique_ptr<PicturePreviewPanel> SaveWidgetsTest::shownPanel()
{
    auto panel = std::make_unique<PicturePreviewPanel>();
    panel->resize(200, 220);
    panel->show();
    if (!QTest::qWaitForWindowExposed(panel.get()))
        qWarning("preview panel not exposed");
    return panel;
}

void SaveWidgetsTest::previewPanelShowsFile_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("content");
    QTest::addColumn<QString>("caption");

    QTest::newRow("bmp") << "tree.bmp" << "bmp 20 10" << " (20x10)";
    QTest::newRow("BMP in capitals") << "TREE.BMP" << "bmp 7 31" << " (7x31)";
    QTest::newRow("tall bmp") << "tall.Bmp" << "bmp 30 120" << " (30x120)";
    QTest::newRow("ico") << "tree.ico" << "ico 16 16" << " (16x16)";
    QTest::newRow("bitmap content under another extension") << "tree.txt" << "bmp 20 10" << "Picture:";
    QTest::newRow("bitmap content, no extension") << "tree" << "bmp 20 10" << "Picture:";
    QTest::newRow("text named .bmp") << "notes.bmp" << "text" << "Picture:";
    QTest::newRow("empty .bmp") << "empty.bmp" << "empty" << "Picture:";
    QTest::newRow("png content named .bmp") << "png.bmp" << "png 20 10" << "Picture:";
    QTest::newRow("emf, which Qt cannot read") << "drawing.emf" << "text" << "Picture:";
    QTest::newRow("wmf, which Qt cannot read") << "drawing.WMF" << "text" << "Picture:";
    QTest::newRow("missing file") << "missing.bmp" << "none" << "Picture:";
    QTest::newRow("folder named .bmp") << "folder.bmp" << "folder" << "Picture:";
}

void SaveWidgetsTest::previewPanelShowsFile()
{
    QFETCH(QString, name);
    QFETCH(QString, content);
    QFETCH(QString, caption);
    const QString path = pathOf(name);
    const QStringList kind = content.split(QLatin1Char(' '));

    if (kind[0] == QLatin1String("bmp")) {
        writeBmp(path, kind[1].toInt(), kind[2].toInt());
        if (QTest::currentTestFailed())
            return;
    } else if (kind[0] == QLatin1String("ico") || kind[0] == QLatin1String("png")) {
        QImage image(kind[1].toInt(), kind[2].toInt(), QImage::Format_ARGB32);
        image.fill(Qt::white);
        QVERIFY(image.save(path, kind[0].toLatin1().constData()));
    } else if (kind[0] == QLatin1String("text")) {
        writeText(path, "not a picture\n");
    } else if (kind[0] == QLatin1String("empty")) {
        writeText(path, QByteArray());
    } else if (kind[0] == QLatin1String("folder")) {
        QVERIFY(QDir(dir_->path()).mkdir(name));
    }

    auto panel = shownPanel();
    panel->showFile(path);

    auto* captionLabel = childNamed<QLabel>(panel.get(), "previewCaption");
    auto* button = childNamed<QToolButton>(panel.get(), "previewButton");
    auto* area = childNamed<QLabel>(panel.get(), "previewPicture");
    QVERIFY(captionLabel && button && area);
    QCOMPARE(button->toolTip(), QStringLiteral("Preview"));
    QVERIFY(!button->icon().isNull() || !button->text().isEmpty());
    QCOMPARE(captionLabel->text(), caption);

    const bool shown = caption != QLatin1String("Picture:");
    QCOMPARE(button->isEnabled(), shown);
    if (!shown) {
        QCOMPARE(area->text(), QStringLiteral("(None)"));
        QVERIFY(area->pixmap().isNull());
        return;
    }
    // Scaled proportionally, up or down, until it meets two sides of the area.
    const QPixmap scaled = area->pixmap();
    const QSize room = area->contentsRect().size();
    QVERIFY(!scaled.isNull());
    QVERIFY(scaled.width() == room.width() || scaled.height() == room.height());
    QVERIFY(scaled.width() <= room.width() && scaled.height() <= room.height());
    const double pictureRatio = double(kind[1].toInt()) / kind[2].toInt();
    QVERIFY(qAbs(double(scaled.width()) / scaled.height() - pictureRatio) < 0.1 * pictureRatio);
    QCOMPARE(area->alignment(), Qt::AlignCenter);
}

void SaveWidgetsTest::previewPanelForgetsPreviousPicture()
{
    const QString bmp = pathOf(QStringLiteral("tree.bmp"));
    writeBmp(bmp, 20, 10);
    auto panel = shownPanel();
    auto* button = childNamed<QToolButton>(panel.get(), "previewButton");

    panel->showFile(bmp);
    QVERIFY(button->isEnabled());
    panel->showFile(pathOf(QStringLiteral("missing.bmp")));
    QCOMPARE(childNamed<QLabel>(panel.get(), "previewCaption")->text(), QStringLiteral("Picture:"));
    QCOMPARE(childNamed<QLabel>(panel.get(), "previewPicture")->text(), QStringLiteral("(None)"));
    QVERIFY(!button->isEnabled());
    // The disabled button opens nothing.
    QTest::mouseClick(button, Qt::LeftButton);
    auto* window = panel->findChild<PreviewWindow*>(QStringLiteral("previewWindow"));
    QVERIFY(!window || !window->isVisible());

    panel->showFile(QString());
    QVERIFY(!button->isEnabled());
}

void SaveWidgetsTest::previewPanelFollowsDialogSelection()
{
    writeBmp(pathOf(QStringLiteral("tree.bmp")), 20, 10);
    writeText(pathOf(QStringLiteral("notes.bmp")), "not a picture\n");

    QWidget owner;
    owner.show();
    SavePictureDialog saveDialog(&owner);
    QStringList captions;
    answerNextModal([&](QWidget* modal) {
        auto* dialog = qobject_cast<QFileDialog*>(modal);
        dialog->setDirectory(dir_->path());
        auto* list = childNamed<QListView>(dialog, "listView");
        QVERIFY(list);
        auto currentFile = [&](const QString& fileName) {
            QModelIndex found;
            const QModelIndex root = list->rootIndex();
            for (int row = 0; row < list->model()->rowCount(root); ++row) {
                const QModelIndex index = list->model()->index(row, 0, root);
                if (index.data().toString() == fileName)
                    found = index;
            }
            return found;
        };
        QTRY_VERIFY(currentFile(QStringLiteral("tree.bmp")).isValid());
        QTRY_VERIFY(currentFile(QStringLiteral("notes.bmp")).isValid());
        auto* caption = childNamed<QLabel>(dialog, "previewCaption");

        list->setCurrentIndex(currentFile(QStringLiteral("tree.bmp")));
        captions << caption->text();
        list->setCurrentIndex(currentFile(QStringLiteral("notes.bmp")));
        captions << caption->text();
        dialog->reject();
    });
    QVERIFY(!saveDialog.execute());
    QCOMPARE(captions, (QStringList{QStringLiteral(" (20x10)"), QStringLiteral("Picture:")}));
}

void SaveWidgetsTest::previewReadsALargePictureWithoutDecodingItWhole()
{
    // 10000 x 9000 pixels take more memory than Qt decodes a picture into. The file is black,
    // which a hole in a sparse file gives for free, but for a white band along the bottom.
    constexpr int Width = 10000;
    constexpr int Height = 9000;
    constexpr int WhiteRows = 450;
    constexpr qint64 RowBytes = qint64{Width} * 3; // needs no padding
    const QString path = pathOf(QStringLiteral("large.bmp"));
    {
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        const auto fileHeader = BmpFile::fileHeader(Width, Height);
        const auto infoHeader = BmpFile::infoHeader(Width, Height);
        file.write(reinterpret_cast<const char*>(fileHeader.data()), fileHeader.size());
        file.write(reinterpret_cast<const char*>(infoHeader.data()), infoHeader.size());
        const QByteArray whiteRow(RowBytes, char(0xFF));
        for (int row = 0; row < WhiteRows; ++row) // rows run bottom-up: the band comes first
            file.write(whiteRow);
        QVERIFY(file.resize(file.pos() + RowBytes * (Height - WhiteRows)));
    }

    auto panel = shownPanel();
    panel->showFile(path);
    QCOMPARE(childNamed<QLabel>(panel.get(), "previewCaption")->text(), QStringLiteral(" (10000x9000)"));
    const QImage shown = childNamed<QLabel>(panel.get(), "previewPicture")->pixmap().toImage();
    QVERIFY(!shown.isNull());
    QVERIFY(qAbs(double(shown.width()) / shown.height() - double(Width) / Height) < 0.05);
    QVERIFY(qGray(shown.pixel(shown.width() / 2, shown.height() - 1)) > 240);
    QVERIFY(qGray(shown.pixel(shown.width() / 2, shown.height() / 2)) < 15);
    QVERIFY(qGray(shown.pixel(shown.width() / 2, 0)) < 15);

    // The preview window reads its own thumbnail, at its own size.
    QTest::mouseClick(childNamed<QToolButton>(panel.get(), "previewButton"), Qt::LeftButton);
    auto* window = childNamed<PreviewWindow>(panel.get(), "previewWindow");
    QVERIFY(window->isVisible());
    QVERIFY(!window->picture().isNull());
    QVERIFY(window->picture().width() <= window->width() && window->picture().width() > shown.width());
}

void SaveWidgetsTest::previewShowsNothingOfAFileThatLies_data()
{
    QTest::addColumn<BmpClaim>("claim");
    QTest::addColumn<qint64>("pixelBytes"); // written after the headers (and the palette)
    QTest::addColumn<QString>("caption");

    constexpr qint64 Huge = std::numeric_limits<qint32>::max();
    const qint64 rows = 60 * 10; // 20 x 10 at 24 bits: rows of 60 bytes
    QTest::newRow("sound 20 x 10") << BmpClaim{} << rows << " (20x10)";
    QTest::newRow("sound, rows top-down") << BmpClaim{20, -10} << rows << " (20x10)";
    QTest::newRow("2^31 - 1 square in 54 bytes") << BmpClaim{Huge, Huge} << qint64{0} << "Picture:";
    QTest::newRow("2^31 - 1 square at 32 bits, near 2^64 bytes")
        << BmpClaim{Huge, Huge, 54, 40, 32} << qint64{0} << "Picture:";
    QTest::newRow("2^31 - 1 wide, the rows' product past 2^63") << BmpClaim{Huge, 1 << 30} << rows << "Picture:";
    QTest::newRow("negative width") << BmpClaim{-20, 10} << rows << "Picture:";
    QTest::newRow("zero width") << BmpClaim{0, 10} << rows << "Picture:";
    QTest::newRow("zero height") << BmpClaim{20, 0} << rows << "Picture:";
    QTest::newRow("most negative height") << BmpClaim{20, std::numeric_limits<qint32>::min()} << rows << "Picture:";
    QTest::newRow("rows one byte short") << BmpClaim{} << rows - 1 << "Picture:";
    QTest::newRow("pixels past the end") << BmpClaim{20, 10, 0xFFFFFFF0u} << rows << "Picture:";
    QTest::newRow("pixels inside the headers") << BmpClaim{20, 10, 20} << rows << "Picture:";
    QTest::newRow("info header that wraps 32 bits") << BmpClaim{20, 10, 54, 0xFFFFFFFFu} << rows << "Picture:";
    QTest::newRow("info header of no version") << BmpClaim{20, 10, 54, 30} << rows << "Picture:";
    QTest::newRow("unknown compression") << BmpClaim{20, 10, 54, 40, 24, 9} << rows << "Picture:";
    // 8 bits a pixel go to Qt's decoder, once the palette and rows are found in the file.
    QTest::newRow("sound 8 bits with palette") << BmpClaim{20, 10, 54 + 1024, 40, 8} << qint64{20 * 10} << " (20x10)";
    QTest::newRow("palette past the pixels") << BmpClaim{20, 10, 54 + 1000, 40, 8} << qint64{20 * 10} << "Picture:";
    QTest::newRow("more colours than 8 bits hold")
        << BmpClaim{20, 10, 54 + 4000, 40, 8, 0, 1000} << qint64{20 * 10} << "Picture:";
    QTest::newRow("8 bits, 2^31 - 1 square") << BmpClaim{Huge, Huge, 54 + 1024, 40, 8} << qint64{0} << "Picture:";
    // Compressed rows may be short; the decoder may still hold no more than its budget.
    QTest::newRow("run-length 8 bits, 30000 square in 2 bytes")
        << BmpClaim{30000, 30000, 54 + 1024, 40, 8, 1} << qint64{2} << "Picture:";
    QTest::newRow("run-length 8 bits, 5000 square in 2 bytes")
        << BmpClaim{5000, 5000, 54 + 1024, 40, 8, 1} << qint64{2} << "Picture:";
    // The oldest header: 12 bytes, then a palette of three bytes an entry, all 256 of them.
    QTest::newRow("12-byte header, 8 bits") << BmpClaim{20, 10, 26 + 256 * 3, CoreInfoSize, 8} << qint64{20 * 10}
                                            << " (20x10)";
    QTest::newRow("12-byte header, a palette entry short")
        << BmpClaim{20, 10, 26 + 255 * 3, CoreInfoSize, 8} << qint64{20 * 10} << "Picture:";
}

void SaveWidgetsTest::previewShowsNothingOfAFileThatLies()
{
    QFETCH(BmpClaim, claim);
    QFETCH(qint64, pixelBytes);
    QFETCH(QString, caption);
    const QString path = pathOf(QStringLiteral("crafted.bmp"));
    QByteArray content = bmpHeaders(claim);
    if (claim.infoSize == CoreInfoSize)
        content.append(QByteArray(claim.pixelOffset - content.size(), '\x7f')); // the palette, as long as claimed
    else if (claim.bitsPerPixel == 8)
        content.append(QByteArray(1024, '\x7f'));
    content.append(QByteArray(pixelBytes, '\xff'));
    writeText(path, content);

    auto panel = shownPanel();
    // No box may come up either: a file that lies is no failure of the program.
    QString unexpectedBox;
    answerNextModal([&](QWidget* modal) {
        unexpectedBox = modal->objectName();
        modal->close();
    });
    {
        const AddressSpaceLimit limit(PreviewHeadroom);
        panel->showFile(path);
    }
    QCOMPARE(childNamed<QLabel>(panel.get(), "previewCaption")->text(), caption);
    QCOMPARE(childNamed<QToolButton>(panel.get(), "previewButton")->isEnabled(), caption != "Picture:");
    QCOMPARE(unexpectedBox, QString());
    ModalAnswers::instance().dropPending();
}

void SaveWidgetsTest::previewOfRowsWiderThanItsBudgetReadsPartOfEach()
{
    // One row of 2^31 - 1 pixels: 6 GiB in a sparse file, white for its first 1000 pixels.
    constexpr qint64 Width = std::numeric_limits<qint32>::max();
    const QString path = pathOf(QStringLiteral("wide.bmp"));
    {
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(bmpHeaders(BmpClaim{Width, 1}));
        file.write(QByteArray(3000, '\xff'));
        QVERIFY(file.resize(54 + (Width * 24 + 31) / 32 * 4));
    }
    auto panel = shownPanel();
    {
        const AddressSpaceLimit limit(PreviewHeadroom);
        panel->showFile(path);
    }
    QCOMPARE(childNamed<QLabel>(panel.get(), "previewCaption")->text(), QStringLiteral(" (2147483647x1)"));
    QVERIFY(childNamed<QToolButton>(panel.get(), "previewButton")->isEnabled());
}

void SaveWidgetsTest::previewWindowSizeAndFit_data()
{
    QTest::addColumn<int>("width");
    QTest::addColumn<int>("height");

    QTest::newRow("small: its own size") << 20 << 10;
    QTest::newRow("wider than the screen") << 1600 << 100;
    QTest::newRow("taller than the screen") << 40 << 1500;
}

void SaveWidgetsTest::previewWindowSizeAndFit()
{
    QFETCH(int, width);
    QFETCH(int, height);
    const QString path = pathOf(QStringLiteral("picture.bmp"));
    writeBmp(path, width, height);
    if (QTest::currentTestFailed())
        return;

    auto panel = shownPanel();
    panel->showFile(path);
    QTest::mouseClick(childNamed<QToolButton>(panel.get(), "previewButton"), Qt::LeftButton);

    auto* window = childNamed<PreviewWindow>(panel.get(), "previewWindow");
    QVERIFY(window);
    QVERIFY(window->isVisible());
    QVERIFY(window->isWindow());
    QVERIFY(window->windowFlags().testFlag(Qt::Tool));
    QCOMPARE(window->windowTitle(), QStringLiteral("Preview"));
    QVERIFY(QTest::qWaitForWindowExposed(window));

    const QRect screen = window->screen()->geometry();
    const QSize expected = QSize(width + 10, height + 10).boundedTo(QSize(screen.width() * 3 / 4, screen.height() * 3 / 4));
    QCOMPARE(window->size(), expected);
    QVERIFY(qAbs(window->geometry().center().x() - screen.center().x()) <= 1);
    QVERIFY(qAbs(window->geometry().center().y() - screen.center().y()) <= 1);

    // The picture, fitted into the area inside the 5-pixel border and centred: its top half
    // black, its bottom half white; around it the window's own background.
    const QRect area = window->rect().adjusted(5, 5, -5, -5);
    const double scale = qMin(double(area.width()) / width, double(area.height()) / height);
    const QSize fitted(qRound(width * scale), qRound(height * scale));
    const QPoint centre = area.center();
    const QImage shot = window->grab().toImage();
    const QRgb background = shot.pixel(1, 1);
    QVERIFY(background != qRgb(0, 0, 0) && background != qRgb(255, 255, 255));
    QCOMPARE(shot.pixel(centre + QPoint(0, -fitted.height() / 4)), qRgb(0, 0, 0));
    QCOMPARE(shot.pixel(centre + QPoint(0, fitted.height() / 4)), qRgb(255, 255, 255));
    if (fitted.height() + 4 < area.height())
        QCOMPARE(shot.pixel(centre.x(), area.top() + 1), background);
    if (fitted.width() + 4 < area.width())
        QCOMPARE(shot.pixel(area.left() + 1, centre.y() + fitted.height() / 4), background);
    QCOMPARE(shot.pixel(area.right() + 3, centre.y()), background);

    QTest::keyClick(window, Qt::Key_Escape);
    QVERIFY(!window->isVisible());
}

void SaveWidgetsTest::previewWindowOpensByDoubleClickAndEscapeCloses()
{
    const QString path = pathOf(QStringLiteral("tree.bmp"));
    writeBmp(path, 20, 10);
    auto panel = shownPanel();
    auto* area = childNamed<QLabel>(panel.get(), "previewPicture");

    // Without a picture a double click opens nothing.
    QTest::mouseDClick(area, Qt::LeftButton);
    auto* window = panel->findChild<PreviewWindow*>(QStringLiteral("previewWindow"));
    QVERIFY(!window || !window->isVisible());

    panel->showFile(path);
    QTest::mouseDClick(area, Qt::LeftButton);
    window = childNamed<PreviewWindow>(panel.get(), "previewWindow");
    QVERIFY(window && window->isVisible());
    QCOMPARE(window->picture().size(), QSize(20, 10));

    QTest::keyClick(window, Qt::Key_Escape);
    QVERIFY(!window->isVisible());

    // Opened again, it is the same window, shown again.
    QTest::mouseClick(childNamed<QToolButton>(panel.get(), "previewButton"), Qt::LeftButton);
    QCOMPARE(childNamed<PreviewWindow>(panel.get(), "previewWindow"), window);
    QVERIFY(window->isVisible());
    // It goes with the panel.
    panel->hide();
    QVERIFY(!window->isVisible());
}

QTEST_MAIN(SaveWidgetsTest)
#include "tst_savewidgets.moc"
