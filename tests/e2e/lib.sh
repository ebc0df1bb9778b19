# Helpers of the end-to-end tests, sourced by them.  The program runs with
# HOTARU_DIAG_FILE=$diag and appends a line of its observable state to that
# file whenever the state changes (app/Diagnostics.h); the helpers wait for
# and read those lines.  On failure the files in $out are kept in $keep.

# Outside the display, after the run inside: says a time-out, keeps what a
# failed run left in DIR/keep as ./NAME-failure, removes DIR and exits with
# the run's status.
end_run() {  # STATUS DIR NAME WHAT_IS_KEPT
  [ "$1" -eq 124 ] && echo "FAILED: timed out"
  if [ "$1" -ne 0 ] && [ -n "$(ls -A "$2/keep")" ]; then
    rm -rf "$3-failure" && cp -r "$2/keep" "$3-failure" && echo "$4 kept in $PWD/$3-failure"
  fi
  rm -rf "$2"
  exit "$1"
}

# Outside the display: checks the tools, makes the run's folder and runs
# this script again with --inside under xvfb-run, then ends the run
# (end_run); skipped (77) when a tool is missing.
run_outside() {  # NAME WHAT_IS_KEPT HOTARU_PROGRAM
  [ $# -eq 3 ] || { echo "usage: $0 HOTARU_PROGRAM" >&2; exit 2; }
  local missing=() t dir rc
  for t in xvfb-run Xvfb xauth xdotool timeout od; do
    command -v "$t" >/dev/null 2>&1 || missing+=("$t")
  done
  if [ ${#missing[@]} -gt 0 ]; then
    echo "SKIPPED: no virtual display to drive (missing: ${missing[*]}); scripts/test installs them"
    exit 77
  fi
  dir=$(mktemp -d)
  mkdir "$dir/out" "$dir/keep" "$dir/home"
  chmod 700 "$dir/home"
  timeout -k 5 300 xvfb-run -a -s "-screen 0 1024x768x24 -nolisten tcp" \
    bash "$0" --inside "$(realpath "$3")" "$dir" "$(dirname "$(realpath "$0")")"
  rc=$?
  end_run $rc "$dir" "$1" "$2"
}

hex() { printf '%s' "$1" | od -An -tx1 | tr -d ' \n'; }

fail() {
  echo "FAILED: $*"
  echo "--- last states:"
  tail -n 5 "$diag" 2>/dev/null
  echo "--- the program's output:"
  tail -n 20 "$out/hotaru.log" 2>/dev/null
  cp "$out"/* "$keep/" 2>/dev/null
  exit 1
}

# Runs COMMAND until it succeeds, for up to TIMEOUT_S seconds of wall time
# (on a busy machine one try may itself take long).
poll() {  # TIMEOUT_S COMMAND [ARGS...]
  local t0=${EPOCHREALTIME/./} limit=$1
  shift
  until "$@"; do
    (( ${EPOCHREALTIME/./} - t0 >= limit * 1000000 )) && return 1
    sleep 0.1
  done
}

# The program's current state (the file's last line) matches REGEX; the
# line is left in $line.
state_is() { line=$(tail -n 1 "$diag" 2>/dev/null); grep -qE -- "$1" <<<"$line"; }

# Waits until the program's current state matches.
wait_state() {  # REGEX TIMEOUT_S WHAT
  poll "$2" state_is "$1" || fail "timed out after $2 s waiting for $3"
}

# A field of the last state line read by wait_state.
field() { sed -E "s/.*(^| )$1=([^ ]*).*/\2/" <<<"$line"; }
