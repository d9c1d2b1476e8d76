#pragma once

#include <QTimer>
#include <QWidget>

#include <cstdint>
#include <functional>
#include <optional>

class QKeyEvent;
class QLineEdit;
class QToolButton;

/// A numeric entry field with a column of up and down arrow buttons at its right end.
///
/// The text is the only stored value: value() reads it afresh every time and never bounds it,
/// so a number typed beyond the bounds is read as typed until the field is left or stepped.
/// Bounds are applied when a value is set, on every step and when the keyboard focus leaves
/// the field for another control of the same window. Equal lower and upper bounds mean no
/// bounds at all.
class SpinEdit : public QWidget {
    Q_OBJECT

public:
    /// Width of the arrow-button column, in pixels.
    static constexpr int ButtonColumnWidth = 15;
    /// The repeat timer's first tick after a press, and the period of the ticks after it.
    static constexpr int FirstRepeatDelayMs = 400;
    static constexpr int RepeatPeriodMs = 100;

    explicit SpinEdit(QWidget* parent = nullptr);

    /// Reads a text as a whole number: leading spaces, then either an optional sign and decimal
    /// digits within the 32-bit signed range, or "$", "x", "X", "0x" or "0X" and hexadecimal
    /// digits taken as a 32-bit pattern. Anything else (empty text, a lone sign, a decimal
    /// separator, a trailing character, an out-of-range decimal) is no number.
    static std::optional<std::int32_t> parse(const QString& text);

    /// The text read as a number, or the lower bound when it is no number. Never bounded.
    std::int32_t value() const;
    /// Writes the decimal form of the bounded value into the text.
    void setValue(std::int32_t value);
    /// v limited to [lowerBound, upperBound]; v unchanged when the two bounds are equal.
    std::int32_t bounded(std::int64_t v) const;

    std::int32_t increment() const { return increment_; }
    void setIncrement(std::int32_t increment) { increment_ = increment; }
    /// Setting a bound changes only the bound: the text is left as it stands.
    std::int32_t lowerBound() const { return lowerBound_; }
    void setLowerBound(std::int32_t bound) { lowerBound_ = bound; }
    std::int32_t upperBound() const { return upperBound_; }
    void setUpperBound(std::int32_t bound) { upperBound_ = bound; }

    /// The raw text; setText() stores any text unchecked, the way a paste does.
    QString text() const;
    void setText(const QString& text);

    /// value := bounded(value +/- increment), written by the setting rule.
    void stepUp();
    void stepDown();

    /// What leaving the field does: a number outside the bounds is rewritten bounded; a text
    /// that is no number stays as it is.
    void applyBounds();

    /// The text field; it, not the SpinEdit, holds the keyboard focus (setFocus() on the
    /// SpinEdit passes it on) and stands in the window's tab order.
    QLineEdit* lineEdit() const { return lineEdit_; }
    QToolButton* upButton() const { return upButton_; }
    QToolButton* downButton() const { return downButton_; }
    /// Drives the auto-repeat of a held arrow button: first tick FirstRepeatDelayMs after the
    /// press, then every RepeatPeriodMs until the release.
    QTimer* repeatTimer() { return &repeatTimer_; }

    /// Replaces the refusal beep (QApplication::beep() by default), e.g. to count refusals.
    void setBeeper(std::function<void()> beeper);

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void changeEvent(QEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    bool filterLineEditEvent(QEvent* event);
    bool filterKeyPress(QKeyEvent* event);
    static bool isEditingCommand(const QKeyEvent* event);
    bool isAcceptedCharacter(QChar c) const;
    void filterButtonEvent(QToolButton* button, QEvent* event);
    void onRepeatTick();
    void stopRepeat();
    void stepBy(std::int64_t delta);
    void stepFrom(const QToolButton* button);
    void writeNumber(std::int32_t number);
    void layoutButtons();
    int minimumFieldHeight() const;
    void refuse();

    QLineEdit* lineEdit_;
    QToolButton* upButton_;
    QToolButton* downButton_;
    QTimer repeatTimer_;
    QToolButton* heldButton_ = nullptr;
    bool pointerOverHeldButton_ = false;
    std::function<void()> beeper_;
    std::int32_t increment_ = 1;
    std::int32_t lowerBound_ = 0;
    std::int32_t upperBound_ = 0;
};
