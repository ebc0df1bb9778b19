#!/usr/bin/env bash
# The editor as a user meets it: the real program on a virtual X display
# (xvfb-run), driven by real X key and mouse events (xdotool).  A document
# is opened, typed into, walked by words and pages, selected with Shift,
# re-wrapped by dragging the wrap marker on the column ruler, saved
# through the menu and the save dialog, undone with Ctrl+Z and saved again
# with Ctrl+S; the saved file's bytes are compared with the expected ones,
# and the program's state lines (HOTARU_DIAG_FILE, app/Diagnostics.h) are
# checked on the way, the status line's text among them.  Ctrl+Y redoes,
# Alt+F opens the file menu and Ctrl+plus zooms.  Then the 検索 menu's
# keys replace every match and find one, and last F1 shows the help window.
#
#   keys-test.sh HOTARU_PROGRAM
#
# Exits 77 (skipped) when the tools to run it are missing.
set -u

if [ "${1:-}" != --inside ]; then
  source "$(dirname "$0")/lib.sh"
  run_outside keys-test states "$@"
fi

# ---- inside the virtual display ----
program=$2 dir=$3
out=$dir/out keep=$dir/keep diag=$out/diag.txt
. "$4/lib.sh"
cd "$dir" || exit 1
export HOME=$dir/home XDG_CONFIG_HOME=$dir/home/.config XDG_RUNTIME_DIR=$dir/home LANG=C.UTF-8 LC_ALL=C.UTF-8 \
       QT_QPA_PLATFORM=xcb
unset QT_IM_MODULE
crlf=$'\r\n'

# Row 0 is one 46-character line, rows 1 ... 97 are line02 ... line98:
# more than two pages of the first window.
last=97
doc="abcdefghijklmnopqrstuvwxyz0123456789ABCDEFGHIJ"
for ((i = 2; i <= last + 1; i++)); do doc+=$crlf$(printf 'line%02d' $i); done
printf '%s' "$doc" >doc.txt

HOTARU_DIAG_FILE=$diag "$program" "$dir/doc.txt" >"$out/hotaru.log" 2>&1 &
pid=$!
trap 'kill $pid 2>/dev/null' EXIT
wait_state "text=$(hex "$doc") " 30 "the window with doc.txt"
IFS=, read -r vx vy vw vh <<<"$(field view)"
IFS=, read -r ax ay aw ah <<<"$(field area)"
IFS=, read -r cellw charh <<<"$(field cell)"
rowh=$(field rowh)
page=$((ah / rowh))   # whole rows shown
# Waits until the document's bytes and the caret are these.
expect() {  # BYTES CARET WHAT
  wait_state "caret=$2 .* text=$(hex "$1") " 30 "$3"
}

# Entering the editor the first time offers Binary open: Escape declines.
# With no window manager nothing activates the window again after the
# dialog: a second click does.
xdotool mousemove --sync $((ax + aw / 2)) $((ay + ah / 2)) click 1
wait_state 'dialog=1' 30 "the Binary open dialog"
sleep 0.3
xdotool key Escape
wait_state 'dialog=0' 30 "the dialog to close"
xdotool click 1
wait_state 'focus=1 dialog=0' 30 "the editor's focus after the dialog"

# Typing at the end: Enter, ASCII and Tab.
xdotool key ctrl+End Return
xdotool type --delay 30 'Hello world'
xdotool key Tab
xdotool type --delay 30 'end'
doc+="${crlf}Hello world	end"
expect "$doc" 15,$((last + 1)) "the typed line"
# The status line: the logical line from 1, the column as the bytes
# before the caret + 1, and the edited mark.
wait_state "status=$(hex "行 $((last + 2))、桁 16 | 挿入 | CRLF | Shift_JIS | 変更あり") " 30 "the status line after typing"

# By words: back over the tab to "world", then forward to "end".
xdotool key ctrl+Left ctrl+Left
xdotool type --delay 30 'big '
doc=${doc%world*}"big world	end"
expect "$doc" 10,$((last + 1)) "big before world"
xdotool key ctrl+Right
xdotool type --delay 30 'the '
doc=${doc%end}"the end"
expect "$doc" 20,$((last + 1)) "the before end"

# By pages: a page down moves the caret a whole view of rows.
xdotool key ctrl+Home Next
wait_state "top=$page .* caret=0,$page " 30 "a page down"
xdotool type P
doc=${doc/$(printf 'line%02d' $((page + 1)))/P$(printf 'line%02d' $((page + 1)))}
expect "$doc" 1,$page "P typed a page down"
xdotool key Prior
xdotool type Q
doc=a"Q"${doc#a}
expect "$doc" 2,0 "Q typed a page up"

# Shift selections: with Shift held the last three characters of row 0,
# deleted; then twice Shift+Left, Shift released in between, which starts
# the selection afresh: only F is selected, and typing replaces it.
xdotool key End
xdotool keydown shift key Left Left Left keyup shift
wait_state 'sel=47,0,44,0 ' 30 "three characters selected"
xdotool key Delete
doc=${doc/HIJ/}
expect "$doc" 44,0 "the selection deleted"
xdotool key shift+Left shift+Left
wait_state 'sel=43,0,42,0 ' 30 "the second Shift+Left's selection"
xdotool type -- '-'
doc=${doc/DEFG/DE-G}
expect "$doc" 43,0 "the selection replaced"

# The wrap marker: select row 0 in the left margin, then drag the "<" of
# the ruler from the wrap column (60) to column 20.
rows=$(field rows)
xdotool mousemove --sync $((vx + 4)) $((ay + rowh / 2))
sleep 0.2
xdotool click 1
wait_state 'rowsel=0,0 ' 30 "row 0 selected"
ry=$(((vy + ay) / 2))
xdotool mousemove --sync $((ax + 60 * cellw + 1)) "$ry"
sleep 0.2
xdotool mousedown 1
sleep 0.2
xdotool mousemove --sync $((ax + 40 * cellw + 1)) "$ry"
sleep 0.1
xdotool mousemove --sync $((ax + 20 * cellw + 1)) "$ry"
sleep 0.2
xdotool mouseup 1
wait_state "rows=$((rows + 2)) " 30 "row 0 wrapped in three rows"
xdotool key Escape
wait_state 'rowsel=-1,-1 ' 30 "the row selection cleared"
# Row 1 now continues row 0 from its 21st character.
xdotool key ctrl+Home Down Right Right
xdotool type W
doc=${doc:0:22}W${doc:22}
expect "$doc" 3,1 "W typed on the continuation row"

# Saving through the menu: the first title (ファイル), its fourth item
# (名前を付けて保存), then the file's path in the save dialog.
IFS=, read -r mx my mw mh <<<"$(field menu)"
xdotool mousemove --sync $((mx + mw / 2)) $((my + mh / 2)) click 1
sleep 0.5
xdotool key Down Down Down Down Return
wait_state 'dialog=1' 30 "the save dialog"
sleep 0.5
xdotool key ctrl+a
xdotool type --delay 20 "$dir/saved.txt"
xdotool key Return
# Row 0 has a wrap column of its own, which the text style does not keep:
# asked once, Y (はい) saves the text.
wait_state "dialogtitle=$(hex '確認') " 30 "the question before the layout is dropped"
sleep 0.3
xdotool key y
wait_state 'dialog=0' 30 "the save dialog and the question to close"
poll 30 test -s saved.txt || fail "nothing was saved"
got=$(od -An -tx1 saved.txt | tr -d ' \n')
[ "$got" = "$(hex "$doc")" ] || fail "the saved bytes differ:
  got      $got
  expected $(hex "$doc")"

# The menu items' keys: Ctrl+Z undoes one typed character, Ctrl+S saves
# to the current file (saved.txt) without a dialog.  A click at the caret
# activates the window again without moving the caret.
IFS=, read -r cx cy cw ch <<<"$(field caretrect)"
xdotool mousemove --sync $((cx + 1)) $((cy + ch / 2)) click 1
wait_state 'focus=1 dialog=0 .* caret=3,1 ' 30 "the editor's focus after saving"
xdotool type U
expect "${doc:0:23}U${doc:23}" 4,1 "U typed"
xdotool key ctrl+z
expect "$doc" 3,1 "U undone by Ctrl+Z"
xdotool key ctrl+y
expect "${doc:0:23}U${doc:23}" 3,1 "U redone by Ctrl+Y"
xdotool key ctrl+z
expect "$doc" 3,1 "U undone again"
xdotool type S
doc=${doc:0:23}S${doc:23}
expect "$doc" 4,1 "S typed"
xdotool key ctrl+s
saved_is_doc() { [ "$(od -An -tx1 saved.txt | tr -d ' \n')" = "$(hex "$doc")" ]; }
poll 30 saved_is_doc || fail "Ctrl+S did not save the document"
wait_state 'dialog=0' 1 "no dialog after Ctrl+S"
wait_state "status=$(hex '行 1、桁 25 | 挿入 | CRLF | Shift_JIS') " 30 "the status line without the edited mark"

# Alt+F opens the file menu (its mnemonic); Escape closes it.
xdotool key alt+f
wait_state 'popup=1 ' 30 "the file menu opened by Alt+F"
xdotool key Escape
wait_state 'popup=0 ' 30 "the file menu to close"
xdotool key Escape
# Ctrl+plus makes the text larger, Ctrl+0 gives the first size back.
xdotool key ctrl+plus
wait_state 'font=10 ' 30 "the text zoomed by Ctrl+plus"
cell_zoomed=$(field cell)
[ "$cell_zoomed" != "$cellw,$charh" ] || fail "the cells did not grow with the font"
xdotool key ctrl+0
wait_state 'font=9 ' 30 "the text back to its first size"

# Replace through the 検索 menu's keys: Ctrl+H opens the replace dialog
# (not modal, so the state still says dialog=0), Alt+P goes to the
# replacement, Alt+A replaces every match; after Escape and a click back
# into the editor one Ctrl+Z undoes them all.
saved=$doc
xdotool key ctrl+h
sleep 0.8
xdotool type --delay 20 'line'
xdotool key alt+p
xdotool type --delay 20 'LN'
xdotool key alt+a
doc=${doc//line/LN}
wait_state "text=$(hex "$doc") " 30 "every line replaced by LN"
xdotool key Escape
sleep 0.3
IFS=, read -r cx cy cw ch <<<"$(field caretrect)"
xdotool mousemove --sync $((cx + 1)) $((cy + ch / 2)) click 1
wait_state 'focus=1 ' 30 "the editor's focus after the replace dialog"
xdotool key ctrl+z
doc=$saved
wait_state "text=$(hex "$doc") " 30 "the replacements undone in one step"
# Find: Ctrl+F, the word, Enter selects it (the last numbered line, the
# row before the last).
word=$(printf 'line%02d' $((last + 1)))
found=$(($(field rows) - 2))
xdotool key ctrl+f
sleep 0.8
xdotool key ctrl+a
xdotool type --delay 20 "$word"
xdotool key Return
wait_state "sel=0,$found,6,$found " 30 "$word found and selected"
# F1 shows the help window, once the find dialog is closed and the editor
# has the keys again.
xdotool key Escape
sleep 0.3
xdotool mousemove --sync $((ax + 2)) $((ay + 2)) click 1
wait_state 'focus=1 ' 30 "the editor's focus after the find dialog"
xdotool key F1
wait_state 'help=1' 30 "the help window shown by F1"
echo "PASSED: typed, moved by words and pages, selected, re-wrapped at column 20, saved $(wc -c <saved.txt) bytes as expected, undid with Ctrl+Z, redid with Ctrl+Y, saved with Ctrl+S; the status line, Alt+F and Ctrl+plus; replaced all and found through the 検索 menu; F1"
exit 0
