# Shared by the tests of the real executable on copies of the example river system:
# sourced with FLOWPLEX and EXAMPLES_DIR as the script's two arguments. Gives $flowplex,
# $examples, a scratch folder $work removed at exit, fail (notes a failure and goes on),
# $failed, and fresh NAME (a new copy of the examples in $work/NAME).
set -uo pipefail
flowplex=$(realpath "$1") examples=$(realpath "$2")
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failed=0
fail() { echo "FAILED: $*"; failed=1; }
fresh() { rm -rf "$work/$1" && mkdir -p "$work/$1" && cp "$examples"/* "$work/$1"/; }
