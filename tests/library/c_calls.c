/* Calls into the C interface made from C, for what only C may pass. */
#include "tests/library/c_calls.h"

int convertWithEncodingNumber(const char* input, size_t size, int encoding,
                              vqz2xml_result* result) {
    return vqz2xml_convert(input, size, (vqz2xml_encoding)encoding, result);
}
