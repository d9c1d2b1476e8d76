#pragma once

#include "files/PictureRows.h"

#include <pybind11/numpy.h>

#include <cstdint>

/// NumPy arrays over memory a Python object owns, and pictures as arrays.
class ArrayViews {
public:
    /// A read-only view of `data` with the given shape and strides (in bytes) that keeps `owner`
    /// alive for as long as the array (or any view of it) lives. Nothing is copied.
    template <typename T>
    static pybind11::array_t<T> view(const T* data, std::vector<pybind11::ssize_t> shape,
                                     std::vector<pybind11::ssize_t> strides, pybind11::handle owner)
    {
        pybind11::array_t<T> array(std::move(shape), std::move(strides), data, owner);
        readOnly(array);
        return array;
    }

    /// Clears the array's writeable flag: views share the cluster's own memory.
    static void readOnly(pybind11::array& array);

    /// The picture's pixels, copied: height x width x 3 red, green and blue bytes, row 0 at the top.
    static pybind11::array_t<std::uint8_t> colours(const PictureRows& picture);
    /// The picture's first colour channel, copied: height x width bytes, row 0 at the top. For
    /// a picture in white and black, 255 on the cluster and 0 elsewhere.
    static pybind11::array_t<std::uint8_t> grey(const PictureRows& picture);
};
