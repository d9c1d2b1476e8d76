#pragma once

#include "SecondaryWindow.h"

#include <cstdint>
#include <functional>

class QLabel;
class QPushButton;
class SpinEdit;

/// The "Image Size" window: width and height fields and an OK button. OK hides the window and
/// hands the two values to the accept handler; the close box only hides it. Created hidden;
/// the fields keep their texts across hiding.
class ImageSizeWindow : public SecondaryWindow {
    Q_OBJECT

public:
    using AcceptHandler = std::function<void(std::int32_t width, std::int32_t height)>;

    explicit ImageSizeWindow(QWidget* parent = nullptr);

    /// Sets both fields by the setting rule, so each is bounded to 10..1000000.
    void setFields(std::int32_t width, std::int32_t height);
    /// Called by OK, after the window is hidden, with the two values read. The handler is
    /// expected to report its own failures: nothing may be thrown back into Qt from here.
    void setAcceptHandler(AcceptHandler handler);

    SpinEdit* widthEdit() const { return widthEdit_; }
    SpinEdit* heightEdit() const { return heightEdit_; }
    QPushButton* okButton() const { return okButton_; }

private:
    QLabel* makeLabel(const QString& text, const QFont& font, int top);
    QFont labelFont(const QStringList& texts) const;
    SpinEdit* makeSideEdit(const char* objectName, std::int32_t value, int top);
    void accept();

    SpinEdit* widthEdit_;
    SpinEdit* heightEdit_;
    QPushButton* okButton_;
    AcceptHandler acceptHandler_;
};
