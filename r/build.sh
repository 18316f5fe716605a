#!/usr/bin/env bash
# Makes the R package's source tarball, vqz2xml_VERSION.tar.gz, in the folder given (the current
# one by default): the package in r/ with the library's sources, the examples and the golden
# cases copied in, so that R CMD INSTALL of the tarball needs nothing but R and a compiler.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
destination="$(cd "${1:-.}" && pwd)"
version="$(sed -n 's/^project(vqz2xml VERSION \([0-9.]*\).*/\1/p' "$root/CMakeLists.txt")"
[ -n "$version" ] || { echo "no version in $root/CMakeLists.txt" >&2; exit 1; }

stage="$(mktemp -d)"
trap 'rm -rf "$stage"' EXIT
package="$stage/vqz2xml"
cp -R "$root/r" "$package"
rm -f "$package/src/"*.o "$package/src/"*.so "$package/src/Makevars"
echo "Version: $version" >>"$package/DESCRIPTION"

# The folders the library is made of, this system's files only, but library/ (the C interface
# and the JSON writer, which needs nlohmann-json); the platform layer's units join as the others
# include them.
src="$package/src"
mkdir -p "$src/include"
cp -R "$root/include/vqz2xml" "$src/include/"
for folder in reader chain grammar core survey data; do
  [ -d "$root/$folder" ] || continue
  mkdir -p "$src/$folder"
  find "$root/$folder" -maxdepth 1 \( -name '*.cpp' -o -name '*.h' \) ! -name '*_windows.cpp' \
    -exec cp {} "$src/$folder/" \;
done
mkdir -p "$src/platform"
units_of() { sed -n 's/^#include "platform\/\([a-z_0-9]*\)\.h".*/\1/p' "$@" | sort -u; }
wanted="$(units_of "$src"/*/*.cpp "$src"/*/*.h)"
copied=""
while [ "$wanted" != "$copied" ]; do
  copied="$wanted"
  for unit in $wanted; do
    for file in "$unit.h" "$unit.cpp" "${unit}_posix.cpp"; do
      [ -f "$root/platform/$file" ] && cp "$root/platform/$file" "$src/platform/"
    done
  done
  wanted="$(units_of "$src"/*/*.cpp "$src"/*/*.h "$src"/platform/*)"
done

# The objects, listed for any make; the version as the build description sets it.
objects="$(cd "$src" && find . -name '*.cpp' | sed 's|^\./||; s|\.cpp$|.o|' | sort | tr '\n' ' ')"
cat >"$src/Makevars" <<MAKEVARS
CXX_STD = CXX17
PKG_CPPFLAGS = -I. -Iinclude -DVQZ2XML_STATIC_DEFINE -DVQZ2XML_VERSION=\\"$version\\" -D_FILE_OFFSET_BITS=64
PKG_LIBS = -pthread
OBJECTS = $objects

# Without its debugging information (its symbols kept) the library takes a tenth of the room.
all: \$(SHLIB)
	-\$(STRIP_STATIC_LIB) \$(SHLIB)
MAKEVARS

mkdir -p "$package/inst/extdata" "$package/tests/testthat/golden"
cp "$root"/examples/*.vqz "$package/inst/extdata/"
find "$root/examples" -maxdepth 1 -name '*.dat' -exec cp {} "$package/inst/extdata/" \;
cp "$root"/tests/golden/*.vqz "$root"/tests/golden/*.xml "$package/tests/testthat/golden/"

(cd "$stage" && R CMD build --no-build-vignettes vqz2xml)
mv "$stage"/vqz2xml_*.tar.gz "$destination/"
echo "built $destination/vqz2xml_$version.tar.gz"
