#pragma once

#include "lattice/FieldPoint.h"
#include "lattice/FieldSize.h"
#include "lattice/GrowthField.h"
#include "lattice/RandomSource.h"

#include <cstdint>

/// Everything the program keeps outside its windows: both growth fields with their markers, the
/// cancel flag, the unsaved flags and the random source. One object, owned by whoever runs the
/// program (the main window, or dla-grow), and handed to whoever needs it.
///
/// The fields change only through this class, so each mode's size is its field's size and a
/// walk can trust it.
class ProgramState {
public:
    static constexpr FieldSize DefaultPlantSize{150, 300};
    static constexpr FieldSize DefaultSnowSize{300, 300};
    /// The white strip a plant-life picture grows from, along its bottom.
    static constexpr std::int32_t BaseStripRows = 5;

    /// The start state: both fields at their start size and content, markers and flags at their
    /// defaults, the random source seeded with `seed`.
    explicit ProgramState(std::uint32_t seed);
    /// The same with both fields at the given sizes: for a run that grows one mode only, the
    /// other at the smallest size a picture may have, so it costs next to nothing.
    ProgramState(std::uint32_t seed, FieldSize plantSize, FieldSize snowSize);

    std::int32_t plantTop = DefaultPlantSize.height - BaseStripRows; ///< highest row of the plant-life cluster
    std::int32_t snowRadius = 1;  ///< largest rounded distance of a snowflake cell from the centre
    bool stopRequested = false;   ///< set by Cancel, taken by the run before its next wanderer
    bool plantUnsaved = false;
    bool snowUnsaved = false;
    RandomSource random;

    const GrowthField& plantField() const { return plantField_; }
    const GrowthField& snowField() const { return snowField_; }
    FieldSize plantSize() const { return FieldSize{plantField_.width(), plantField_.height()}; }
    FieldSize snowSize() const { return FieldSize{snowField_.width(), snowField_.height()}; }

    /// Clears the plant-life field to black with the white base strip along its bottom five
    /// rows. plantTop := height - 5; plantUnsaved := false. One pass over the picture's memory.
    void resetPlant() { resizePlant(plantSize()); }
    /// Clears the snowflake field to black with one white seed pixel at its centre.
    /// snowRadius := 1; snowUnsaved := false.
    void resetSnowflake() { resizeSnowflake(snowSize()); }

    /// Resets the plant-life field at a new size. When the picture cannot take the size, throws
    /// FieldSizeError and nothing changes: size, picture and marker stay.
    void resizePlant(FieldSize size);
    /// The same for the snowflake field.
    void resizeSnowflake(FieldSize size);

    /// Turns the plant-life pixel at `at` white; nothing happens outside the picture.
    void stampPlant(FieldPoint at) { plantField_.stamp(at.x, at.y); }
    /// Turns the snowflake pixel at `at` white; nothing happens outside the picture.
    void stampSnowflake(FieldPoint at) { snowField_.stamp(at.x, at.y); }

private:
    GrowthField plantField_{DefaultPlantSize.width, DefaultPlantSize.height, ColumnMap::Ring};
    GrowthField snowField_{DefaultSnowSize.width, DefaultSnowSize.height, ColumnMap::Identity};
};
