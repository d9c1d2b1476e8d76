#include "ProgramState.h"

#include "Rounding.h"

ProgramState::ProgramState(std::uint32_t seed) : random(seed)
{
    resetPlant();
    resetSnowflake();
}

void ProgramState::resizePlant(FieldSize size)
{
    // Resizing first means a size the picture cannot take throws before anything is stored.
    plantField_.resize(size.width, size.height);
    const auto [w, h] = size;
    plantField_.fillRows(0, h - 6, GrowthField::Black);
    plantField_.fillRows(h - 5, h - 1, GrowthField::White);
    plantTop = h - 5;
    plantUnsaved = false;
}

void ProgramState::resizeSnowflake(FieldSize size)
{
    snowField_.resize(size.width, size.height);
    const auto [w, h] = size;
    snowField_.fillRows(0, h - 1, GrowthField::Black);
    snowField_.write(static_cast<std::int32_t>(roundHalfEven(w / 2.0)),
                     static_cast<std::int32_t>(roundHalfEven(h / 2.0)), GrowthField::White);
    snowRadius = 1;
    snowUnsaved = false;
}
