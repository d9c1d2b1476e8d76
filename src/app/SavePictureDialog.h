#pragma once

#include <QFileDialog>
#include <QString>

class PicturePreviewPanel;

/// The main window's save-picture dialog: Qt's own save-file dialog (the same on every
/// desktop) with a picture preview panel beside its controls. Created once, with the main
/// window as its parent; it remembers from one opening to the next the file name and the
/// filter entry of the last confirmation.
///
/// Before a confirmation replaces an existing file it asks the standard question about the
/// file that will really be written: the name after the file-name rule.
class SavePictureDialog : public QFileDialog {
    Q_OBJECT

public:
    explicit SavePictureDialog(QWidget* parent = nullptr);

    /// Runs the dialog modally, offering the last confirmed name and filter entry. True when
    /// the user confirmed a name; then fileName() holds it. A cancel changes nothing.
    bool execute();

    /// The last confirmed name exactly as the dialog gave it (a full path, no ".bmp" added);
    /// empty until the first confirmation.
    QString fileName() const { return fileName_; }
    /// The file a save of the last confirmed name writes: fileName() after the file-name rule
    /// (unchanged when its fourth character from the end is a full stop, else ".bmp" appended).
    QString writtenFileName() const;

public slots:
    /// Confirms the name unless it would replace an existing file and the user says No to the
    /// question; then the dialog stays open as it was.
    void accept() override;

protected:
    void showEvent(QShowEvent* event) override;

private:
    void addPreviewPanel();
    void takeOverFilterChoice();
    void showFilesOf(int filterIndex);
    void offerLastConfirmation();
    bool replacingConfirmed(const QString& writtenName);
    void placeOnActiveScreen();

    PicturePreviewPanel* previewPanel_ = nullptr;
    QString fileName_;
    int filterIndex_ = 0;
};
