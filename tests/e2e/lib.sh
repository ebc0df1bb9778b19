# Helpers of the end-to-end tests, sourced by them.  The program runs with
# HOTARU_DIAG_FILE=$diag and appends a line of its observable state to that
# file whenever the state changes (app/Diagnostics.h); the helpers wait for
# and read those lines.  On failure the files in $out are kept in $keep.

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

# Waits until the program's current state (the file's last line) matches;
# the line is left in $line.
wait_state() {  # REGEX TIMEOUT_S WHAT
  local i
  for ((i = 0; i < $2 * 10; i++)); do
    line=$(tail -n 1 "$diag" 2>/dev/null)
    grep -qE -- "$1" <<<"$line" && return 0
    sleep 0.1
  done
  fail "timed out waiting for $3"
}

# A field of the last state line read by wait_state.
field() { sed -E "s/.*(^| )$1=([^ ]*).*/\2/" <<<"$line"; }
