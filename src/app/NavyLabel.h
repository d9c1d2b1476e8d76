#pragma once

#include <QColor>
#include <QLabel>

/// A label drawn in navy, the colour of the captions and credit lines of the program's small
/// windows. The colour is painted whatever background the parent window uses.
class NavyLabel : public QLabel {
    Q_OBJECT

public:
    static constexpr QColor Navy{0, 0, 128};

    explicit NavyLabel(const QString& text, QWidget* parent = nullptr);
};
