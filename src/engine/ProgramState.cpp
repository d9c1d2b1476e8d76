#include "ProgramState.h"

#include "Rounding.h"

ProgramState::ProgramState(std::uint32_t seed) : random(seed)
{
    resetPlant();
    resetSnowflake();
}

void ProgramState::resetPlant()
{
    const auto [w, h] = plantSize_;
    plantField.resize(w, h);
    plantField.fillRows(0, h - 6, GrowthField::Black);
    plantField.fillRows(h - 5, h - 1, GrowthField::White);
    plantTop = h - 5;
    plantUnsaved = false;
}

void ProgramState::resetSnowflake()
{
    const auto [w, h] = snowSize_;
    snowField.resize(w, h);
    snowField.fillRows(0, h - 1, GrowthField::Black);
    snowField.write(static_cast<std::int32_t>(roundHalfEven(w / 2.0)),
                    static_cast<std::int32_t>(roundHalfEven(h / 2.0)), GrowthField::White);
    snowRadius = 1;
    snowUnsaved = false;
}

void ProgramState::resizePlant(FieldSize size)
{
    // Resizing first means a size the picture cannot take throws before anything is stored.
    plantField.resize(size.width, size.height);
    plantSize_ = size;
    resetPlant();
}

void ProgramState::resizeSnowflake(FieldSize size)
{
    snowField.resize(size.width, size.height);
    snowSize_ = size;
    resetSnowflake();
}
