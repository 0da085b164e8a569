"""Builds the Python module korven: its native part is built by CMake (the
engine linked in statically), its Python files come from python/korven.
See the README's Python section for the install command."""

import os
import shutil
import subprocess
import sys
from pathlib import Path

from setuptools import Extension, setup
from setuptools.command.build_ext import build_ext

SOURCE = Path(__file__).resolve().parent


class CMakeExtension(Extension):
    def __init__(self, name):
        super().__init__(name, sources=[])


class CMakeBuild(build_ext):
    def build_extension(self, ext):
        # The module goes where setuptools expects it: <dir>/korven/_korven....so.
        package_parent = Path(self.get_ext_fullpath(ext.name)).resolve().parent.parent
        build = Path(self.build_temp).resolve() / "cmake"
        generator = ["-G", "Ninja"] if shutil.which("ninja") else []
        subprocess.run(["cmake", "-S", str(SOURCE), "-B", str(build), *generator,
                        "-DCMAKE_BUILD_TYPE=Release", "-DKORVEN_PYTHON=ON",
                        "-DKORVEN_BUILD_TESTS=OFF", f"-DPython_EXECUTABLE={sys.executable}",
                        f"-DKORVEN_PYTHON_DIR={package_parent}"], check=True)
        jobs = os.environ.get("CMAKE_BUILD_PARALLEL_LEVEL", "2")
        subprocess.run(["cmake", "--build", str(build), "--target", "korven_python", "-j", jobs],
                       check=True)


setup(ext_modules=[CMakeExtension("korven._korven")],
      cmdclass={"build_ext": CMakeBuild},
      # Beside the CMake build folder of the README's commands, not in it.
      options={"build": {"build_base": "build-pip"}})
