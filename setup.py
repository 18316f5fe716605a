# The native module vqz2xml._native for the Python package, compiled from the project's own
# sources, and the package's version, read from the build description where it is set once.
import pathlib
import re
import sys

from pybind11.setup_helpers import ParallelCompile, Pybind11Extension
from setuptools import setup

# The folders the library is made of; the platform layer's units join as the others include them.
LIBRARY_FOLDERS = ("python", "reader", "chain", "grammar", "core", "library", "survey", "data")
SYSTEM = "windows" if sys.platform == "win32" else "posix"
OTHER_SYSTEM = "posix" if SYSTEM == "windows" else "windows"
PLATFORM_INCLUDE = re.compile(r'^#include "platform/([a-z_0-9]+)\.h"', re.MULTILINE)


def project_version():
    text = pathlib.Path("CMakeLists.txt").read_text(encoding="utf-8")
    return re.search(r"project\(\s*vqz2xml\s+VERSION\s+([0-9.]+)", text).group(1)


def folder_sources():
    sources = []
    for folder in LIBRARY_FOLDERS:
        sources += [path for path in pathlib.Path(folder).glob("*.cpp")
                    if not path.name.endswith(f"_{OTHER_SYSTEM}.cpp")]
    return sources


def platform_sources(sources):
    """The platform units the given sources include, and the units those include in turn."""
    found, seen, unread = [], set(), list(sources)
    while unread:
        text = unread.pop().read_text(encoding="utf-8")
        for unit in PLATFORM_INCLUDE.findall(text):
            if unit in seen:
                continue
            seen.add(unit)
            unread.append(pathlib.Path(f"platform/{unit}.h"))
            for path in (pathlib.Path(f"platform/{unit}.cpp"),
                         pathlib.Path(f"platform/{unit}_{SYSTEM}.cpp")):
                if path.exists():
                    found.append(path)
                    unread.append(path)
    return found


def native_module(version):
    sources = folder_sources()
    sources += platform_sources(sources)
    macros = [("VQZ2XML_VERSION", f'"{version}"'), ("VQZ2XML_STATIC_DEFINE", None)]
    if SYSTEM == "windows":
        macros += [(name, None) for name in ("UNICODE", "_UNICODE", "WIN32_LEAN_AND_MEAN",
                                             "NOMINMAX")] + [("_WIN32_WINNT", "0x0601")]
    else:
        macros.append(("_FILE_OFFSET_BITS", "64"))
    # A changed header rebuilds the module, as a changed source does.
    headers = [path for folder in ("include/vqz2xml", "platform") + LIBRARY_FOLDERS
               for path in pathlib.Path(folder).glob("*.h*")]
    return Pybind11Extension("vqz2xml._native", sorted(path.as_posix() for path in sources),
                             depends=sorted(path.as_posix() for path in headers),
                             include_dirs=[".", "include"], define_macros=macros, cxx_std=17)


# Two compilers at a time unless VQZ2XML_BUILD_JOBS says otherwise.
ParallelCompile("VQZ2XML_BUILD_JOBS", default=2).install()
version = project_version()
pathlib.Path("build-python").mkdir(exist_ok=True)
setup(version=version,
      ext_modules=[native_module(version)],
      # Out of CMake's build folders and the sources alike.
      options={"build": {"build_base": "build-python"},
               "egg_info": {"egg_base": "build-python"}})
