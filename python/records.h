// Reflection records between the core's layouts and numpy structured arrays.
#pragma once

#include <pybind11/numpy.h>
#include <string>
#include <vector>
#include "filtering/generation.h"
#include "filtering/reflection_layouts.h"

namespace zirel::python {

namespace py = pybind11;

// One reflection as the core reads it; a SHELX record keeps its columns after 28.
struct Record {
  int32_t h = 0, k = 0, l = 0;
  float intensity = 0.0f;
  float sigma = 0.0f;
  float pass_real = 0.0f;
  int32_t pass_integer = 0;
  std::string extra;
};

// Fields h, k, l (int32), I, sigma (float32); a Cellex file adds pass_real (float32) and
// pass_integer (int32); a SHELX file with columns after 28 adds batch (int32, columns
// 29-32, 0 where blank) and extra (those columns as bytes).
py::array reflection_array(const std::vector<Record>& records, InputKind kind);

// Generated reflections: fields h, k, l, I, sigma, with I = sigma = 0.
py::array generated_array(const std::vector<Miller>& reflections);

void bind_records(py::module_& m);

}  // namespace zirel::python
