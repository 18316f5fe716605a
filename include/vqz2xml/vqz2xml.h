/* The C interface of the converter from classic Quorbel input (.vqz) into Quorbel XML 1.1. */
#pragma once

#include "vqz2xml/export.h"

#include <stddef.h>

#if defined(__GNUC__) && !defined(_WIN32)
#pragma GCC visibility push(default)
#endif

#ifdef __cplusplus
extern "C" {
#endif

/* How input bytes 0x80 to 0xFF are read: one Latin-1 character each, Windows-1252 characters,
   or UTF-8 sequences; VQZ2XML_AUTO chooses one of the three from the input's bytes (see
   vqz2xml_choose_encoding). */
typedef enum {
    VQZ2XML_LATIN1 = 0,
    VQZ2XML_CP1252 = 1,
    VQZ2XML_UTF8 = 2,
    VQZ2XML_AUTO = 3
} vqz2xml_encoding;

/* What vqz2xml_convert returns. */
enum {
    VQZ2XML_OK = 0,
    VQZ2XML_INVALID_ARGUMENT = 1, /* null result, null input with a size, unknown encoding */
    VQZ2XML_OUT_OF_MEMORY = 2
};

typedef struct {
    int complete;        /* 1: complete document; 0: it ends with an error report */
    char* xml;           /* the output, zero-terminated; xml_size bytes before the terminator */
    size_t xml_size;     /* the terminator not counted */
    size_t line, column; /* of the diagnostic; 0 when complete */
    char* message;       /* the one-line diagnostic as the command line gives it; NULL when
                            complete */
} vqz2xml_result;

/* Converts `size` bytes of classic input at `input` (which may be NULL when `size` is 0) and
   fills `*result` with the XML, byte for byte what the program writes, and for a faulty input
   with the place of the fault and the one-line diagnostic
       <input>:LINE:COLUMN: error: expected EXPECTED, found "FOUND"
   (or "found end of input"): the file name is always "<input>", the found text has quotes and
   backslashes escaped and bytes outside printable ASCII written as \xNN. `line` and `column`
   count from 1, the column in bytes.

   Returns VQZ2XML_OK, after which the caller owns `*result` and hands it to
   vqz2xml_result_free. Any other value means nothing was converted; `*result` (when not NULL)
   is then zeroed and holds nothing to free. `*result` is overwritten: free an earlier result
   first. Safe to call from several threads at once. */
VQZ2XML_API int vqz2xml_convert(const char* input, size_t size, vqz2xml_encoding encoding,
                                vqz2xml_result* result);

/* Frees what a result holds and zeroes it, so a second call does nothing. Accepts NULL and a
   zeroed result. */
VQZ2XML_API void vqz2xml_result_free(vqz2xml_result* result);

/* The encoding an input is read in when `requested` is given: `requested` itself, or for
   VQZ2XML_AUTO UTF-8 when the input starts with a byte-order mark or is valid UTF-8 holding a
   character of several bytes, else Windows-1252 when a byte lies in 0x80-0x9F, else Latin-1.
   An unknown `requested` value is given back as it is. */
VQZ2XML_API vqz2xml_encoding vqz2xml_choose_encoding(const char* input, size_t size,
                                                     vqz2xml_encoding requested);

/* Reads the survey that `size` bytes of classic input describe and stores in `*json` one JSON
   document of it, zero-terminated and in UTF-8, and its length before the terminator in
   `*json_size` (when not NULL): the head's fields, "variables" (each with ident, name, label,
   type, start, finish, width, spread, size, range and values), "notes", "complete",
   "encoding" (the one used) and, for a faulty input, "diagnostic"; docs/survey.schema.json
   describes it. Returns VQZ2XML_OK, after which the caller frees `*json` with
   vqz2xml_json_free; any other value (as for vqz2xml_convert) leaves `*json` NULL. */
VQZ2XML_API int vqz2xml_read_survey_json(const char* input, size_t size,
                                         vqz2xml_encoding encoding, char** json,
                                         size_t* json_size);

/* Frees a document from vqz2xml_read_survey_json; accepts NULL. */
VQZ2XML_API void vqz2xml_json_free(char* json);

/* The version of the library, such as "1.1.0". */
VQZ2XML_API const char* vqz2xml_version(void);

#ifdef __cplusplus
}
#endif

#if defined(__GNUC__) && !defined(_WIN32)
#pragma GCC visibility pop
#endif
