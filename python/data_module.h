// The native half of vqz2xml.read_data: the DataReader class of vqz2xml._native.
#pragma once

#include "vqz2xml/vqz2xml.hpp"

#include <pybind11/pybind11.h>
#include <string>

// Adds DataReader to the module; `encodingNamed` reads an encoding's name as convert does.
void bindData(pybind11::module_& module, vqz2xml::Encoding (*encodingNamed)(const std::string&));
