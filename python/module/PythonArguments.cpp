#include "PythonArguments.h"

#include "GrowOptions.h"
#include "ModeTable.h"
#include "OffLatticeSettings.h"
#include "SystemSeed.h"

#include <stdexcept>

namespace py = pybind11;

std::string PythonArguments::textOf(py::handle value)
{
    if (PyIndex_Check(value.ptr()) != 0)
        return py::str(py::reinterpret_steal<py::object>(PyNumber_Index(value.ptr())));
    return py::str(value);
}

const GrowthMode& PythonArguments::mode(std::string_view name)
{
    const GrowthMode* mode = ModeTable::find(name);
    if (mode == nullptr)
        throw std::logic_error("dla-grow has no mode " + std::string(name));
    return *mode;
}

std::uint32_t PythonArguments::seed(py::handle value)
{
    if (value.is_none())
        return SystemSeed::draw();
    return GrowOptions::parseSeed(textOf(value));
}

std::int64_t PythonArguments::offLatticeParticles(py::handle value, std::string_view modeName)
{
    return GrowOptions::parsePoints(textOf(value), mode(modeName));
}

FieldSize PythonArguments::size(py::handle value)
{
    // A pair of two whole numbers reads as "WxH"; anything else is shown as given.
    if (py::isinstance<py::sequence>(value) && !py::isinstance<py::str>(value) && py::len(value) == 2) {
        const py::sequence pair = py::reinterpret_borrow<py::sequence>(value);
        return GrowOptions::parseSize(textOf(pair[0]) + "x" + textOf(pair[1]));
    }
    return GrowOptions::parseSize(textOf(value));
}

std::optional<std::int64_t> PythonArguments::points(py::handle value, const GrowthMode& mode)
{
    if (value.is_none())
        return std::nullopt;
    return GrowOptions::parsePoints(textOf(value), mode);
}

PictureColour PythonArguments::colour(py::handle value)
{
    return GrowOptions::parseColour(textOf(value));
}

double PythonArguments::scale(py::handle value)
{
    return OffLatticeSettings::parseScale(textOf(value));
}
