#include "FindDialog.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>

FindDialog::FindDialog(QWidget* parent)
    : QDialog(parent)
{
    setObjectName(QStringLiteral("findDialog"));
    setWindowTitle(tr("Find"));
    setModal(false);
    buildControls();
}

void FindDialog::buildControls()
{
    auto* findWhatLabel = new QLabel(tr("Fi&nd what:"), this);
    findWhatEdit_ = new QLineEdit(this);
    findWhatEdit_->setObjectName(QStringLiteral("findWhatEdit"));
    findWhatEdit_->setMaxLength(MaxFindWhatLength);
    findWhatLabel->setBuddy(findWhatEdit_);

    wholeWordCheck_ = new QCheckBox(tr("Match &whole word only"), this);
    wholeWordCheck_->setObjectName(QStringLiteral("wholeWordCheck"));
    matchCaseCheck_ = new QCheckBox(tr("Match &case"), this);
    matchCaseCheck_->setObjectName(QStringLiteral("matchCaseCheck"));
    // Case-sensitive unless the user says otherwise: searches have always been.
    matchCaseCheck_->setChecked(true);

    auto* directionBox = new QGroupBox(tr("Direction"), this);
    upRadio_ = new QRadioButton(tr("&Up"), directionBox);
    upRadio_->setObjectName(QStringLiteral("upRadio"));
    downRadio_ = new QRadioButton(tr("&Down"), directionBox);
    downRadio_->setObjectName(QStringLiteral("downRadio"));
    downRadio_->setChecked(true);
    auto* directionLayout = new QHBoxLayout(directionBox);
    directionLayout->addWidget(upRadio_);
    directionLayout->addWidget(downRadio_);

    findNextButton_ = new QPushButton(tr("&Find Next"), this);
    findNextButton_->setObjectName(QStringLiteral("findNextButton"));
    findNextButton_->setDefault(true);
    cancelButton_ = new QPushButton(tr("Cancel"), this);
    cancelButton_->setObjectName(QStringLiteral("cancelButton"));

    auto* grid = new QGridLayout(this);
    grid->addWidget(findWhatLabel, 0, 0);
    grid->addWidget(findWhatEdit_, 0, 1, 1, 2);
    grid->addWidget(findNextButton_, 0, 3);
    grid->addWidget(wholeWordCheck_, 1, 0, 1, 2);
    grid->addWidget(directionBox, 1, 2, 2, 1);
    grid->addWidget(cancelButton_, 1, 3);
    grid->addWidget(matchCaseCheck_, 2, 0, 1, 2);
    grid->setSizeConstraint(QLayout::SetFixedSize);

    setTabOrder(findWhatEdit_, wholeWordCheck_);
    setTabOrder(wholeWordCheck_, matchCaseCheck_);
    setTabOrder(matchCaseCheck_, upRadio_);
    setTabOrder(upRadio_, downRadio_);
    setTabOrder(downRadio_, findNextButton_);
    setTabOrder(findNextButton_, cancelButton_);

    connect(findWhatEdit_, &QLineEdit::textChanged, this, &FindDialog::updateFindNextButton);
    connect(findNextButton_, &QPushButton::clicked, this, &FindDialog::findNextRequested);
    connect(cancelButton_, &QPushButton::clicked, this, &FindDialog::reject);
    updateFindNextButton();
}

void FindDialog::updateFindNextButton()
{
    // Nothing to look for: Find Next (and so Enter) waits for some text.
    findNextButton_->setEnabled(!findWhatEdit_->text().isEmpty());
}

void FindDialog::openAt(const QPoint& screenPoint)
{
    if (!isVisible()) {
        move(screenPoint);
        findWhatEdit_->selectAll();
        findWhatEdit_->setFocus(Qt::OtherFocusReason);
        show();
    }
    raise();
    activateWindow();
}

QString FindDialog::findWhat() const
{
    return findWhatEdit_->text();
}

HelpText::SearchOptions FindDialog::searchOptions() const
{
    HelpText::SearchOptions options;
    options.matchCase = matchCaseCheck_->isChecked();
    options.wholeWord = wholeWordCheck_->isChecked();
    options.forward = !upRadio_->isChecked();
    return options;
}
