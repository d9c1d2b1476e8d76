#pragma once

#include "SecondaryWindow.h"

#include <cstdint>

class QPushButton;
class SpinEdit;

/// The "Number of points" window: one spin edit holding how many wanderers a run releases
/// when To Limit is unchecked, and an OK button that hides the window. Created hidden; closing
/// it only hides it. The number lives only in the field's text, which survives hiding.
class NumPointsWindow : public SecondaryWindow {
    Q_OBJECT

public:
    /// Bounds of the field in the two modes; the mode switch sets one of them.
    static constexpr std::int32_t PlantLifeUpperBound = 8000;
    static constexpr std::int32_t SnowflakeUpperBound = 7000;

    explicit NumPointsWindow(QWidget* parent = nullptr);

    /// The field's value as it stands, not bounded: a number typed beyond the bound, or below 0,
    /// counts as typed until the field is left or stepped.
    std::int32_t numberOfPoints() const;
    /// Changes only the field's upper bound; the text is left as it stands.
    void setUpperBound(std::int32_t bound);
    SpinEdit* pointsEdit() const { return pointsEdit_; }
    QPushButton* okButton() const { return okButton_; }

private:
    SpinEdit* pointsEdit_;
    QPushButton* okButton_;
};
