// The project's version, as set once in the build description.
#include "vqz2xml/vqz2xml.hpp"

std::string_view vqz2xml::version() { return VQZ2XML_VERSION; }
