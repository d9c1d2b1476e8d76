#include "lattice/ProgramState.h"

#include "lattice/Rounding.h"

ProgramState::ProgramState(std::uint32_t seed) : ProgramState(seed, DefaultPlantSize, DefaultSnowSize) {}

ProgramState::ProgramState(std::uint32_t seed, FieldSize plantSize, FieldSize snowSize)
    : random(seed),
      plantField_(plantSize.width, plantSize.height, ColumnMap::Ring),
      snowField_(snowSize.width, snowSize.height, ColumnMap::Identity)
{
    resetPlant();
    resetSnowflake();
}

void ProgramState::resizePlant(FieldSize size)
{
    // The field checks the size before it changes anything, so a refused size keeps the marker.
    plantField_.reset(size.width, size.height, BaseStripRows);
    plantTop = size.height - BaseStripRows;
    plantUnsaved = false;
}

void ProgramState::resizeSnowflake(FieldSize size)
{
    snowField_.reset(size.width, size.height, 0);
    snowField_.stamp(static_cast<std::int32_t>(roundHalfEven(size.width / 2.0)),
                     static_cast<std::int32_t>(roundHalfEven(size.height / 2.0)));
    snowRadius = 1;
    snowUnsaved = false;
}
