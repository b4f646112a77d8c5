#!/usr/bin/python3
"""The executable has the AVX2 clones of the hot loops (src/generation/vector_clones.hpp)
exactly when the build is meant to: GCC names each clone after its target, "<symbol>.avx2",
next to "<symbol>.default" and the loader's "<symbol>.resolver", in the symbol table.

    vector_clones.py EXECUTABLE present|absent
"""
import re
import sys


def clone_symbols(path):
    """The names in the file's string tables that end in a clone's suffix."""
    with open(path, "rb") as f:
        data = f.read()
    return sorted({m.group(0).decode() for m in re.finditer(rb"[A-Za-z0-9_$]+\.(?:avx2|resolver)(?=\0)", data)})


def main():
    executable, expected = sys.argv[1], sys.argv[2]
    found = clone_symbols(executable)
    avx2 = [name for name in found if name.endswith(".avx2")]
    if expected == "present":
        # The two hot loops: correlate (generator.cpp) and key_distances (transforms.cpp).
        missing = [loop for loop in ("correlate", "key_distances") if not any(loop in name for name in avx2)]
        if missing:
            print(f"no AVX2 clone of {missing} in {executable}; found {found}")
            return 1
    elif avx2:
        print(f"AVX2 clones in a build without them: {avx2}")
        return 1
    print(f"AVX2 clones {expected}: {avx2}")
    return 0


if __name__ == "__main__":
    sys.exit(main())
