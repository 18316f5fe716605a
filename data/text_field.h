// Character fields: their bytes, read in the survey's encoding, as UTF-8.
#pragma once

#include "vqz2xml/vqz2xml.hpp"

#include <string>
#include <string_view>

namespace datafile {

// Replaces `out` with the bytes read in `encoding` (Latin-1, Windows-1252 or UTF-8) as UTF-8.
// A byte that starts no valid UTF-8 sequence in a UTF-8 field becomes U+FFFD.
void assignUtf8(std::string& out, std::string_view bytes, vqz2xml::Encoding encoding);

} // namespace datafile
