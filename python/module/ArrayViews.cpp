#include "ArrayViews.h"

#include <vector>

namespace py = pybind11;

void ArrayViews::readOnly(py::array& array)
{
    py::detail::array_proxy(array.ptr())->flags &= ~py::detail::npy_api::NPY_ARRAY_WRITEABLE_;
}

py::array_t<std::uint8_t> ArrayViews::colours(const PictureRows& picture)
{
    const py::ssize_t width = picture.width();
    const py::ssize_t height = picture.height();
    py::array_t<std::uint8_t> array({height, width, py::ssize_t{3}});
    std::uint8_t* out = array.mutable_data();
    std::vector<std::uint8_t> buffer(static_cast<std::size_t>(width) * 3);
    for (std::int32_t y = 0; y < height; ++y) {
        const std::uint8_t* row = picture.row(y, buffer.data());
        // The writers' rows are blue, green, red; arrays are red, green, blue.
        for (py::ssize_t x = 0; x < width; ++x, out += 3) {
            out[0] = row[3 * x + 2];
            out[1] = row[3 * x + 1];
            out[2] = row[3 * x];
        }
    }
    return array;
}

py::array_t<std::uint8_t> ArrayViews::grey(const PictureRows& picture)
{
    const py::ssize_t width = picture.width();
    const py::ssize_t height = picture.height();
    py::array_t<std::uint8_t> array({height, width});
    std::uint8_t* out = array.mutable_data();
    std::vector<std::uint8_t> buffer(static_cast<std::size_t>(width) * 3);
    for (std::int32_t y = 0; y < height; ++y) {
        const std::uint8_t* row = picture.row(y, buffer.data());
        for (py::ssize_t x = 0; x < width; ++x)
            *out++ = row[3 * x];
    }
    return array;
}
