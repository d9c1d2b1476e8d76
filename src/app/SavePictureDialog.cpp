#include "SavePictureDialog.h"

#include "PicturePreviewPanel.h"

#include <QApplication>
#include <QComboBox>
#include <QEvent>
#include <QFileDialog>
#include <QFileSystemModel>
#include <QGridLayout>
#include <QGuiApplication>
#include <QLineEdit>
#include <QScreen>

#include <algorithm>
#include <iterator>

namespace {
struct PictureFormat {
    const char* extension;
    const char* description;
};

// The picture formats the preview can show, in the order the filter lists them.
constexpr PictureFormat PictureFormats[] = {
    {"bmp", "Bitmaps"},
    {"ico", "Icons"},
    {"emf", "Enhanced Metafiles"},
    {"wmf", "Metafiles"},
};
constexpr int FormatCount = static_cast<int>(std::size(PictureFormats));

QString patternOf(const PictureFormat& format)
{
    return QStringLiteral("*.") + QLatin1String(format.extension);
}

QString filterEntry(const QString& description, const QString& pattern)
{
    return QStringLiteral("%1 (%2)").arg(description, pattern);
}
}

SavePictureDialog::SavePictureDialog(QObject* parent) : QObject(parent)
{
    createDialog();
}

SavePictureDialog::~SavePictureDialog()
{
    // The dialog may have been taken down already with the window it was shown over.
    delete dialog_.data();
}

QFileDialog* SavePictureDialog::dialog() const
{
    return dialog_.data();
}

QStringList SavePictureDialog::patternsOf(int index)
{
    if (index > 0 && index <= FormatCount)
        return {patternOf(PictureFormats[index - 1])};
    QStringList patterns;
    for (const PictureFormat& format : PictureFormats)
        patterns << patternOf(format);
    return patterns;
}

QStringList SavePictureDialog::nameFilters()
{
    QStringList entries{filterEntry(QStringLiteral("All"), patternsOf(0).join(QLatin1Char(';')))};
    for (const PictureFormat& format : PictureFormats)
        entries << filterEntry(QLatin1String(format.description), patternOf(format));
    return entries;
}

void SavePictureDialog::createDialog()
{
    dialog_ = new QFileDialog;
    dialog_->setObjectName(QStringLiteral("savePictureDialog"));
    dialog_->setOptions(QFileDialog::DontUseNativeDialog | QFileDialog::DontConfirmOverwrite);
    dialog_->setAcceptMode(QFileDialog::AcceptSave);
    dialog_->setFileMode(QFileDialog::AnyFile);
    dialog_->setDefaultSuffix(QString());
    dialog_->setNameFilters(nameFilters());
    dialog_->setSizeGripEnabled(true);
    dialog_->installEventFilter(this);
    takeOverFilterChoice();
    showFilesOf(0);
    addPreviewPanel();
}

void SavePictureDialog::addPreviewPanel()
{
    previewPanel_ = new PicturePreviewPanel(dialog_);
    if (auto* grid = qobject_cast<QGridLayout*>(dialog_->layout()))
        grid->addWidget(previewPanel_, 0, grid->columnCount(), grid->rowCount(), 1);
    connect(dialog_, &QFileDialog::currentChanged, previewPanel_, &PicturePreviewPanel::showFile);
}

// Qt reads the patterns of a filter entry as separated by blanks, so it would take the "All"
// entry's "*.bmp;*.ico;*.emf;*.wmf" for one pattern and list no file at all; in a save dialog
// it also rewrites the typed name's extension when the entry changes. The entry chosen here
// only decides which files are listed.
void SavePictureDialog::takeOverFilterChoice()
{
    auto* combo = dialog_->findChild<QComboBox*>(QStringLiteral("fileTypeCombo"));
    if (!combo)
        return;
    disconnect(combo, &QComboBox::activated, dialog_, nullptr);
    connect(combo, &QComboBox::activated, this, &SavePictureDialog::showFilesOf);
}

void SavePictureDialog::showFilesOf(int filterIndex)
{
    if (auto* model = dialog_->findChild<QFileSystemModel*>())
        model->setNameFilters(patternsOf(filterIndex));
}

bool SavePictureDialog::execute(QWidget* parent)
{
    if (!dialog_)
        createDialog();
    if (dialog_->parentWidget() != parent)
        dialog_->setParent(parent, dialog_->windowFlags());
    owner_ = parent;
    offerLastConfirmation();

    if (dialog_->exec() != QDialog::Accepted)
        return false;
    const QStringList chosen = dialog_->selectedFiles();
    if (chosen.isEmpty())
        return false;
    fileName_ = chosen.first();
    filterIndex_ = std::max(0, static_cast<int>(nameFilters().indexOf(dialog_->selectedNameFilter())));
    return true;
}

void SavePictureDialog::offerLastConfirmation()
{
    // The filter goes first: choosing a filter in a save dialog may rewrite the name's extension.
    dialog_->selectNameFilter(nameFilters().at(filterIndex_));
    showFilesOf(filterIndex_);
    if (!fileName_.isEmpty()) {
        dialog_->selectFile(fileName_);
    } else if (auto* nameEdit = dialog_->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"))) {
        // selectFile() ignores an empty name; clear whatever a cancelled opening left typed.
        nameEdit->clear();
    }
}

QPoint SavePictureDialog::placementFor(QSize size, const QRect& available)
{
    const int freeWidth = available.width() - size.width();
    const int freeHeight = available.height() - size.height();
    return available.topLeft() + QPoint(freeWidth / 2, freeHeight / 3);
}

bool SavePictureDialog::eventFilter(QObject* watched, QEvent* event)
{
    // Placed when shown, once the dialog has taken its final size.
    // Only a Show event is looked at: the dialog's other events may come while it is destroyed.
    if (event->type() == QEvent::Show && watched == dialog_)
        placeOnActiveScreen();
    return QObject::eventFilter(watched, event);
}

void SavePictureDialog::placeOnActiveScreen()
{
    QWidget* anchor = QApplication::activeWindow() ? QApplication::activeWindow() : owner_;
    QScreen* screen = anchor && anchor->screen() ? anchor->screen() : QGuiApplication::primaryScreen();
    if (!screen)
        return;
    dialog_->move(placementFor(dialog_->frameGeometry().size(), screen->availableGeometry()));
}
