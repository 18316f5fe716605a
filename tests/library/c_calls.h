// Calls into the C interface made from C, for what only C may pass.
#pragma once

#include "vqz2xml/vqz2xml.h"

#ifdef __cplusplus
extern "C" {
#endif

// vqz2xml_convert with any number as the encoding: C converts it to the enumeration as it is.
int convertWithEncodingNumber(const char* input, size_t size, int encoding, vqz2xml_result* result);

#ifdef __cplusplus
}
#endif
