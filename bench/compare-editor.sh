#!/usr/bin/env bash
# Hotaru beside vim on the same files: resident memory and whole-process load
# time of the real programs.
#
#   bench/compare-editor.sh [HOTARU_BINARY]      (default build/rel/Hotaru)
#
# Environment: RUNS (runs per editor and file, default 3; the median is
# reported), HOTARU_BENCH (the benchmark executable that writes the files,
# default: bench/hotaru_bench beside the binary), QUIET_MS (how long a process
# must stay idle to count as settled, default 1000).
#
# What it measures, for each editor and each file:
# - The files: the benchmarks' own (hotaru_bench --write_row_files):
#   prose64.txt, 64 MiB of CP932 Japanese prose with CR LF line ends, and
#   short10m.txt, 10,000,000 short CP932 rows.  Plus an empty file.
# - The editor is started with the file and left alone until it is idle: its
#   CPU time (all threads) has not moved by more than one tick and its resident
#   size by more than 256 KiB for QUIET_MS, and the file is known to be loaded
#   whole (Hotaru: the window title is the file's path, which is set only after
#   a load succeeded; vim: a -c command wrote the buffer's line count, which
#   must equal the file's).
# - Memory, sampled once idle: VmRSS (/proc/PID/status), Rss and Pss
#   (/proc/PID/smaps_rollup).  The figure compared is the resident memory
#   above the same editor's with the empty file: what the document costs.
# - Load time: from just before the process is started to the last moment its
#   CPU time moved before it went idle, i.e. start-up, reading the file and
#   drawing the first screen.  The empty file's time is the start-up alone.
#
# - The first key typed into a one-line file (oneline16.txt, oneline64.txt:
#   16 and 64 MiB of prose without a line end): once the editor is idle with
#   the file loaded, one character is typed at the start of the line (Hotaru:
#   an X key event once its state file, HOTARU_DIAG_FILE, says it has the
#   focus, which clicks in its text area give it (as tests/e2e/keys-test.sh
#   does), and Ctrl+Home has put the caret at the line's start; vim: a timer of its own, started by a file appearing, feeds it
#   "ia<Esc>").  Figures: the time from the key to the last moment the
#   process's CPU time moved before it went idle again (the key's whole work,
#   screen included), and the resident memory it added (VmRSS).
#
# Hotaru runs on the X11 (xcb) platform under its own Xvfb server (the script
# restarts itself under xvfb-run), with its own temporary XDG state and config
# folders, from the repository's top folder as scripts/run starts it.  vim runs
# in a pseudo-terminal of 120 x 50 cells (script -qfc) with no vimrc, no
# viminfo, no swap file, and latin1 as both its internal and file encoding,
# so it keeps the CP932 bytes as they are (checked: it writes each file back
# byte for byte); 'fileformats' dos,unix makes it store the rows without
# their CR, as Hotaru does, and 'nofixeol' keeps a file without a final line
# end (the one-line files) without one.
set -euo pipefail
shopt -s inherit_errexit   # a failing run stops the script, also inside $(...)
export LC_ALL=C

REPO=$(cd "$(dirname "$0")/.." && pwd)
HOTARU=$(realpath -m -- "${1:-$REPO/build/rel/Hotaru}")
BENCH=${HOTARU_BENCH:-$(dirname "$HOTARU")/bench/hotaru_bench}
RUNS=${RUNS:-3}
QUIET_MS=${QUIET_MS:-1000}
TIMEOUT_S=300       # a run that is not idle by then fails
SAMPLE_S=0.02       # sampling interval
VIM=/usr/bin/vim
VIM_ARGS=(-u NONE -i NONE -n --cmd 'set enc=latin1 fencs=latin1 ffs=dos,unix nofixeol')
FILES=(empty.txt prose64.txt short10m.txt)
KEY_FILES=(oneline16.txt oneline64.txt)

# Stops with a message.  Runs happen in subshells, which have no EXIT trap:
# the editor a failing run started is ended here.
die() {
  echo "compare-editor: $*" >&2
  local p
  for p in "${STARTED[@]}"; do kill "$p" 2>/dev/null || true; done
  exit 1
}

# ---------------------------------------------------------------- set-up ----

check_tools() {
  [ -x "$HOTARU" ] || die "no Hotaru binary at $HOTARU (build: cmake --build build/rel --target Hotaru hotaru_bench)"
  [ -x "$BENCH" ] || die "no hotaru_bench at $BENCH (set HOTARU_BENCH)"
  local t
  for t in "$VIM" script xvfb-run xdotool; do
    command -v "$t" >/dev/null || die "$t is missing"
  done
}

# Restarts this script under its own Xvfb server, once.
ensure_xvfb() {
  if [ -z "${COMPARE_EDITOR_XVFB:-}" ]; then
    COMPARE_EDITOR_XVFB=1 exec xvfb-run -a -s "-screen 0 1280x1024x24" "$0" "$@"
  fi
}

WORK=""
STARTED=()   # the processes of the current run, ended by die()

cleanup() { [ -z "$WORK" ] || rm -rf -- "$WORK"; }

make_files() {
  WORK=$(mktemp -d "${TMPDIR:-/tmp}/compare-editor-XXXXXX")
  mkdir -p "$WORK/state" "$WORK/config" "$WORK/runtime"
  chmod 700 "$WORK/runtime"
  "$BENCH" --write_row_files="$WORK" || die "hotaru_bench could not write the files"
  : >"$WORK/empty.txt"
}

# The row count an editor must show for a file: its line ends, or 1 for an
# empty file (one empty row).
expected_rows() {
  local n
  n=$(wc -l <"$1")
  echo $((n > 0 ? n : 1))
}

# vim with these settings must read and write each file unchanged.
check_vim_raw() {
  local f
  for f in "${FILES[@]}" "${KEY_FILES[@]}"; do
    TERM=xterm script -qfc "$(printf '%q ' "$VIM" "${VIM_ARGS[@]}" \
      -c "w! $WORK/copy" -c 'qa!' "$WORK/$f")" /dev/null </dev/null >/dev/null 2>&1
    cmp -s "$WORK/$f" "$WORK/copy" || die "vim changed the bytes of $f: the figures would not compare"
    rm -f "$WORK/copy"
  done
}

# ------------------------------------------------------------- sampling ----

now_us() { echo "${EPOCHREALTIME/./}"; }

# CPU time of process $1 (user + system, all threads), in clock ticks.
cpu_ticks() {
  local stat
  read -r stat <"/proc/$1/stat" || return 1
  stat=${stat##*) }   # the fields after the command name
  local -a f
  read -r -a f <<<"$stat"
  echo $((f[11] + f[12]))
}

# Field $2 (kB) of /proc/$1/status or, with $3 = rollup, of smaps_rollup.
mem_kib() {
  local file="/proc/$1/status" key value _
  [ "${3:-}" = rollup ] && file="/proc/$1/smaps_rollup"
  while read -r key value _; do
    if [ "$key" = "$2:" ]; then echo "$value"; return 0; fi
  done <"$file"
  return 1
}

# Waits until process $1 is idle and the check command $2 says the file is
# loaded; $3 is the start time (us).  Prints the load time in ms: up to the
# last sample at which the process still moved (more than one tick of CPU time
# or 256 KiB of resident memory; a lone tick, such as a timer's, is not work).
wait_idle() {
  local pid=$1 loaded=$2 t0=$3
  local ticks rss t ref_ticks=-100 ref_rss=-1000000 ref_t=0
  while :; do
    t=$(now_us)
    ticks=$(cpu_ticks "$pid") || die "the editor (pid $pid) ended before it was idle"
    # A process in the middle of exec shows no VmRSS for a moment.
    if ! rss=$(mem_kib "$pid" VmRSS); then
      kill -0 "$pid" 2>/dev/null || die "the editor (pid $pid) ended before it was idle"
      sleep "$SAMPLE_S"
      continue
    fi
    if ((ticks > ref_ticks + 1 || rss > ref_rss + 256 || rss < ref_rss - 256)); then
      ref_ticks=$ticks ref_rss=$rss ref_t=$t
    elif ((t - ref_t >= QUIET_MS * 1000)) && $loaded; then
      echo $(((ref_t - t0) / 1000))
      return 0
    fi
    ((t - t0 < TIMEOUT_S * 1000000)) || die "pid $pid not idle with the file loaded after $TIMEOUT_S s"
    sleep "$SAMPLE_S"
  done
}

# Prints "VmRSS Rss Pss" of process $1 in KiB.
sample_memory() {
  echo "$(mem_kib "$1" VmRSS) $(mem_kib "$1" Rss rollup) $(mem_kib "$1" Pss rollup)"
}

# Ends process $1 (started by this script) and waits for $2 (its launcher).
stop_process() {
  kill "$1" 2>/dev/null || true
  wait "$2" 2>/dev/null || true
  STARTED=()
}

# Waits until editor process $1 (started by launcher $2) is idle with the
# file loaded (check command $3; start time $4 in us), samples its memory and
# ends it; prints "load_ms VmRSS Rss Pss".
measure_run() {
  local ms mem
  ms=$(wait_idle "$1" "$3" "$4")
  mem=$(sample_memory "$1")
  stop_process "$1" "$2"
  echo "$ms $mem"
}

# ----------------------------------------------------------- the editors ----

# One run of Hotaru on file $1; prints "load_ms VmRSS Rss Pss".
run_hotaru() {
  local file=$1 t0 pid
  t0=$(now_us)
  (cd "$REPO" && exec env QT_QPA_PLATFORM=xcb XDG_STATE_HOME="$WORK/state" \
    XDG_CONFIG_HOME="$WORK/config" XDG_RUNTIME_DIR="$WORK/runtime" "$HOTARU" "$file") \
    >"$WORK/hotaru.log" 2>&1 &
  pid=$!
  STARTED=("$pid")
  measure_run "$pid" "$pid" "hotaru_shows $pid $file" "$t0"
}

# Whether a window of Hotaru process $1 is titled with path $2.
hotaru_shows() {
  local id
  for id in $(xdotool search --pid "$1" 2>/dev/null); do
    [ "$(xdotool getwindowname "$id" 2>/dev/null)" = "$2" ] && return 0
  done
  return 1
}

# Starts vim in a pseudo-terminal on file $1 with the extra arguments after
# it, and waits until it has read the file.  Sets T0 (the start), LAUNCHER
# and VIM_PID; the marker is $WORK/vim.marker.
start_vim() {
  local file=$1 marker="$WORK/vim.marker" cmd i
  shift
  rm -f "$marker"
  cmd=$(printf '%q ' "$VIM" "${VIM_ARGS[@]}" "$@" \
    -c "call writefile([getpid(), line('\$')], '$marker')" "$file")
  T0=$(now_us)
  TERM=xterm script -qfc "stty rows 50 cols 120; exec $cmd" /dev/null </dev/null >/dev/null 2>&1 &
  LAUNCHER=$!
  STARTED=("$LAUNCHER")
  # vim's own pid comes with the marker, written once the file is read.
  for ((i = 0; i < TIMEOUT_S * 50; i++)); do
    [ -s "$marker" ] && [ "$(wc -l <"$marker")" -eq 2 ] && break
    kill -0 "$LAUNCHER" 2>/dev/null || die "vim ended before it loaded $file"
    sleep "$SAMPLE_S"
  done
  VIM_PID=$(sed -n 1p "$marker")
  [ -n "$VIM_PID" ] || die "vim did not load $file within $TIMEOUT_S s"
  STARTED+=("$VIM_PID")
}

# One run of vim on file $1; prints "load_ms VmRSS Rss Pss".
run_vim() {
  local file=$1 marker="$WORK/vim.marker" t0 launcher pid
  start_vim "$file"
  t0=$T0 launcher=$LAUNCHER pid=$VIM_PID
  measure_run "$pid" "$launcher" "vim_has_rows $marker $file" "$t0"
}

# Whether vim's buffer (line count in marker $1) holds every row of file $2.
vim_has_rows() {
  local rows
  rows=$(sed -n 2p "$1")
  [ "$rows" -eq "$(expected_rows "$2")" ] || die "vim shows $rows rows of $2, not $(expected_rows "$2")"
}

# ------------------------------------------------------------ first key ----

# One run of Hotaru on one-line file $1: prints "key_ms VmRSS_growth_KiB".
first_key_hotaru() {
  local file=$1 diag="$WORK/diag.txt" t0 pid ms before after
  rm -f "$diag"
  t0=$(now_us)
  (cd "$REPO" && exec env QT_QPA_PLATFORM=xcb HOTARU_DIAG_FILE="$diag" XDG_STATE_HOME="$WORK/state" \
    XDG_CONFIG_HOME="$WORK/config" XDG_RUNTIME_DIR="$WORK/runtime" "$HOTARU" "$file") \
    >"$WORK/hotaru.log" 2>&1 &
  pid=$!
  STARTED=("$pid")
  wait_idle "$pid" "hotaru_shows $pid $file" "$t0" >/dev/null
  # No window manager gives the window the focus: a click in the middle of
  # the text area does.  Entering the editor the first time offers the
  # Binary open dialog: Escape declines it, and a second click activates
  # the window again.  Ctrl+Home then takes the caret to the line's start.
  local i line ax ay aw ah
  line=$(tail -n 1 "$diag")
  read -r ax ay aw ah <<<"$(sed -E 's/.* area=([0-9]+),([0-9]+),([0-9]+),([0-9]+) .*/\1 \2 \3 \4/' <<<"$line")"
  xdotool mousemove $((ax + aw / 2)) $((ay + ah / 2)) click 1
  for ((i = 0; i < 100; i++)); do
    last_state_has "$diag" 'dialog=1' && break
    sleep 0.1
  done
  sleep 0.3
  xdotool key Escape
  for ((i = 0; i < 100; i++)); do
    last_state_has "$diag" 'dialog=0' && break
    sleep 0.1
  done
  xdotool click 1
  for ((i = 0; i < 100; i++)); do
    last_state_has "$diag" 'focus=1 dialog=0' && break
    sleep 0.1
  done
  last_state_has "$diag" 'focus=1 dialog=0' || die "Hotaru did not get the focus on $file"
  xdotool key ctrl+Home
  for ((i = 0; i < 50; i++)); do
    last_state_has "$diag" 'caret=0,0 ' && break
    sleep 0.1
  done
  wait_idle "$pid" true "$(now_us)" >/dev/null
  before=$(mem_kib "$pid" VmRSS)
  t0=$(now_us)
  xdotool key a
  ms=$(wait_idle "$pid" "last_state_has $diag undo=1" "$t0")
  after=$(mem_kib "$pid" VmRSS)
  stop_process "$pid" "$pid"
  echo "$ms $((after - before))"
}

# Whether the last line of state file $1 holds $2.
last_state_has() {
  local line
  line=$(tail -n 1 "$1" 2>/dev/null) || return 1
  [[ "$line" == *"$2"* ]]
}

# One run of vim on one-line file $1: prints "key_ms VmRSS_growth_KiB".
first_key_vim() {
  local file=$1 marker="$WORK/vim.marker" go="$WORK/vim.go" done="$WORK/vim.done"
  local script="$WORK/firstkey.vim" t0 launcher pid ms before after
  rm -f "$go" "$done"
  cat >"$script" <<EOF
function! s:Poll(t) abort
  if filereadable('$go')
    call timer_stop(a:t)
    call feedkeys("ia\\<Esc>", 'tx')
    call writefile([line('\$')], '$done')
  endif
endfunction
call timer_start(20, function('s:Poll'), {'repeat': -1})
EOF
  start_vim "$file" -S "$script"
  t0=$T0 launcher=$LAUNCHER pid=$VIM_PID
  wait_idle "$pid" "vim_has_rows $marker $file" "$t0" >/dev/null
  before=$(mem_kib "$pid" VmRSS)
  t0=$(now_us)
  : >"$go"
  ms=$(wait_idle "$pid" "test -s $done" "$t0")
  after=$(mem_kib "$pid" VmRSS)
  stop_process "$pid" "$launcher"
  echo "$ms $((after - before))"
}

# Runs the first key of editor $1 on file $2 RUNS times; prints the medians
# "key_ms VmRSS_growth_KiB".
measure_key() {
  local -a ms=() kb=()
  local i a b
  for ((i = 0; i < RUNS; i++)); do
    read -r a b <<<"$("first_key_$1" "$WORK/$2")"
    [ -n "$b" ] || die "no first-key figures from $1 on $2"
    ms+=("$a") kb+=("$b")
    echo "  $1 $2 first key run $((i + 1)): ${a} ms, VmRSS +${b} KiB" >&2
  done
  echo "$(median "${ms[@]}") $(median "${kb[@]}")"
}

declare -A KEY   # KEY[editor/file] = "key_ms VmRSS_growth_KiB"

print_key_table() {
  local f
  echo
  echo "The first key at the start of a one-line file: time (ms) and resident memory added (MiB)"
  printf '%-14s %10s %10s %10s %10s   %8s %8s\n' file 'Hotaru ms' 'vim ms' 'Hotaru MiB' 'vim MiB' 'time' 'memory'
  for f in "${KEY_FILES[@]}"; do
    echo "$f ${KEY[hotaru/$f]} ${KEY[vim/$f]}"
  done | awk '
    function ratio(a, b) { return b > 0 ? sprintf("%.2f", a / b) : "-" }
    { printf "%-14s %10d %10d %10.1f %10.1f   %8s %8s\n", $1, $2, $4, $3 / 1024, $5 / 1024,
        ratio($2, $4), ratio($3, $5) }'
  echo "(the last two columns: Hotaru / vim)"
}

# ------------------------------------------------------------- figures ------

# The median of the numbers given.
median() {
  printf '%s\n' "$@" | sort -n | awk '{v[NR] = $1} END {print v[int((NR + 1) / 2)]}'
}

# Runs editor $1 on file $2 RUNS times; prints the medians
# "load_ms VmRSS Rss Pss" (each figure's own median).
measure() {
  local -a ms=() vm=() rs=() ps=()
  local i a b c d out
  for ((i = 0; i < RUNS; i++)); do
    out=$("run_$1" "$WORK/$2")
    read -r a b c d <<<"$out"
    ms+=("$a") vm+=("$b") rs+=("$c") ps+=("$d")
    echo "  $1 $2 run $((i + 1)): load ${a} ms, VmRSS ${b} KiB, Rss ${c} KiB, Pss ${d} KiB" >&2
  done
  echo "$(median "${ms[@]}") $(median "${vm[@]}") $(median "${rs[@]}") $(median "${ps[@]}")"
}

declare -A RESULT   # RESULT[editor/file] = "load_ms VmRSS Rss Pss"

print_table() {
  local f e
  printf '\n%-7s %-13s %8s %8s %8s   %8s %8s %8s   %6s\n' '' '' \
    'resident' '(MiB)' '' 'above' 'empty' '(MiB)' 'load'
  printf '%-7s %-13s %8s %8s %8s   %8s %8s %8s   %6s\n' editor file VmRSS Rss Pss VmRSS Rss Pss s
  for f in "${FILES[@]}"; do
    for e in hotaru vim; do
      echo "$e $f ${RESULT[$e/$f]} ${RESULT[$e/empty.txt]}"
    done
  done | awk '{
    printf "%-7s %-13s %8.1f %8.1f %8.1f   %8.1f %8.1f %8.1f   %6.2f\n", $1, $2,
      $4 / 1024, $5 / 1024, $6 / 1024, ($4 - $8) / 1024, ($5 - $9) / 1024, ($6 - $10) / 1024, $3 / 1000
  }'
  echo
  echo "Hotaru / vim: resident memory above an empty document, and whole-process load time"
  for f in prose64.txt short10m.txt; do
    echo "$f ${RESULT[hotaru/$f]} ${RESULT[hotaru/empty.txt]} ${RESULT[vim/$f]} ${RESULT[vim/empty.txt]}"
  done | awk '
    function ratio(a, b) { return b > 0 ? sprintf("%.2f", a / b) : "-" }
    { printf "%-13s VmRSS %s   Rss %s   Pss %s   load %s\n", $1,
        ratio($3 - $7, $11 - $15), ratio($4 - $8, $12 - $16), ratio($5 - $9, $13 - $17), ratio($2, $10) }'
}

# Which programs and files were measured.
print_header() {
  echo "Hotaru: $HOTARU (source tree $(git -C "$REPO" describe --always --dirty 2>/dev/null || echo unknown))"
  echo "vim:    $("$VIM" --version | head -1)"
  echo "Files:  prose64.txt $(stat -c %s "$WORK/prose64.txt") bytes, $(expected_rows "$WORK/prose64.txt") rows;" \
    "short10m.txt $(stat -c %s "$WORK/short10m.txt") bytes, $(expected_rows "$WORK/short10m.txt") rows"
  echo "        $(printf '%s ' "${KEY_FILES[@]}")(one line each, for the first key)"
  echo "Figures: median of $RUNS runs each"
}

main() {
  check_tools
  ensure_xvfb "$@"
  trap cleanup EXIT
  make_files
  check_vim_raw
  local f e
  print_header
  for e in hotaru vim; do
    for f in "${FILES[@]}"; do
      cat "$WORK/$f" >/dev/null   # from the page cache in every run
      RESULT[$e/$f]=$(measure "$e" "$f")
    done
  done
  print_table
  for e in hotaru vim; do
    for f in "${KEY_FILES[@]}"; do
      cat "$WORK/$f" >/dev/null
      KEY[$e/$f]=$(measure_key "$e" "$f")
    done
  done
  print_key_table
}

main "$@"
