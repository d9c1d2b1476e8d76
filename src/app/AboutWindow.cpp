#include "AboutWindow.h"

#include "FindDialog.h"
#include "NavyLabel.h"

#include <QHideEvent>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>
#include <QScrollBar>
#include <QStyle>
#include <QTextCursor>

#include <algorithm>
#include <cmath>

namespace {
// The window's designed place on the screen and its client size (outer 211 by 238).
constexpr QPoint DesignedPosition(380, 193);
constexpr QSize DesignedClientSize(203, 211);

const QRect HelpBoxRect(8, 8, 185, 89);
const QRect FindTextButtonRect(64, 104, 75, 25);
const QRect CreditLabelRect(32, 136, 145, 16);
const QRect DateLabelRect(64, 152, 69, 16);
const QRect CloseButtonRect(64, 176, 75, 25);
} // namespace

AboutWindow::AboutWindow(QWidget* parent)
    : SecondaryWindow(parent)
    , helpText_(HelpText::loadResource())
{
    setObjectName(QStringLiteral("aboutWindow"));
    setWindowTitle(tr("About"));
    setAutoFillBackground(true);
    setBackgroundRole(QPalette::Button);
    buildHelpBox();
    buildButtonsAndLabels();
    findDialog_ = new FindDialog(this);
    connect(findDialog_, &FindDialog::findNextRequested, this, &AboutWindow::findNext);

    setTabOrder(closeButton_, helpBox_);
    setTabOrder(helpBox_, findTextButton_);
    closeButton_->setFocus(Qt::OtherFocusReason);

    const int widening = widenHelpBoxToItsLines();
    // The designed margin below the Close button.
    const int bottomMargin = DesignedClientSize.height() - CloseButtonRect.bottom() - 1;
    const int clientHeight = closeButton_->geometry().bottom() + 1 + bottomMargin;
    resize(DesignedClientSize.width() + widening, std::max(DesignedClientSize.height(), clientHeight));
    move(DesignedPosition);
}

int AboutWindow::helpBoxWidthForLines() const
{
    const QFontMetricsF metrics(helpBox_->font());
    qreal longestLine = 0;
    for (const QString& line : helpText_.documentText().split(QLatin1Char('\n')))
        longestLine = std::max(longestLine, metrics.horizontalAdvance(line));
    // The document's margins and room for the caret at a line's end, then the frame and the
    // scroll bar around the text.
    const qreal text = longestLine + 2 * helpBox_->document()->documentMargin() + helpBox_->cursorWidth();
    const int scrollBar =
        helpBox_->style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, helpBox_->verticalScrollBar());
    return static_cast<int>(std::ceil(text)) + 1 + 2 * helpBox_->frameWidth() + scrollBar;
}

int AboutWindow::widenHelpBoxToItsLines()
{
    // The help text's lines are written to be read as lines: the box grows until the longest
    // fits, but to no more than half the screen; beyond that a large font wraps at the words.
    const QScreen* screen = this->screen();
    const int widest = screen ? std::max(HelpBoxRect.width(), screen->availableGeometry().width() / 2)
                              : HelpBoxRect.width();
    const int widening = std::clamp(helpBoxWidthForLines(), HelpBoxRect.width(), widest) - HelpBoxRect.width();
    if (widening == 0)
        return 0;
    helpBox_->resize(helpBox_->width() + widening, helpBox_->height());
    // The buttons and lines below stay centred under the box.
    for (QWidget* below : {static_cast<QWidget*>(findTextButton_), static_cast<QWidget*>(creditLabel_),
                           static_cast<QWidget*>(dateLabel_), static_cast<QWidget*>(closeButton_)})
        below->move(below->x() + widening / 2, below->y());
    return widening;
}

void AboutWindow::buildHelpBox()
{
    helpBox_ = new QPlainTextEdit(this);
    helpBox_->setObjectName(QStringLiteral("helpText"));
    helpBox_->setGeometry(HelpBoxRect);
    helpBox_->setReadOnly(true);
    // A caret the keyboard can move, so the user can put it where a search should start.
    helpBox_->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    helpBox_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    helpBox_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    helpBox_->setLineWrapMode(QPlainTextEdit::WidgetWidth);
    helpBox_->setWordWrapMode(QTextOption::WordWrap);
    helpBox_->setPlainText(helpText_.documentText());

    // The box draws its selection with the inactive colours whenever it lacks the focus:
    // making those the plain text colours shows the selection only while it has the focus.
    QPalette palette = helpBox_->palette();
    palette.setColor(QPalette::Inactive, QPalette::Highlight, palette.color(QPalette::Inactive, QPalette::Base));
    palette.setColor(QPalette::Inactive, QPalette::HighlightedText,
                     palette.color(QPalette::Inactive, QPalette::Text));
    helpBox_->setPalette(palette);
}

QLabel* AboutWindow::makeNavyLabel(const QString& objectName, const QString& text, const QRect& designed)
{
    auto* label = new NavyLabel(text, this);
    label->setObjectName(objectName);
    label->setAlignment(Qt::AlignCenter);
    QFont font = label->font();
    font.setPointSizeF(font.pointSizeF() * 10.0 / 8.0); // a size up from the window's text
    label->setFont(font);
    // Keep the designed box, widened about its centre when the desktop font needs more room.
    QRect rect = designed;
    const int needed = label->sizeHint().width();
    if (needed > rect.width())
        rect.adjust(-(needed - rect.width() + 1) / 2, 0, (needed - rect.width() + 1) / 2, 0);
    rect.setHeight(std::max(rect.height(), label->sizeHint().height()));
    label->setGeometry(rect);
    return label;
}

namespace {
// The designed rectangle moved down, if need be, so that it starts below the widget above.
QRect below(const QWidget* above, const QRect& designed, int gap)
{
    const int overlap = above->geometry().bottom() + 1 + gap - designed.top();
    return designed.translated(0, std::max(0, overlap));
}
} // namespace

void AboutWindow::buildButtonsAndLabels()
{
    findTextButton_ = new QPushButton(tr("Find Text"), this);
    findTextButton_->setObjectName(QStringLiteral("findTextButton"));
    findTextButton_->setGeometry(FindTextButtonRect);
    connect(findTextButton_, &QPushButton::clicked, this, &AboutWindow::openFindDialog);

    // A desktop font taller than the designed one pushes the lines below it down.
    creditLabel_ = makeNavyLabel(QStringLiteral("creditLabel"), tr("by the dla developers"), CreditLabelRect);
    dateLabel_ = makeNavyLabel(QStringLiteral("dateLabel"), QStringLiteral("08/12/2026"),
                               below(creditLabel_, DateLabelRect, 0));

    closeButton_ = new QPushButton(style()->standardIcon(QStyle::SP_DialogCloseButton), tr("&Close"), this);
    closeButton_->setObjectName(QStringLiteral("closeButton"));
    closeButton_->setGeometry(below(dateLabel_, CloseButtonRect, CloseButtonRect.top() - DateLabelRect.bottom() - 1));
    connect(closeButton_, &QPushButton::clicked, this, &AboutWindow::close);

    // Enter presses the button that has the focus, as it does in every dialog; Qt grants that
    // only to buttons on a dialog, and this window is not one.
    for (QPushButton* button : {findTextButton_, closeButton_})
        button->setAutoDefault(true);
}

int AboutWindow::selectionStart() const
{
    return helpText_.fromDocument(helpBox_->textCursor().selectionStart());
}

int AboutWindow::selectionLength() const
{
    const QTextCursor cursor = helpBox_->textCursor();
    return helpText_.fromDocument(cursor.selectionEnd()) - helpText_.fromDocument(cursor.selectionStart());
}

void AboutWindow::setSelection(int start, int length)
{
    QTextCursor cursor = helpBox_->textCursor();
    cursor.setPosition(helpText_.toDocument(start));
    cursor.setPosition(helpText_.toDocument(start + length), QTextCursor::KeepAnchor);
    helpBox_->setTextCursor(cursor);
    helpBox_->ensureCursorVisible();
}

void AboutWindow::openFindDialog()
{
    // Beside the help box: its top-right corner, on the screen.
    const QPoint besideHelpBox(helpBox_->x() + helpBox_->width(), helpBox_->y());
    findDialog_->openAt(mapToGlobal(besideHelpBox));
}

int AboutWindow::searchStart(bool forward) const
{
    // With nothing selected both directions start at the caret.
    return forward ? selectionStart() + selectionLength() : selectionStart();
}

void AboutWindow::findNext()
{
    const QString what = findDialog_->findWhat();
    const HelpText::SearchOptions options = findDialog_->searchOptions();
    const int start = searchStart(options.forward);
    const int found = options.forward ? helpText_.find(what, start, textLength() - start, options)
                                      : helpText_.find(what, 0, start, options);
    if (found >= 0) {
        activateWindow();
        helpBox_->setFocus(Qt::OtherFocusReason);
        setSelection(found, static_cast<int>(what.size()));
    }
    findDialog_->close();
}

void AboutWindow::hideEvent(QHideEvent* event)
{
    // A minimised window is not hidden; a hidden one takes its Find dialog with it, so no
    // search can try to focus a window the user cannot see.
    if (isHidden())
        findDialog_->close();
    QWidget::hideEvent(event);
}
