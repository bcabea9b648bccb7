# Shared by the copy benchmarks: the build folder, a work folder in memory
# (tmpfs) where the machine has one, since the disk's writeback of one run's
# files would otherwise slow down whichever copy runs next, and the median.
build=${1:-build/release}
base=${BENCH_DIR:-$( [ -d /dev/shm ] && echo /dev/shm || echo "${TMPDIR:-/tmp}" )}
work=$(mktemp -d "$base/ortelan-bench-XXXXXX")
trap 'rm -rf "$work"' EXIT
median() { printf '%s\n' "$@" | sort -g | sed -n "$((($# + 1) / 2))p"; }
