#!/usr/bin/env bash
# Unsaved text survives the program being killed: the real program on a
# virtual X display (xvfb-run), driven by real X key and mouse events
# (xdotool).  Text is typed into a file's document; once the recovery copy
# is written and the journal beside it has had time to take the last keys
# (at most two seconds after them), the program is killed with SIGKILL.  Started again on the same file it offers the copy; Yes (Enter,
# the default) brings the text back, Save through the menu writes it to the
# file, and the file's bytes are checked.  A third start asks nothing.
#
#   recovery-test.sh HOTARU_PROGRAM
#
# Exits 77 (skipped) when the tools to run it are missing.
set -u

if [ "${1:-}" != --inside ]; then
  source "$(dirname "$0")/lib.sh"
  run_outside recovery-test "states and recovery copies" "$@"
fi

# ---- inside the virtual display ----
program=$2 dir=$3
out=$dir/out keep=$dir/keep
. "$4/lib.sh"
cd "$dir" || exit 1
export HOME=$dir/home XDG_CONFIG_HOME=$dir/home/.config XDG_RUNTIME_DIR=$dir/home \
       XDG_STATE_HOME=$dir/home/state LANG=C.UTF-8 LC_ALL=C.UTF-8 QT_QPA_PLATFORM=xcb
unset QT_IM_MODULE
copies=$XDG_STATE_HOME/hotaru/recovery
crlf=$'\r\n'

doc="first line${crlf}second line"
printf '%s' "$doc" >doc.txt

pid=
trap '[ -n "$pid" ] && { kill -9 $pid && wait $pid; } 2>/dev/null; cp -r "$copies" "$out/" 2>/dev/null' EXIT
# Starts the program on doc.txt; its states go to $diag.
start() {  # RUN_NUMBER
  diag=$out/diag$1.txt
  HOTARU_DIAG_FILE=$diag "$program" "$dir/doc.txt" >>"$out/hotaru.log" 2>&1 &
  pid=$!
}
recovery_copies() { ls "$copies"/*.recovery 2>/dev/null | wc -l; }

# 1. Type at the end, wait for the copy, kill the program.
start 1
wait_state "text=$(hex "$doc") " 30 "the window with doc.txt"
IFS=, read -r ax ay aw ah <<<"$(field area)"
# Entering the editor the first time offers Binary open: Escape declines,
# and a second click gives the editor the focus again.
xdotool mousemove --sync $((ax + aw / 2)) $((ay + ah / 2)) click 1
wait_state 'dialog=1' 30 "the Binary open dialog"
sleep 0.3
xdotool key Escape
wait_state 'dialog=0' 30 "the dialog to close"
xdotool click 1
wait_state 'focus=1 dialog=0' 30 "the editor's focus"
xdotool key ctrl+End
xdotool type --delay 30 ' typed before the crash'
doc+=" typed before the crash"
wait_state "text=$(hex "$doc") " 30 "the typed text"
copies_are() { [ "$(recovery_copies)" -eq "$1" ]; }
poll 30 copies_are 1 || fail "no recovery copy 30 s after typing"
# The last keys reach the copy's journal at most two seconds after them.
sleep 3
{ kill -9 $pid && wait $pid; } 2>/dev/null
pid=
[ "$(od -An -tx1 doc.txt | tr -d ' \n')" = "$(hex "first line${crlf}second line")" ] ||
  fail "doc.txt changed before it was saved"

# 2. Started again: the offer, Yes by Enter, then Save through the menu
# (the first title, ファイル, and its third item, 上書き保存).
start 2
wait_state 'dialog=1' 30 "the offer to restore"
sleep 0.3
xdotool key Return
wait_state "dialog=0 .* text=$(hex "$doc") " 30 "the restored text"
IFS=, read -r mx my mw mh <<<"$(field menu)"
xdotool mousemove --sync $((mx + mw / 2)) $((my + mh / 2)) click 1
sleep 0.5
xdotool key Down Down Down Return
saved_as() { [ "$(od -An -tx1 doc.txt | tr -d ' \n')" = "$(hex "$1")" ]; }
poll 30 saved_as "$doc"
got=$(od -An -tx1 doc.txt | tr -d ' \n')
[ "$got" = "$(hex "$doc")" ] || fail "the saved bytes differ:
  got      $got
  expected $(hex "$doc")"
poll 30 copies_are 0 || fail "the recovery copy is still there after saving"
{ kill -9 $pid && wait $pid; } 2>/dev/null
pid=

# 3. Started once more: the file opens and nothing is asked.
start 3
wait_state "text=$(hex "$doc") " 30 "the saved file opened again"
sleep 1
grep -q 'dialog=1' "$diag" && fail "a question was asked on the third start"
echo "PASSED: the text typed before SIGKILL was restored, saved ($(wc -c <doc.txt) bytes) and not offered again"
exit 0
