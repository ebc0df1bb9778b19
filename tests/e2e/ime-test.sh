#!/usr/bin/env bash
# The editor with a real Japanese input method, as a user meets it: the
# program runs on a virtual X display with ibus and Mozc
# (scripts/ime/run-in-ime-session), real X key events type "nihongo",
# convert it and commit it, and the program's diagnostic file
# (HOTARU_DIAG_FILE, see app/Diagnostics.h) and screenshots are checked:
#   - while composing, the document and the undo history are untouched,
#     the caret stands at the input method's cursor in the preedit and the
#     rectangle the input method is given is the caret's;
#   - while converting, Mozc's candidate window opens just below that
#     rectangle, and the text being converted is shown where the caret
#     stood, underlined, the underline not hidden by the window;
#   - Return commits 日本語: its CP932 bytes stand at the caret, the caret
#     is behind them, the change is recorded for undo, the underline is
#     gone.
#
#   ime-test.sh HOTARU_PROGRAM SESSION_SCRIPT
#
# Exits 77 (skipped) when the machine has no input method to run, or when
# ibus loses Mozc as its engine in the session.
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
         "scripts/test installs them"
    exit 77
  fi
  # The session may run as another user: everything it reads goes to a
  # fresh world-readable folder.
  dir=$(mktemp -d)
  chmod 755 "$dir"
  cp "$1" "$dir/Hotaru"
  cp "$(dirname "$1")/Readme.txt" "$dir/"   # the help text, read at start
  cp "$0" "$dir/ime-test.sh"
  cp "$(dirname "$0")/lib.sh" "$dir/"
  printf 'ab' > "$dir/doc.txt"
  mkdir "$dir/keep"
  chmod -R a+rX "$dir"
  chmod 777 "$dir/keep"
  timeout -k 5 300 "$2" bash "$dir/ime-test.sh" --inside "$dir"
  rc=$?
  source "$(dirname "$0")/lib.sh"
  end_run $rc "$dir" ime-test "screenshots and states"
fi

# ---- inside the session ----
dir=$2
cd "$dir" || exit 1
out=$IME_SESSION_DIR
diag=$out/diag.txt
keep=$dir/keep
. "$dir/lib.sh"
# Dark pixels (of 100) in a screenshot's rectangle.
ink() {  # PNG X Y W H
  convert "$1" -crop "$4x$5+$2+$3" +repage -depth 8 txt:- |
    awk -F'[()]' 'NR > 1 { split($2, c, ","); n++; if (c[1] + c[2] + c[3] < 384) d++ }
                  END { print n ? int(100 * d / n) : 0 }'
}

HOTARU_DIAG_FILE=$diag "$dir/Hotaru" "$dir/doc.txt" >"$out/hotaru.log" 2>&1 &
pid=$!
trap 'kill $pid 2>/dev/null' EXIT
wait_state 'text=6162 ' 30 "the window with doc.txt"
IFS=, read -r vx vy vw vh <<<"$(field view)"

# Entering the editor the first time offers Binary open: Escape declines.
# With no window manager nothing activates the window again after the
# dialog: a second click does, as it would for a user.
xdotool mousemove --sync $((vx + vw / 2)) $((vy + vh / 2)) click 1
wait_state 'dialog=1' 30 "the Binary open dialog"
sleep 0.3
xdotool key Escape
wait_state 'dialog=0' 30 "the dialog to close"
xdotool click 1
wait_state 'focus=1 dialog=0' 30 "the editor's focus after the dialog"
# Between a and b; keys pass the input method while nothing is composed.
xdotool key ctrl+Home Right
wait_state 'focus=1 dialog=0 .* caret=1,0 ' 30 "the caret between a and b"
# The preedit is shown from here.
IFS=, read -r sx sy _ _ <<<"$(field caretrect)"

# Takes screenshots until CONDITION (evaluated with u, the dark share of
# the preedit's underline row: the cells' last pixel row) holds, for the
# repaint to catch up; up to 30 s.
shot_shows() {  # PNG CELLS CONDITION
  import -window root "$1"
  u=$(ink "$1" "$sx" $((sy + charh - 1)) $(($2 * cellw)) 1)
  eval "$3"
}
shoot_until() { poll 30 shot_shows "$@"; }

# The input method may take a while to link up with the program on a busy
# machine, and until it does keys reach the document as they are.  A probe
# key shows which: a preedit (cancelled with Escape) means the link is up;
# a typed k is undone and the probe tried again.
ime_linked() {
  xdotool key k
  poll 5 state_is 'preedit=[0-9a-f]+$|text=616b62 ' || return 1
  if state_is 'preedit=[0-9a-f]+$'; then
    xdotool key Escape
    wait_state 'caret=1,0 .* undo=0 text=6162 preedit=$' 30 "the probe's preedit to be cancelled"
    return 0
  fi
  xdotool key ctrl+z
  wait_state 'caret=1,0 .* undo=0 text=6162 ' 30 "the probe key to be undone"
  sleep 0.5
  return 1
}
if ! poll 30 ime_linked; then
  # With Mozc still ibus's engine the program failed to take the keys to
  # it; with another engine the session lost Mozc, and nothing of the
  # program's own can be checked.
  engine=$(timeout 10 ibus engine 2>&1)
  [ "$engine" = mozc-jp ] || {
    cp "$out"/* "$keep/" 2>/dev/null
    echo "SKIPPED: ibus's engine is '$engine', not Mozc; keys went straight to the document"
    exit 77
  }
  fail "keys never reached Mozc in 30 s, though it is ibus's engine"
fi

# Composing: neither the document nor the undo history changes, and the
# input method is given the caret's rectangle.
xdotool type --delay 60 nihongo
wait_state "preedit=$(hex にほんご)\$" 30 "the preedit にほんご"
[ "$(field text)" = 6162 ] || fail "the preedit changed the document"
[ "$(field undo)" = 0 ] || fail "the preedit was recorded for undo"
[ "$(field imrect)" = "$(field caretrect)" ] ||
  fail "input method rectangle $(field imrect) is not the caret's $(field caretrect)"
IFS=, read -r cx cy cw ch <<<"$(field caretrect)"
IFS=, read -r cellw charh <<<"$(field cell)"
[ "$vx" -le "$cx" ] && [ "$cx" -lt $((vx + vw)) ] || fail "the caret is outside the view"
# Mozc's cursor follows the typed reading: the caret stands behind にほんご.
[ "$cx" -eq $((sx + 8 * cellw)) ] && [ "$cy" -eq "$sy" ] ||
  fail "the caret at $cx,$cy is not at the input method's cursor, 8 cells from $sx,$sy"

# Converting: space converts, a second space opens the candidate window,
# Up selects 日本語 again.  The window hangs below the caret's rectangle,
# and the underlined preedit stays visible above it.
xdotool key space
wait_state "preedit=$(hex 日本語)\$" 30 "the conversion to 日本語"
xdotool key space
wait_state "preedit=$(hex ニホンゴ)\$" 30 "the second candidate ニホンゴ"
xdotool key Up
wait_state "preedit=$(hex 日本語)\$" 30 "日本語 selected again"
[ "$(field imrect)" = "$(field caretrect)" ] ||
  fail "input method rectangle $(field imrect) is not the caret's $(field caretrect)"
IFS=, read -r cx cy cw ch <<<"$(field caretrect)"
cand=$(timeout 30 xdotool search --sync --onlyvisible --classname '^mozc_renderer$' | head -n 1)
[ -n "$cand" ] || fail "no candidate window"
eval "$(xdotool getwindowgeometry --shell "$cand")"
[ $((Y - cy - ch)) -ge 0 ] && [ $((Y - cy - ch)) -le 2 ] && [ "$X" -le "$cx" ] && [ "$X" -ge $((cx - 60)) ] ||
  fail "the candidate window at $X,$Y is not anchored below the caret $cx,$cy,$cw,$ch"
# 日本語: six cells from the caret.
shoot_until "$out/converting.png" 6 '[ "$u" -ge 90 ]' || fail "no underline under the preedit ($u% dark)"
wait_state "preedit=$(hex 日本語)\$" 1 "the preedit still shown"
glyphs=$(ink "$out/converting.png" "$sx" "$sy" $((6 * cellw)) $((charh - 2)))
[ "$glyphs" -ge 5 ] && [ "$glyphs" -le 60 ] || fail "the preedit text is not shown at the caret ($glyphs% dark)"

# Committing: 日本語 (CP932 93FA 967B 8CEA) at the caret, in one undo step,
# the caret behind it, the underline gone.
xdotool key Return
wait_state "text=6193fa967b8cea62 " 30 "日本語 committed at the caret"
[ "$(field preedit)" = "" ] || fail "a preedit is left after the commit"
[ "$(field caret)" = "7,0" ] || fail "the caret is at $(field caret), not behind 日本語"
[ "$(field undo)" = 1 ] || fail "the commit was not recorded for undo"
shoot_until "$out/committed.png" 6 '[ "$u" -le 60 ]' || fail "the underline stayed after the commit ($u% dark)"
echo "PASSED: composed and converted underlined at the caret, candidate window at $X,$Y below the caret $cx,$cy,$cw,$ch, 日本語 committed"
exit 0
