#pragma once

#include "HelpText.h"

#include <QDialog>

class QCheckBox;
class QLineEdit;
class QPushButton;
class QRadioButton;

/// The modeless Find dialog of the About window: find-what text (at most 255 characters),
/// Match whole word only, Match case, direction Up or Down, Find Next and Cancel.
///
/// The object lives as long as its window, so the text and the options the user chose survive
/// closing: the dialog reopens as it was left. Tab moves between its controls, Enter is
/// Find Next and Escape is Cancel.
class FindDialog : public QDialog {
    Q_OBJECT

public:
    static constexpr int MaxFindWhatLength = 255;

    explicit FindDialog(QWidget* parent = nullptr);

    /// Opens the dialog with its top-left corner at a screen point. When it is already open it
    /// is only brought to the front, where it stands.
    void openAt(const QPoint& screenPoint);

    QString findWhat() const;
    /// Match case, whole word and direction as the dialog shows them now.
    HelpText::SearchOptions searchOptions() const;

signals:
    /// The user asked for the next match (Find Next or Enter).
    void findNextRequested();

private:
    void buildControls();
    void updateFindNextButton();

    QLineEdit* findWhatEdit_ = nullptr;
    QCheckBox* wholeWordCheck_ = nullptr;
    QCheckBox* matchCaseCheck_ = nullptr;
    QRadioButton* upRadio_ = nullptr;
    QRadioButton* downRadio_ = nullptr;
    QPushButton* findNextButton_ = nullptr;
    QPushButton* cancelButton_ = nullptr;
};
