#include "SpinEdit.h"

#include <QApplication>
#include <QFocusEvent>
#include <QKeyEvent>
#include <QLineEdit>
#include <QLocale>
#include <QMouseEvent>
#include <QStyle>
#include <QToolButton>

#include <algorithm>
#include <iterator>
#include <limits>

namespace {

// The system border height that the minimum-height rule counts four times.
constexpr int BorderHeight = 1;
// The text stops this far left of the arrow column.
constexpr int TextGapBeforeButtons = 2;

int hexDigit(QChar c)
{
    if (c >= u'0' && c <= u'9')
        return c.unicode() - u'0';
    if (c >= u'a' && c <= u'f')
        return c.unicode() - u'a' + 10;
    if (c >= u'A' && c <= u'F')
        return c.unicode() - u'A' + 10;
    return -1;
}

// Hexadecimal digits taken as a 32-bit pattern: "FFFFFFFF" is -1; more than 32 bits is no number.
std::optional<std::int32_t> parseHexDigits(QStringView digits)
{
    if (digits.isEmpty())
        return std::nullopt;
    std::uint64_t pattern = 0;
    for (QChar c : digits) {
        const int digit = hexDigit(c);
        if (digit < 0)
            return std::nullopt;
        pattern = pattern * 16 + static_cast<std::uint64_t>(digit);
        if (pattern > std::numeric_limits<std::uint32_t>::max())
            return std::nullopt;
    }
    return static_cast<std::int32_t>(static_cast<std::uint32_t>(pattern));
}

std::optional<std::int32_t> parseDecimal(QStringView text)
{
    bool negative = false;
    if (!text.isEmpty() && (text.front() == u'+' || text.front() == u'-')) {
        negative = text.front() == u'-';
        text = text.mid(1);
    }
    if (text.isEmpty())
        return std::nullopt;
    // One more than the largest magnitude keeps the loop from overflowing.
    constexpr std::int64_t limit = std::int64_t{1} << 31;
    std::int64_t magnitude = 0;
    for (QChar c : text) {
        if (c < u'0' || c > u'9')
            return std::nullopt;
        magnitude = magnitude * 10 + (c.unicode() - u'0');
        if (magnitude > limit)
            return std::nullopt;
    }
    const std::int64_t number = negative ? -magnitude : magnitude;
    if (number > std::numeric_limits<std::int32_t>::max())
        return std::nullopt;
    return static_cast<std::int32_t>(number);
}

bool hasHexPrefix(QStringView text, qsizetype& prefixLength)
{
    if (text.startsWith(u'$') || text.startsWith(u'x') || text.startsWith(u'X')) {
        prefixLength = 1;
        return true;
    }
    if (text.startsWith(u"0x") || text.startsWith(u"0X")) {
        prefixLength = 2;
        return true;
    }
    return false;
}

} // namespace

SpinEdit::SpinEdit(QWidget* parent)
    : QWidget(parent)
    , lineEdit_(new QLineEdit(this))
    , upButton_(new QToolButton(this))
    , downButton_(new QToolButton(this))
    , beeper_([] { QApplication::beep(); })
{
    lineEdit_->setObjectName(QStringLiteral("spinText"));
    lineEdit_->setTextMargins(0, 0, ButtonColumnWidth + TextGapBeforeButtons, 0);
    lineEdit_->installEventFilter(this);
    // The text takes the focus itself. The frame around it takes none, so a press on an arrow
    // button (whatever the mouse button) never gives the field the focus as a click into its
    // text would; a left press moves it there explicitly. A focus proxy would not do: Qt gives
    // a proxy click focus only when the frame itself accepts click focus.
    setFocusPolicy(Qt::NoFocus);

    const auto prepareArrowButton = [this](QToolButton* button, Qt::ArrowType arrow, const char* name) {
        button->setObjectName(QLatin1String(name));
        button->setArrowType(arrow);
        button->setFocusPolicy(Qt::NoFocus);
        button->installEventFilter(this);
        button->raise();
    };
    prepareArrowButton(upButton_, Qt::UpArrow, "upButton");
    prepareArrowButton(downButton_, Qt::DownArrow, "downButton");

    connect(&repeatTimer_, &QTimer::timeout, this, &SpinEdit::onRepeatTick);
    setMinimumHeight(minimumFieldHeight());
    resize(sizeHint());
}

std::optional<std::int32_t> SpinEdit::parse(const QString& text)
{
    QStringView rest(text);
    while (!rest.isEmpty() && rest.front() == u' ')
        rest = rest.mid(1);
    qsizetype prefixLength = 0;
    if (hasHexPrefix(rest, prefixLength))
        return parseHexDigits(rest.mid(prefixLength));
    return parseDecimal(rest);
}

std::int32_t SpinEdit::value() const
{
    return parse(lineEdit_->text()).value_or(lowerBound_);
}

void SpinEdit::setValue(std::int32_t value)
{
    writeNumber(bounded(value));
}

std::int32_t SpinEdit::bounded(std::int64_t v) const
{
    if (lowerBound_ != upperBound_) {
        if (v < lowerBound_)
            return lowerBound_;
        if (v > upperBound_)
            return upperBound_;
    }
    // Without bounds a step can still leave the 32-bit range; it stops at its ends.
    return static_cast<std::int32_t>(std::clamp<std::int64_t>(
        v, std::numeric_limits<std::int32_t>::min(), std::numeric_limits<std::int32_t>::max()));
}

QString SpinEdit::text() const
{
    return lineEdit_->text();
}

void SpinEdit::setText(const QString& text)
{
    lineEdit_->setText(text);
}

void SpinEdit::stepUp()
{
    stepBy(increment_);
}

void SpinEdit::stepDown()
{
    stepBy(-std::int64_t{increment_});
}

void SpinEdit::applyBounds()
{
    const std::int32_t current = value();
    if (bounded(current) != current)
        setValue(current);
}

void SpinEdit::setBeeper(std::function<void()> beeper)
{
    beeper_ = std::move(beeper);
}

QSize SpinEdit::sizeHint() const
{
    return {lineEdit_->sizeHint().width(), minimumFieldHeight()};
}

QSize SpinEdit::minimumSizeHint() const
{
    return {ButtonColumnWidth + 2 * TextGapBeforeButtons, minimumFieldHeight()};
}

bool SpinEdit::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == lineEdit_)
        return filterLineEditEvent(event);
    if (watched == upButton_ || watched == downButton_)
        filterButtonEvent(static_cast<QToolButton*>(watched), event);
    // The buttons still see every event, so they draw themselves pressed and released.
    return QWidget::eventFilter(watched, event);
}

void SpinEdit::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    lineEdit_->setGeometry(rect());
    layoutButtons();
}

void SpinEdit::changeEvent(QEvent* event)
{
    QWidget::changeEvent(event);
    if (event->type() == QEvent::FontChange || event->type() == QEvent::StyleChange) {
        setMinimumHeight(minimumFieldHeight());
        updateGeometry();
        layoutButtons();
    }
}

void SpinEdit::focusInEvent(QFocusEvent* event)
{
    // setFocus() on the frame lands in the text.
    lineEdit_->setFocus(event->reason());
}

void SpinEdit::hideEvent(QHideEvent* event)
{
    // A hidden field gets no release, so a held button must not go on stepping.
    stopRepeat();
    QWidget::hideEvent(event);
}

bool SpinEdit::filterLineEditEvent(QEvent* event)
{
    switch (event->type()) {
    case QEvent::KeyPress:
        return filterKeyPress(static_cast<QKeyEvent*>(event));
    case QEvent::FocusIn: {
        const Qt::FocusReason reason = static_cast<QFocusEvent*>(event)->reason();
        // A click into the text places the cursor; returning from the context menu is no new
        // arrival. Every other arrival selects the whole text.
        if (reason != Qt::MouseFocusReason && reason != Qt::PopupFocusReason)
            lineEdit_->selectAll();
        return false;
    }
    case QEvent::FocusOut: {
        const Qt::FocusReason reason = static_cast<QFocusEvent*>(event)->reason();
        // Another window becoming active, or a popup, does not leave the field.
        if (reason != Qt::ActiveWindowFocusReason && reason != Qt::PopupFocusReason)
            applyBounds();
        return false;
    }
    default:
        return false;
    }
}

bool SpinEdit::filterKeyPress(QKeyEvent* event)
{
    // A key held with Alt or Meta is an accelerator for the window, never a typed character;
    // left to itself the line edit would type Alt+Q as "q".
    if (event->modifiers() & (Qt::AltModifier | Qt::MetaModifier)) {
        event->ignore();
        return true;
    }
    if (event->key() == Qt::Key_Up) {
        stepUp();
        return true;
    }
    if (event->key() == Qt::Key_Down) {
        stepDown();
        return true;
    }
    if (isEditingCommand(event))
        return false;
    // Every other key is judged by what it would type.
    const QString typed = event->text();
    const bool allAccepted =
        std::all_of(typed.begin(), typed.end(), [this](QChar c) { return isAcceptedCharacter(c); });
    if (allAccepted)
        return false;
    refuse();
    return true;
}

bool SpinEdit::isEditingCommand(const QKeyEvent* event)
{
    // Their key events may carry the letter as text (Ctrl+V as "v"), which the character
    // rules would refuse.
    static constexpr QKeySequence::StandardKey Commands[] = {
        QKeySequence::Copy, QKeySequence::Cut,  QKeySequence::Paste,
        QKeySequence::SelectAll, QKeySequence::Undo, QKeySequence::Redo,
    };
    return std::any_of(std::begin(Commands), std::end(Commands),
                       [event](QKeySequence::StandardKey command) { return event->matches(command); });
}

bool SpinEdit::isAcceptedCharacter(QChar c) const
{
    if (c == u'\r' || c == u'\n')
        return false;
    if (c.category() == QChar::Other_Control)
        return true;
    if ((c >= u'0' && c <= u'9') || c == u'+' || c == u'-')
        return true;
    const QString separator = QLocale().decimalPoint();
    return separator.size() == 1 && c == separator.front();
}

void SpinEdit::filterButtonEvent(QToolButton* button, QEvent* event)
{
    switch (event->type()) {
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonDblClick: // the second press of a quick double click
        if (static_cast<QMouseEvent*>(event)->button() != Qt::LeftButton)
            return;
        lineEdit_->setFocus(Qt::OtherFocusReason);
        heldButton_ = button;
        pointerOverHeldButton_ = true;
        repeatTimer_.start(FirstRepeatDelayMs);
        return;
    case QEvent::MouseMove:
        if (button == heldButton_) {
            const QPoint at = static_cast<QMouseEvent*>(event)->position().toPoint();
            pointerOverHeldButton_ = button->rect().contains(at);
        }
        return;
    case QEvent::MouseButtonRelease: {
        const auto* mouse = static_cast<QMouseEvent*>(event);
        if (mouse->button() != Qt::LeftButton || button != heldButton_)
            return;
        stopRepeat();
        if (button->rect().contains(mouse->position().toPoint()))
            stepFrom(button);
        return;
    }
    default:
        return;
    }
}

void SpinEdit::onRepeatTick()
{
    if (repeatTimer_.interval() != RepeatPeriodMs)
        repeatTimer_.setInterval(RepeatPeriodMs);
    // A tick with the pointer off the button takes no step; the timer keeps running.
    if (pointerOverHeldButton_)
        stepFrom(heldButton_);
}

void SpinEdit::stopRepeat()
{
    repeatTimer_.stop();
    heldButton_ = nullptr;
    pointerOverHeldButton_ = false;
}

void SpinEdit::stepBy(std::int64_t delta)
{
    writeNumber(bounded(std::int64_t{value()} + delta));
}

void SpinEdit::stepFrom(const QToolButton* button)
{
    if (button == upButton_)
        stepUp();
    else
        stepDown();
}

void SpinEdit::writeNumber(std::int32_t number)
{
    lineEdit_->setText(QString::number(number));
}

void SpinEdit::layoutButtons()
{
    const int frame = style()->pixelMetric(QStyle::PM_DefaultFrameWidth, nullptr, lineEdit_);
    const int innerHeight = std::max(2, height() - 2 * frame);
    const int upHeight = innerHeight / 2;
    const int columnLeft = width() - frame - ButtonColumnWidth;
    upButton_->setGeometry(columnLeft, frame, ButtonColumnWidth, upHeight);
    // The down button overlaps the up button by one pixel.
    downButton_->setGeometry(columnLeft, frame + upHeight - 1, ButtonColumnWidth,
                             innerHeight - upHeight + 1);
}

int SpinEdit::minimumFieldHeight() const
{
    const int fieldCharHeight = lineEdit_->fontMetrics().height();
    const int systemCharHeight = QFontMetrics(QApplication::font()).height();
    return fieldCharHeight + std::min(systemCharHeight, fieldCharHeight) / 4 + 4 * BorderHeight + 2;
}

void SpinEdit::refuse()
{
    if (beeper_)
        beeper_();
}
