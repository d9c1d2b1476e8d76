#pragma once

#include "FieldSize.h"
#include "GrowthField.h"
#include "RandomSource.h"

#include <cstdint>

/// Everything the program keeps outside its windows: both growth fields with their sizes and
/// markers, the cancel flag, the unsaved flags and the random source. One object, owned by
/// whoever runs the program (the main window, or dla-grow), and handed to whoever needs it.
class ProgramState {
public:
    static constexpr FieldSize DefaultPlantSize{150, 300};
    static constexpr FieldSize DefaultSnowSize{300, 300};

    /// The start state: both fields at their start size and content, markers and flags at their
    /// defaults, the random source seeded with `seed`.
    explicit ProgramState(std::uint32_t seed);

    GrowthField plantField{DefaultPlantSize.width, DefaultPlantSize.height, ColumnMap::Ring};
    GrowthField snowField{DefaultSnowSize.width, DefaultSnowSize.height, ColumnMap::Identity};
    std::int32_t plantTop = 295;  ///< highest row of the plant-life cluster, at most height - 5
    std::int32_t snowRadius = 1;  ///< largest rounded distance of a snowflake cell from the centre
    bool stopRequested = false;   ///< set by Cancel, taken by the run before its next wanderer
    bool plantUnsaved = false;
    bool snowUnsaved = false;
    RandomSource random;

    FieldSize plantSize() const { return plantSize_; }
    FieldSize snowSize() const { return snowSize_; }

    /// Clears the plant-life field to black with the white base strip along its bottom five
    /// rows, at the plant-life size. plantTop := height - 5; plantUnsaved := false.
    void resetPlant();
    /// Clears the snowflake field to black with one white seed pixel at its centre, at the
    /// snowflake size. snowRadius := 1; snowUnsaved := false.
    void resetSnowflake();

    /// Stores a new plant-life size and resets the field to it. When the picture cannot take the
    /// size, throws FieldSizeError and nothing changes: size, picture and marker stay.
    void resizePlant(FieldSize size);
    /// The same for the snowflake field.
    void resizeSnowflake(FieldSize size);

private:
    FieldSize plantSize_ = DefaultPlantSize;
    FieldSize snowSize_ = DefaultSnowSize;
};
