#!/usr/bin/env bash
# The editor with a real Japanese input method, as a user meets it: the
# program runs on a virtual X display with ibus and Mozc
# (scripts/ime/run-in-ime-session), real X key events type "nihongo",
# convert it and commit it, and the program's diagnostic file
# (HOTARU_DIAG_FILE, see app/Diagnostics.h) and screenshots are checked:
#   - while composing, the document and the undo history are untouched, the
#     text being composed is shown at the caret, underlined, and the
#     rectangle the input method is given for its candidate window is the
#     caret's;
#   - Return commits 日本語: its CP932 bytes stand at the caret, the caret
#     is behind them, one undo step records them, the underline is gone.
#
#   ime-test.sh HOTARU_PROGRAM SESSION_SCRIPT
#
# Exits 77 (skipped) when the machine has no input method to run.
set -u

if [ "${1:-}" != --inside ]; then
  [ $# -eq 2 ] || { echo "usage: $0 HOTARU_PROGRAM SESSION_SCRIPT" >&2; exit 2; }
  missing=()
  for t in Xvfb dbus-daemon ibus-daemon ibus xdotool import convert setpriv timeout; do
    command -v "$t" >/dev/null 2>&1 || missing+=("$t")
  done
  [ -x /usr/lib/ibus-mozc/ibus-engine-mozc ] || missing+=(ibus-mozc)
  [ -x /usr/lib/mozc/mozc_server ] || missing+=(mozc-server)
  if [ ${#missing[@]} -gt 0 ]; then
    echo "SKIPPED: no input method session on this machine (missing: ${missing[*]});" \
         "scripts/deps.sh installs them"
    exit 77
  fi
  # The session may run as another user: everything it reads goes to a
  # fresh world-readable folder.
  dir=$(mktemp -d)
  chmod 755 "$dir"
  cp "$1" "$dir/Hotaru"
  cp "$(dirname "$1")/Readme.txt" "$dir/"   # the help text, read at start
  cp "$0" "$dir/ime-test.sh"
  printf 'ab' > "$dir/doc.txt"
  mkdir "$dir/keep"
  chmod -R a+rX "$dir"
  chmod 777 "$dir/keep"
  timeout -k 5 120 "$2" bash "$dir/ime-test.sh" --inside "$dir"
  rc=$?
  [ $rc -eq 124 ] && echo "FAILED: timed out"
  if [ $rc -ne 0 ] && [ -n "$(ls -A "$dir/keep")" ]; then
    rm -rf ime-test-failure && cp -r "$dir/keep" ime-test-failure &&
      echo "screenshots and states kept in $PWD/ime-test-failure"
  fi
  rm -rf "$dir"
  exit $rc
fi

# ---- inside the session ----
dir=$2
cd "$dir" || exit 1
out=$IME_SESSION_DIR
diag=$out/diag.txt
hex() { printf '%s' "$1" | od -An -tx1 | tr -d ' \n'; }
fail() {
  echo "FAILED: $*"
  echo "--- last states:"
  tail -n 5 "$diag" 2>/dev/null
  echo "--- the program's output:"
  tail -n 20 "$out/hotaru.log" 2>/dev/null
  cp "$out"/* "$dir/keep/" 2>/dev/null
  exit 1
}
# Waits until the program's current state (the file's last line) matches.
wait_state() {  # REGEX TIMEOUT_S WHAT
  local i
  for ((i = 0; i < $2 * 10; i++)); do
    line=$(tail -n 1 "$diag" 2>/dev/null)
    grep -qE -- "$1" <<<"$line" && return 0
    sleep 0.1
  done
  fail "timed out waiting for $3"
}
field() { sed -E "s/.*(^| )$1=([^ ]*).*/\2/" <<<"$line"; }
# Dark pixels (of 100) in a screenshot's rectangle.
ink() {  # PNG X Y W H
  convert "$1" -crop "$4x$5+$2+$3" +repage -depth 8 txt:- |
    awk -F'[()]' 'NR > 1 { split($2, c, ","); n++; if (c[1] + c[2] + c[3] < 384) d++ }
                  END { print n ? int(100 * d / n) : 0 }'
}

HOTARU_DIAG_FILE=$diag "$dir/Hotaru" "$dir/doc.txt" >"$out/hotaru.log" 2>&1 &
pid=$!
trap 'kill $pid 2>/dev/null' EXIT
wait_state 'text=6162 ' 15 "the window with doc.txt"
IFS=, read -r vx vy vw vh <<<"$(field view)"

# Entering the editor the first time offers Binary open: Escape declines.
# With no window manager nothing activates the window again after the
# dialog: a second click does, as it would for a user.
xdotool mousemove --sync $((vx + vw / 2)) $((vy + vh / 2)) click 1
wait_state 'dialog=1' 10 "the Binary open dialog"
sleep 0.3
xdotool key Escape
wait_state 'dialog=0' 10 "the dialog to close"
xdotool click 1
wait_state 'focus=1 dialog=0' 10 "the editor's focus after the dialog"
# Between a and b; keys pass the input method while nothing is composed.
xdotool key ctrl+Home Right
wait_state 'focus=1 dialog=0 .* caret=1,0 ' 10 "the caret between a and b"

# Takes screenshots until CONDITION (evaluated with u, the dark share of
# the underline row) holds, for the repaint to catch up.
shoot_until() {  # PNG CONDITION
  local i
  for ((i = 0; i < 20; i++)); do
    import -window root "$1"
    u=$(ink "$1" "$cx" $((cy + charh)) $((8 * cellw)) 1)
    eval "$2" && return 0
    sleep 0.25
  done
  return 1
}

# Composing.
xdotool type --delay 60 nihongo
wait_state "preedit=$(hex にほんご)\$" 15 "the preedit にほんご"
[ "$(field text)" = 6162 ] || fail "the preedit changed the document"
[ "$(field undo)" = 0 ] || fail "the preedit was recorded for undo"
[ "$(field imrect)" = "$(field caretrect)" ] ||
  fail "input method rectangle $(field imrect) is not the caret's $(field caretrect)"
IFS=, read -r cx cy cw ch <<<"$(field caretrect)"
IFS=, read -r cellw charh <<<"$(field cell)"
[ "$vx" -le "$cx" ] && [ "$cx" -lt $((vx + vw)) ] || fail "the caret is outside the view"
# にほんご: eight cells from the caret, the underline one character height below its top.
shoot_until "$out/composing.png" '[ "$u" -ge 90 ]'
wait_state "preedit=$(hex にほんご)\$" 1 "the preedit still shown"
below=$(ink "$out/composing.png" "$cx" $((cy + charh + 1)) $((8 * cellw)) 1)
glyphs=$(ink "$out/composing.png" "$cx" "$cy" $((8 * cellw)) "$charh")
[ "$u" -ge 90 ] || fail "no underline under the preedit ($u% dark)"
[ "$below" -le 20 ] || fail "the underline is no line ($below% dark below it)"
[ "$glyphs" -ge 5 ] || fail "the preedit text is not shown at the caret ($glyphs% dark)"

# Converting and committing.
xdotool key space
wait_state "preedit=$(hex 日本語)\$" 15 "the conversion to 日本語"
xdotool key Return
# 日本語 in CP932 is 93FA 967B 8CEA.
wait_state "text=6193fa967b8cea62 " 15 "日本語 committed at the caret"
[ "$(field preedit)" = "" ] || fail "a preedit is left after the commit"
[ "$(field caret)" = "7,0" ] || fail "the caret is at $(field caret), not behind 日本語"
[ "$(field undo)" = 1 ] || fail "the commit was not recorded for undo"
shoot_until "$out/committed.png" '[ "$u" -le 30 ]'
[ "$u" -le 30 ] || fail "the underline stayed after the commit ($u% dark)"
echo "PASSED: にほんご composed underlined at the caret (input method rectangle $(field imrect)), 日本語 committed"
exit 0
