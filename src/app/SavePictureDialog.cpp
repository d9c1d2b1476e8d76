#include "SavePictureDialog.h"

#include "files/BmpFile.h"
#include "PicturePreviewPanel.h"
#include "PictureFormats.h"

#include <QApplication>
#include <QComboBox>
#include <QFileInfo>
#include <QFileSystemModel>
#include <QGridLayout>
#include <QGuiApplication>
#include <QLineEdit>
#include <QMessageBox>
#include <QScreen>

#include <algorithm>

namespace {
// Where a window of `size` goes on a screen area: centred horizontally, with one third of the
// free height above it and two thirds below.
QPoint placementFor(QSize size, const QRect& available)
{
    const int freeWidth = available.width() - size.width();
    const int freeHeight = available.height() - size.height();
    return available.topLeft() + QPoint(freeWidth / 2, freeHeight / 3);
}

QString writtenNameFor(const QString& name)
{
    return QString::fromStdString(BmpFile::fileNameFor(name.toStdString()));
}
} // namespace

SavePictureDialog::SavePictureDialog(QWidget* parent) : QFileDialog(parent)
{
    setObjectName(QStringLiteral("savePictureDialog"));
    // The question before replacing a file is asked here, about the name really written.
    setOptions(QFileDialog::DontUseNativeDialog | QFileDialog::DontConfirmOverwrite);
    setAcceptMode(QFileDialog::AcceptSave);
    setFileMode(QFileDialog::AnyFile);
    setDefaultSuffix(QString());
    setNameFilters(PictureFormats::nameFilters());
    setSizeGripEnabled(true);
    takeOverFilterChoice();
    showFilesOf(0);
    addPreviewPanel();
}

QString SavePictureDialog::writtenFileName() const
{
    return writtenNameFor(fileName_);
}

void SavePictureDialog::addPreviewPanel()
{
    previewPanel_ = new PicturePreviewPanel(this);
    connect(this, &QFileDialog::currentChanged, previewPanel_, &PicturePreviewPanel::showFile);
    auto* grid = qobject_cast<QGridLayout*>(layout());
    if (!grid) {
        qWarning("save dialog: Qt's file dialog has no grid layout; the picture preview is left out");
        previewPanel_->hide();
        return;
    }
    grid->addWidget(previewPanel_, 0, grid->columnCount(), grid->rowCount(), 1);
}

// Qt reads the patterns of a filter entry as separated by blanks, so it would take the "All"
// entry's "*.bmp;*.ico;*.emf;*.wmf" for one pattern and list no file at all; in a save dialog
// it also rewrites the typed name's extension when the entry changes. The entry chosen here
// only decides which files are listed.
void SavePictureDialog::takeOverFilterChoice()
{
    auto* combo = findChild<QComboBox*>(QStringLiteral("fileTypeCombo"));
    if (!combo) {
        qWarning("save dialog: Qt's file dialog has no file-type box; its own filter handling stays");
        return;
    }
    disconnect(combo, &QComboBox::activated, this, nullptr);
    connect(combo, &QComboBox::activated, this, &SavePictureDialog::showFilesOf);
}

void SavePictureDialog::showFilesOf(int filterIndex)
{
    auto* model = findChild<QFileSystemModel*>();
    if (!model) {
        qWarning("save dialog: Qt's file dialog has no file model; the file list is not filtered");
        return;
    }
    model->setNameFilters(PictureFormats::patternsOf(filterIndex));
}

bool SavePictureDialog::execute()
{
    offerLastConfirmation();
    if (exec() != QDialog::Accepted)
        return false;
    // A confirmation always carries a name: accept() goes no further without one.
    fileName_ = selectedFiles().constFirst();
    filterIndex_ = std::max(0, static_cast<int>(PictureFormats::nameFilters().indexOf(selectedNameFilter())));
    return true;
}

void SavePictureDialog::offerLastConfirmation()
{
    // The filter goes first: choosing a filter in a save dialog may rewrite the name's extension.
    selectNameFilter(PictureFormats::nameFilters().at(filterIndex_));
    showFilesOf(filterIndex_);
    if (!fileName_.isEmpty()) {
        selectFile(fileName_);
        return;
    }
    // selectFile() ignores an empty name; clear whatever a cancelled opening left typed.
    if (auto* nameEdit = findChild<QLineEdit*>(QStringLiteral("fileNameEdit")))
        nameEdit->clear();
    else
        qWarning("save dialog: Qt's file dialog has no name box; a cancelled name may be offered again");
}

void SavePictureDialog::accept()
{
    const QStringList chosen = selectedFiles();
    // A folder's name opens the folder, which is Qt's to do.
    if (!chosen.isEmpty() && !QFileInfo(chosen.constFirst()).isDir()) {
        const QString written = writtenNameFor(chosen.constFirst());
        const QFileInfo target(written);
        if (target.exists() && !target.isDir() && !replacingConfirmed(written))
            return;
    }
    QFileDialog::accept();
}

bool SavePictureDialog::replacingConfirmed(const QString& writtenName)
{
    // Qt's own question, in Qt's own words, so it reads as every file dialog's.
    const QString question = QFileDialog::tr("%1 already exists.\nDo you want to replace it?")
                                 .arg(QFileInfo(writtenName).fileName());
    return QMessageBox::warning(this, windowTitle(), question, QMessageBox::Yes | QMessageBox::No,
                                QMessageBox::No) == QMessageBox::Yes;
}

void SavePictureDialog::showEvent(QShowEvent* event)
{
    QFileDialog::showEvent(event);
    // Placed when shown, once the dialog has taken its final size.
    placeOnActiveScreen();
}

void SavePictureDialog::placeOnActiveScreen()
{
    QWidget* anchor = QApplication::activeWindow() ? QApplication::activeWindow() : parentWidget();
    QScreen* screen = anchor && anchor->screen() ? anchor->screen() : QGuiApplication::primaryScreen();
    if (!screen)
        return;
    move(placementFor(frameGeometry().size(), screen->availableGeometry()));
}
