#!/usr/bin/python3
"""Every file the build and the tests take from the machine comes from a package the scripts
install: each header under /usr/include that the compiler's dependency files name, each
shared library the executable loads, each Python module and program the tests call. A file
passes when its Debian package is named in scripts/packages.txt, or is pulled in by those as
apt-get installs them (Depends, Pre-Depends and Recommends, followed through), which covers
the compiler and the C library by way of g++. Exits 77 (skipped) without dpkg.

    package_guard.py PACKAGES_TXT BUILD_DIR EXECUTABLE --modules M... --programs P...
"""
import argparse
import glob
import os
import re
import shutil
import subprocess
import sys

SKIPPED = 77


def listed_packages(path):
    """The package names of every group of the package list."""
    names = set()
    with open(path, encoding="utf-8") as f:
        for line in f:
            line = line.split("#", 1)[0]
            if ":" in line:
                names.update(line.split(":", 1)[1].split())
    return names


def installed_fields():
    """Per installed package: the names it pulls in (every alternative) and what it provides."""
    out = subprocess.run(
        ["dpkg-query", "-W", "-f", "${Package}\t${Depends}, ${Pre-Depends}, ${Recommends}\t${Provides}\n"],
        check=True, capture_output=True, text=True).stdout
    pulls, providers = {}, {}
    for line in out.splitlines():
        package, needs, provides = line.split("\t")
        pulls[package] = {bare_name(n) for n in re.split(r"[,|]", needs) if n.strip()}
        for virtual in provides.split(","):
            if virtual.strip():
                providers.setdefault(bare_name(virtual), set()).add(package)
    return pulls, providers


def bare_name(relation):
    """The package of one relation: 'libfoo:any (>= 1.2)' gives 'libfoo'."""
    return relation.strip().split()[0].split(":")[0]


def closure(roots, pulls, providers):
    """The packages apt-get installs with the roots, as far as this machine has them."""
    seen, todo = set(), list(roots)
    while todo:
        name = todo.pop()
        if name in seen:
            continue
        seen.add(name)
        todo.extend(pulls.get(name, ()))
        todo.extend(providers.get(name, ()))
    return seen


def spellings(path):
    """The names dpkg may know a file by: both sides of a merged /usr, and its real path."""
    names = [path, os.path.realpath(path)]
    if path.startswith(("/usr/lib/", "/usr/bin/")):
        names.append(path[len("/usr"):])
    elif path.startswith(("/lib", "/bin/")):
        names.append("/usr" + path)
    return names


def owning_packages(paths):
    """The package that holds each file (None where dpkg knows none), asked in one dpkg call."""
    asked = {name for path in paths for name in spellings(path)}
    out = subprocess.run(["dpkg", "-S", *sorted(asked)], capture_output=True, text=True).stdout
    owner = {}
    for line in out.splitlines():
        packages, _, name = line.partition(": ")
        if name in asked:
            owner[name] = bare_name(packages.split(",")[0])
    return {path: next((owner[n] for n in spellings(path) if n in owner), None) for path in paths}


def included_headers(build_dir):
    """The headers under /usr/include that any object file of the build was compiled from."""
    headers = set()
    for depfile in glob.glob(os.path.join(build_dir, "**", "*.o.d"), recursive=True):
        with open(depfile, encoding="utf-8", errors="replace") as f:
            for token in f.read().replace("\\\n", " ").split():
                if token.startswith("/usr/include/"):
                    headers.add(os.path.normpath(token))
    return headers


def loaded_libraries(executable):
    out = subprocess.run(["ldd", executable], check=True, capture_output=True, text=True).stdout
    return {m.group(1) for m in re.finditer(r"=> (/\S+)", out)}


def module_files(modules):
    code = "import importlib,sys\nfor m in sys.argv[1:]: print(importlib.import_module(m).__file__)"
    out = subprocess.run(["/usr/bin/python3", "-c", code, *modules], capture_output=True, text=True)
    if out.returncode != 0:
        sys.exit(f"Debian's Python cannot import the tests' modules: {out.stderr.strip().splitlines()[-1]}")
    return {"/usr/bin/python3", *out.stdout.split()}


def program_files(programs):
    files = set()
    for program in programs:
        found = shutil.which(program, path="/usr/bin:/bin")
        if found is None:
            sys.exit(f"the tests call '{program}', which is not installed")
        files.add(found)
    return files


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("packages_txt")
    parser.add_argument("build_dir")
    parser.add_argument("executable")
    parser.add_argument("--modules", nargs="*", default=[])
    parser.add_argument("--programs", nargs="*", default=[])
    args = parser.parse_args()
    if shutil.which("dpkg") is None:
        print("no dpkg on this machine: cannot tell which package a file comes from; skipped")
        return SKIPPED

    pulls, providers = installed_fields()
    covered = closure(listed_packages(args.packages_txt), pulls, providers)
    files = (included_headers(args.build_dir) | loaded_libraries(args.executable)
             | module_files(args.modules) | program_files(args.programs))
    missing = {}
    for path, package in sorted(owning_packages(files).items()):
        if package is None:
            missing.setdefault("(no Debian package)", []).append(path)
        elif package not in covered:
            missing.setdefault(package, []).append(path)
    for package, paths in sorted(missing.items()):
        shown = ", ".join(paths[:3]) + (f" and {len(paths) - 3} more" if len(paths) > 3 else "")
        print(f"{package}: not in {args.packages_txt} nor pulled in by it; needed for {shown}")
    print(f"{len(files)} files checked, {len(missing)} packages missing")
    return 1 if missing else 0


if __name__ == "__main__":
    sys.exit(main())
