#pragma once

#include <QObject>
#include <QPointer>
#include <QString>
#include <QStringList>

class QFileDialog;
class QWidget;
class PicturePreviewPanel;

/// The main window's save-picture dialog: a save-file dialog with a picture preview panel.
/// It lives as long as the main window and remembers, from one opening to the next, the file
/// name and the filter entry of the last confirmation.
class SavePictureDialog : public QObject {
    Q_OBJECT

public:
    explicit SavePictureDialog(QObject* parent = nullptr);
    ~SavePictureDialog() override;

    /// The five filter entries: "All" with the four patterns joined, then one per format.
    static QStringList nameFilters();

    /// Runs the dialog modally over `parent`, offering the last confirmed name and filter entry.
    /// True when the user confirmed a name; then fileName() holds it. A cancel changes nothing.
    bool execute(QWidget* parent);

    /// The last confirmed name exactly as the dialog gave it (a full path, no ".bmp" added);
    /// empty until the first confirmation.
    QString fileName() const { return fileName_; }
    /// The filter entry (0-based) of the last confirmation; 0 until the first.
    int filterIndex() const { return filterIndex_; }

    /// The file dialog itself, for the code and tests that look at it while it runs.
    QFileDialog* dialog() const;

    /// Where a window of `size` goes on a screen area `available`: centred horizontally, with
    /// one third of the free height above it and two thirds below.
    static QPoint placementFor(QSize size, const QRect& available);

    /// The file patterns of filter entry `index` (0-based): entry 0 has all four.
    static QStringList patternsOf(int index);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void createDialog();
    void addPreviewPanel();
    void takeOverFilterChoice();
    void showFilesOf(int filterIndex);
    void offerLastConfirmation();
    void placeOnActiveScreen();

    QPointer<QFileDialog> dialog_;
    PicturePreviewPanel* previewPanel_ = nullptr;
    QWidget* owner_ = nullptr;
    QString fileName_;
    int filterIndex_ = 0;
};
