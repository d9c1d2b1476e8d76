#pragma once

#include "HelpText.h"

#include "SecondaryWindow.h"

class FindDialog;
class QLabel;
class QPlainTextEdit;
class QPushButton;

/// The About window: the read-only help text, a Find Text button with its modeless Find
/// dialog, the credit and date lines and a Close button.
///
/// It is created hidden and lives as long as the program; closing it only hides it, keeping
/// the help box's selection and the Find dialog's text. Positions on this class (selection,
/// length, searches) count every line break as two, as HelpText does.
class AboutWindow : public SecondaryWindow {
    Q_OBJECT

public:
    explicit AboutWindow(QWidget* parent = nullptr);

    /// The whole help text's length.
    int textLength() const { return helpText_.length(); }
    /// Where the help box's selection starts (the caret when nothing is selected).
    int selectionStart() const;
    int selectionLength() const;
    /// Selects length positions from start, the caret at the end, and scrolls it into view.
    void setSelection(int start, int length);

    FindDialog* findDialog() const { return findDialog_; }

public slots:
    /// Find Text: opens the Find dialog beside the help box, or brings it to the front.
    void openFindDialog();
    /// Find Next: searches from the caret or beside the selection in the dialog's direction;
    /// a match is selected with the focus on the help box. Either way the dialog closes.
    void findNext();

protected:
    void hideEvent(QHideEvent* event) override;

private:
    void buildHelpBox();
    void buildButtonsAndLabels();
    /// The help box's width at which its longest line fits without wrapping.
    int helpBoxWidthForLines() const;
    /// Widens the help box to its lines and keeps the controls below centred; the widening.
    int widenHelpBoxToItsLines();
    QLabel* makeNavyLabel(const QString& objectName, const QString& text, const QRect& designed);
    int searchStart(bool forward) const;

    HelpText helpText_;
    QPlainTextEdit* helpBox_ = nullptr;
    QPushButton* findTextButton_ = nullptr;
    QLabel* creditLabel_ = nullptr;
    QLabel* dateLabel_ = nullptr;
    QPushButton* closeButton_ = nullptr;
    FindDialog* findDialog_ = nullptr;
};
