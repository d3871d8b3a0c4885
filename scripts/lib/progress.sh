# Sourced by the scripts: the progress of a long build step on one line per
# stage, read from the step's output (which goes to a log as well).
#
#   some_build 2>&1 | tee LOG | build_progress "  PREFIX"
#
# CMake's configure checks are counted in fifties, ninja's "[n/N]" lines are
# shown in steps of 10%.
build_progress() {
  awk -v prefix="$1" '
    /^-- (Looking for|Performing Test|Check|Detecting)/ {
      checks++
      if (checks == 1) { printf "%s configuring ...\n", prefix; fflush() }
      else if (checks % 50 == 0) { printf "%s configuring (%d checks)\n", prefix, checks; fflush() }
      next
    }
    match($0, /^\[[0-9]+\/[0-9]+\]/) {
      split(substr($0, 2, RLENGTH - 2), count, "/")
      step = int(count[1] * 10 / count[2]) * 10
      if (step > shown) {
        printf "%s building %3d%%  (%d of %d steps)\n", prefix, step, count[1], count[2]
        fflush()
        shown = step
      }
    }'
}
