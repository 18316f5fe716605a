// Large deterministic classic files for the benchmark: realistic surveys and pathological shapes.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

enum class InputKind { V11, V10, Notes, Nested, Arrows, Variables, BigLabel, Unclosed };

// The kind a command-line word names ("v11", "notes", ...), if any.
std::optional<InputKind> inputKindNamed(std::string_view name);
std::string_view inputKindName(InputKind kind);
// Every kind is a complete document except the one that ends inside a quoted text.
bool expectsComplete(InputKind kind);

// What the generator reports about a file it wrote.
struct GeneratedInput {
    std::uint64_t bytes = 0;
    // Variables for the surveys, notes, nesting depth, "-->" runs or label bytes, by kind.
    std::uint64_t units = 0;
    std::string_view unitName;
};

// Writes about `megabytes` million bytes of the kind to `fileName`, the same bytes on every
// run. The pathological kinds scale with the size: notes are 10 bytes each, a nesting level
// takes 2 bytes and a minimal variable 62, so 10, 2 and 62 megabytes give a million of them.
// Returns nothing when the file cannot be written.
std::optional<GeneratedInput> generateInput(InputKind kind, double megabytes,
                                            const std::string& fileName);
