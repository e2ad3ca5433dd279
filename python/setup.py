"""Builds the korvex extension with the repository's CMake build, no download.

`pip install --no-build-isolation ./python` runs this with the setuptools, pybind11 and numpy
the machine has (Debian's packages): CMake configures the repository one folder up with only
the library and the module (KORVEX_BUILD_PYTHON=ON, for the interpreter running pip), builds
the module and puts it into the package.
"""
import os
import pathlib
import shutil
import subprocess
import sys

from setuptools import Extension, setup
from setuptools.command.build_ext import build_ext

HERE = pathlib.Path(__file__).resolve().parent
ROOT = HERE.parent


class CMakeExtension(Extension):
    def __init__(self, name):
        super().__init__(name, sources=[])


class CMakeBuild(build_ext):
    def build_extension(self, ext):
        if not (ROOT / "CMakeLists.txt").is_file():
            raise RuntimeError("the korvex sources are not beside this folder: build from a "
                               "checkout of the repository (pip install ./python)")
        build = pathlib.Path(self.build_temp).resolve() / "cmake"
        build.mkdir(parents=True, exist_ok=True)
        subprocess.run(["cmake", "-S", str(ROOT), "-B", str(build), "-G", "Ninja",
                        "-DCMAKE_BUILD_TYPE=Release", "-DKORVEX_BUILD_PYTHON=ON",
                        "-DKORVEX_BUILD_TESTS=OFF", "-DKORVEX_BUILD_TOOLS=OFF",
                        "-DKORVEX_BUILD_EXAMPLES=OFF", f"-DPython_EXECUTABLE={sys.executable}"]
                       + (["-DCMAKE_CXX_COMPILER_LAUNCHER=ccache"] if shutil.which("ccache") else []),
                       check=True)
        jobs = os.environ.get("CMAKE_BUILD_PARALLEL_LEVEL", str(os.cpu_count() or 1))
        subprocess.run(["cmake", "--build", str(build), "--target", "korvex_python",
                        "-j", jobs], check=True)
        built = next((build / "python" / "korvex").glob("_korvex*.so"))
        target = pathlib.Path(self.get_ext_fullpath(ext.name))
        target.parent.mkdir(parents=True, exist_ok=True)
        self.copy_file(str(built), str(target))


setup(ext_modules=[CMakeExtension("korvex._korvex")], cmdclass={"build_ext": CMakeBuild})
