"""Builds the module flowplex._core with the project's CMake, in Release, and puts it in
the package; pyproject.toml says the rest."""
import os
import subprocess

from setuptools import Extension, setup
from setuptools.command.build_ext import build_ext

ROOT = os.path.dirname(os.path.abspath(__file__))


class CMakeBuild(build_ext):
    def build_extension(self, ext):
        build = os.path.join(os.path.abspath(self.build_temp), "cmake")
        package = os.path.dirname(os.path.abspath(self.get_ext_fullpath(ext.name)))
        configure = ["cmake", "-S", ROOT, "-B", build, "-DCMAKE_BUILD_TYPE=Release", "-DFLOWPLEX_TESTS=OFF",
                     "-DPython_EXECUTABLE=/usr/bin/python3"]
        subprocess.run(configure, check=True)
        jobs = os.environ.get("CMAKE_BUILD_PARALLEL_LEVEL", str(len(os.sched_getaffinity(0))))
        subprocess.run(["cmake", "--build", build, "-j", jobs, "--target", "flowplex_python"], check=True)
        os.makedirs(package, exist_ok=True)
        self.copy_file(os.path.join(build, "python", "flowplex", os.path.basename(self.get_ext_filename(ext.name))),
                       self.get_ext_fullpath(ext.name))


setup(ext_modules=[Extension("flowplex._core", sources=[])], cmdclass={"build_ext": CMakeBuild})
