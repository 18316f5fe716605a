// File names: UTF-8 strings inside the program, the standard library's paths at its edges.
#pragma once

#include <filesystem>
#include <string>
#include <string_view>

namespace platform {

// The path a UTF-8 name stands for.
inline std::filesystem::path toPath(std::string_view utf8) {
#if defined(__cpp_char8_t)
    return std::filesystem::path(std::u8string(utf8.begin(), utf8.end()));
#else
    return std::filesystem::u8path(utf8.begin(), utf8.end());
#endif
}

// A path's name in UTF-8.
inline std::string toUtf8(const std::filesystem::path& path) {
#if defined(__cpp_char8_t)
    const std::u8string name = path.u8string();
    return std::string(name.begin(), name.end());
#else
    return path.u8string();
#endif
}

} // namespace platform
