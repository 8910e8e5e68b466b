# Shared by the whole-kiosk sessions (kiosk-session, print-faults,
# osk-session): sourced, not run. The session script sets, before calling
# anything here:
#   session     its name, for messages
#   out         the folder for screenshots, PDFs and logs (made absolute here)
#   cells_exe   desktop-cells
#   keys_exe    keyboard-keys (for sessions that type on the on-screen keyboard)
#   root        the source tree
# and then calls, in this order: session_isolate "$@" (before anything else),
# session_begin, start_display, ..., start_server, start_kiosk.
#
# Every wait has a time limit; everything started through these functions is
# stopped on the way out (the EXIT trap), also on failure.

W=1280 H=800
# Nothing started here outlives this (should the session itself be killed).
lifetime=600
step="start"
shot_no=0
xvfb_pid="" server_pid="" kiosk_pid="" cups_dir="" work=""

say() { echo "$session: $*"; }
begin() { step=$1; say "$step"; }

# The display's clients never wait on it for long: on a machine busy
# compiling, a query of the display was once seen to take a minute after the
# kiosk was killed. A stalled call fails after 15 s and the wait around it
# tries again.
xdotool() { timeout -k 2 15 xdotool "$@"; }
import() { timeout -k 2 15 import "$@"; }

# A watchdog for one step of many waits (a row of faults): when it has not
# ended after SECONDS, whatever the session runs in the foreground is ended
# and the session fails, saying which step it was in and what it waited for
# (the screenshot, the logs and the kiosk's state come with the failure).
# The services the session started (everything run through `timeout`, and
# the print scheduler) are left running for the diagnostics.
watchdog_pid=""
arm_watchdog() {
  local seconds=$1 main=$$
  disarm_watchdog
  rm -f "$work/watchdog-fired"
  (
    sleep "$seconds"
    echo "$seconds" >"$work/watchdog-fired"
    end_tree() {
      local p
      for p in $(pgrep -P "$1" 2>/dev/null); do
        case "$(ps -o comm= -p "$p" 2>/dev/null)" in timeout|cupsd|Xvfb) continue ;; esac
        [ "$p" = "$BASHPID" ] && continue
        end_tree "$p"
        kill -TERM "$p" 2>/dev/null
      done
    }
    kill -USR1 "$main" 2>/dev/null
    end_tree "$main"
  ) &
  watchdog_pid=$!
}
disarm_watchdog() {
  [ -n "$watchdog_pid" ] && kill "$watchdog_pid" 2>/dev/null && wait "$watchdog_pid" 2>/dev/null
  watchdog_pid=""
}
watchdog_fired() {
  local pid
  pid=$(pgrep -f "$work/kiosk/bridgeprint-kiosk" 2>/dev/null | head -n 1)
  watchdog_pid=""
  fail "step \"$step\" did not end within $(cat "$work/watchdog-fired" 2>/dev/null) s; the kiosk: $(
    [ -n "$pid" ] && ps -o pid=,stat=,wchan:24= -p "$pid")"
}
trap watchdog_fired USR1

# The session runs in namespaces of its own where the machine allows it:
# - network: the kiosk always talks to the scoring server's port 9975, and a
#   private loopback makes that port ours whatever else runs here;
# - processes: in full screen the kiosk closes every system monitor it can
#   see, which must not reach the programs of the machine (nor other tests);
#   and when the session ends, however it ends, the kernel ends everything
#   started inside with it.
# Where no namespace can be made, the machine's loopback serves when the port
# is free there (the tests are registered to run alone for that case).
# Call as: session_isolate SCRIPT ARGS...
session_isolate() {
  local script=$1; shift
  if [ -z "${BP_SESSION_ISOLATED:-}" ]; then
    if [ "$(id -u)" -eq 0 ] && unshare -n -p -f --mount-proc true 2>/dev/null; then
      exec unshare -n -p -f --mount-proc --kill-child=TERM env BP_SESSION_ISOLATED=1 bash "$script" "$@"
    fi
    BP_SESSION_ISOLATED=no
  fi
  if [ "$BP_SESSION_ISOLATED" = 1 ]; then
    # A new namespace starts with its loopback down. Without ip(8), perl sets
    # the interface flags itself (SIOCGIFFLAGS, SIOCSIFFLAGS; IFF_UP, IFF_RUNNING).
    if command -v ip >/dev/null; then
      ip link set lo up || { echo "$session: cannot bring up the private loopback" >&2; exit 1; }
    else
      perl -e 'socket(S, 2, 2, 0) or die; my $r = pack("a16 s", "lo", 0);
               ioctl(S, 0x8913, $r) or die; my ($n, $f) = unpack("a16 s", $r);
               ioctl(S, 0x8914, pack("a16 s", "lo", $f | 0x41)) or die' \
        || { echo "$session: cannot bring up the private loopback" >&2; exit 1; }
    fi
  fi
}

# Fresh screens/, pdf/ and logs/ in $out, a work folder, and the exit trap.
session_begin() {
  mkdir -p "$out"
  out=$(cd "$out" && pwd)
  rm -rf "$out/screens" "$out/pdf" "$out/logs" "$out/ztxt"
  mkdir -p "$out/screens" "$out/pdf" "$out/logs"
  work=$(mktemp -d /tmp/bp-session.XXXXXX)
  # The print scheduler's filters run as another user and must reach its folder.
  chmod 0711 "$work"
  trap session_cleanup EXIT
  trap 'exit 1' INT TERM HUP
}

session_cleanup() {
  local pid
  disarm_watchdog
  for pid in "$kiosk_pid" "$server_pid"; do
    [ -n "$pid" ] && kill "$pid" 2>/dev/null
  done
  [ -n "$cups_dir" ] && bash "$root/scripts/cups-private" stop "$cups_dir" >/dev/null 2>&1
  [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null
  for pid in "$kiosk_pid" "$server_pid" "$xvfb_pid"; do
    [ -n "$pid" ] && wait "$pid" 2>/dev/null
  done
  [ -d "$work/kiosk/ztxt" ] && cp -r "$work/kiosk/ztxt" "$out/" 2>/dev/null
  [ -d "$work/cups/log" ] && cp -r "$work/cups/log" "$out/logs/cups" 2>/dev/null
  rm -rf "$work"
}

fail() {
  echo "$session: FAILED at step \"$step\": $*" >&2
  shot "failed" 2>/dev/null
  echo "$session: screenshots and logs are in $out" >&2
  if [ -f "$out/logs/kiosk.log" ] && [ -s "$out/logs/kiosk.log" ]; then
    echo "--- kiosk output" >&2; tail -n 20 "$out/logs/kiosk.log" >&2
  fi
  if [ -f "$out/logs/server.log" ]; then
    echo "--- server log" >&2; tail -n 20 "$out/logs/server.log" >&2
  fi
  exit 1
}

# Polls a command every 0.2 s until it succeeds or `seconds` have passed.
wait_for() {
  local seconds=$1; shift
  local tries=$(( seconds * 5 ))
  while [ $tries -gt 0 ]; do
    "$@" >/dev/null 2>&1 && return 0
    sleep 0.2
    tries=$(( tries - 1 ))
  done
  return 1
}

shot() {
  shot_no=$(( shot_no + 1 ))
  local file
  file=$(printf '%s/screens/%02d-%s.png' "$out" "$shot_no" "$1")
  import -display "$DISPLAY" -window root "$file" 2>/dev/null
  last_shot=$file
}
# A screenshot that is not kept, to look at the screen while waiting.
peek() {
  import -display "$DISPLAY" -window root "$work/peek.png" 2>/dev/null && echo "$work/peek.png"
}
pixel() { convert "$1" -format "%[pixel:p{$2,$3}]" info:; }

kiosk_alive() { [ -n "$kiosk_pid" ] && kill -0 "$kiosk_pid" 2>/dev/null; }
need_kiosk() { kiosk_alive || fail "the kiosk is no longer running"; }

frame_window() { xdotool search --name 'Self service printing|自助打印' 2>/dev/null | head -n 1; }
# A window whose title matches: the dialogs carry their captions as titles.
window_named() { xdotool search --onlyvisible --name "$1" 2>/dev/null | head -n 1; }
visible_windows() { xdotool search --onlyvisible --name '' 2>/dev/null | sort; }
new_window_since() {
  local before=$1
  [ -n "$(comm -13 <(echo "$before") <(visible_windows))" ]
}

server_lines() { grep -c "$1" "$out/logs/server.log" 2>/dev/null || true; }
# The n-th line (1-based) of the server log that matches.
server_line() { grep "$1" "$out/logs/server.log" 2>/dev/null | sed -n "${2}p"; }

# Reads the entry buttons off a screenshot: sets `count`, `note_shown` (0 or
# 1: the note box is on the screen) and the arrays cell_kind, cell_x, cell_y,
# cell_sig and cell_clear (1: no note can cover any of the button).
read_cells() {
  local what i kind x y sig clear
  count=0 note_shown=0
  cell_kind=() cell_x=() cell_y=() cell_sig=() cell_clear=()
  while read -r what i kind x y sig clear; do
    case "$what" in
      count) count=$i ;;
      note) note_shown=$i ;;
      cell) cell_kind[i]=$kind; cell_x[i]=$x; cell_y[i]=$y; cell_sig[i]=$sig; cell_clear[i]=$clear ;;
    esac
  done < <("$cells_exe" "$1" 2>/dev/null)
}
# Reads the on-screen keyboard off a screenshot: sets kb_top (the screen's
# height when no keyboard is up), kb_rows (keys in each row, from the top)
# and key_box["ROW,COL"] ("X Y W H" of that key).
declare -A key_box
read_keys() {
  local what r c x y w h
  kb_top=$H kb_rows=()
  key_box=()
  while read -r what r c x y w h; do
    case "$what" in
      top) kb_top=$r ;;
      key) key_box[$r,$c]="$x $y $w $h"; kb_rows[r]=$(( ${kb_rows[r]:-0} + 1 )) ;;
    esac
  done < <("$keys_exe" "$1" 2>/dev/null)
}
# Reads the keyboard off a fresh screenshot kept as NAME; fails unless its
# rows hold the given numbers of keys, each inside the screen.
# keyboard_page NAME "COUNTS"
keyboard_page() {
  local name=$1 counts=$2 r c x y w h
  shot "$name"
  read_keys "$last_shot"
  [ "${kb_rows[*]:-}" = "$counts" ] \
    || fail "the keyboard's $name page has rows of ${kb_rows[*]:-no} keys, not $counts (top at y=$kb_top)"
  for r in "${!kb_rows[@]}"; do
    for (( c = 0; c < kb_rows[r]; c++ )); do
      read -r x y w h <<<"${key_box[$r,$c]}"
      [ "$x" -ge 1 ] && [ $(( x + w )) -le $(( W - 1 )) ] && [ "$y" -ge "$kb_top" ] && [ $(( y + h )) -le "$H" ] \
        || fail "key $r,$c of the $name page (${w}x$h at $x,$y) is not inside the screen"
      [ "$w" -ge 40 ] && [ "$h" -ge 40 ] || fail "key $r,$c of the $name page is only ${w}x$h"
    done
  done
}
# Touches the key in row ROW, column COL of the page read last.
touch_key_at() {
  local x y w h
  read -r x y w h <<<"${key_box[$1,$2]:-}"
  [ -n "${x:-}" ] || fail "no key at row $1, column $2 of the keyboard"
  xdotool mousemove $(( x + w / 2 )) $(( y + h / 2 )) click 1
  sleep 0.15
}
# The keyboard's pages as the kiosk lays them out: the digits and signs page
# (rows of 10, 10, 9 and 6 keys: 1..0; @ # ~ ; : - _ / ( ); * % & + = ' ! ?
# backspace; ABC , space . hide enter) and the letters page (10, 9, 9, 6:
# q..p; a..l; shift z..m backspace; 123 , space . hide enter).
kDigitsRows="10 10 9 6"
kLettersRows="10 9 9 6"
# Types TEXT on the page read last and the pages it leads to: digits and the
# full stop on the digits page, small letters on the letters page.
type_on_keys() {
  local text=$1 page=digits i ch k
  local letters0=qwertyuiop letters1=asdfghjkl letters2=zxcvbnm
  for (( i = 0; i < ${#text}; i++ )); do
    ch=${text:i:1}
    case "$ch" in
      [0-9.])
        if [ "$page" != digits ]; then touch_key_at 3 0; sleep 0.6; keyboard_page digits "$kDigitsRows"; page=digits; fi
        case "$ch" in
          .) touch_key_at 3 3 ;;
          0) touch_key_at 0 9 ;;
          *) touch_key_at 0 $(( ch - 1 )) ;;
        esac ;;
      [a-z])
        if [ "$page" != letters ]; then touch_key_at 3 0; sleep 0.6; keyboard_page letters "$kLettersRows"; page=letters; fi
        if k=$(expr index "$letters0" "$ch") && [ "$k" -gt 0 ]; then touch_key_at 0 $(( k - 1 ))
        elif k=$(expr index "$letters1" "$ch") && [ "$k" -gt 0 ]; then touch_key_at 1 $(( k - 1 ))
        else k=$(expr index "$letters2" "$ch"); touch_key_at 2 "$k"; fi ;;
      *) fail "type_on_keys cannot type '$ch'" ;;
    esac
  done
  typed_page=$page
}
# Erases N characters with backspace, the last key of the third row on both
# pages.
erase_on_keys() {
  local n=$1 i
  for (( i = 0; i < n; i++ )); do touch_key_at 2 8; done
}

buttons_shown() { local f; f=$(peek) && read_cells "$f" && [ "$count" -gt 0 ]; }
button_count_is() { local f; f=$(peek) && read_cells "$f" && [ "$count" -eq "$1" ]; }

# Opens the context menu with a right click at (x, y) and picks an item with
# the keyboard: Down n times from the top, or "last" for the bottom item.
menu() {
  local x=$1 y=$2 pick=$3 before
  need_kiosk
  before=$(visible_windows)
  xdotool mousemove "$x" "$y" click 3
  wait_for 10 new_window_since "$before" || fail "the context menu did not open on a right click"
  sleep 0.3
  shot "menu"
  if [ "$pick" = last ]; then
    xdotool key Up Return
  else
    local k
    for (( k = 0; k < pick; k++ )); do xdotool key Down; done
    xdotool key Return
  fi
}

# Name in the server's 205 log line: ... -> 207 "NAME"
logged_name() { sed -n 's/.*-> 20[78] "\(.*\)".*/\1/p' <<<"$1"; }
logged_entry() { sed -n 's/.* 205 \(section=[-0-9]* number=[-0-9]*\) .*/\1/p' <<<"$1"; }

# The pointer rests on the footer, so no button is drawn hot in a screenshot.
rest_pointer() { xdotool mousemove $(( W / 2 )) $(( H - 5 )); }

# Touches an entry button and waits for the server to answer with its
# scorecard; sets touched_line to the server's log line. A touch while the
# kiosk is busy with its list request does nothing, so a player whose touch
# brought nothing touches again, as anyone would.
touch_cell() {
  local i=$1 before tries=0
  need_kiosk
  before=$(server_lines ' 205 ')
  while :; do
    xdotool mousemove "${cell_x[i]}" "${cell_y[i]}" click 1
    wait_for 8 eval '[ "$(server_lines " 205 ")" -gt '"$before"' ]' && break
    tries=$(( tries + 1 ))
    [ $tries -lt 3 ] || fail "touching button $i at ${cell_x[i]},${cell_y[i]} sent no print request to the server"
  done
  touched_line=$(server_line ' 205 ' $(( before + 1 )))
  case "$touched_line" in
    *"-> 207 "*|*"-> 208 "*) ;;
    *) fail "the server did not send a scorecard: $touched_line" ;;
  esac
  rest_pointer
}

start_display() {
  begin "start the virtual display"
  exec 3>"$work/display"
  timeout -k 5 "$lifetime" Xvfb -displayfd 3 -screen 0 "${W}x${H}x24" -nolisten tcp >"$out/logs/xvfb.log" 2>&1 &
  xvfb_pid=$!
  exec 3>&-
  wait_for 10 test -s "$work/display" || fail "Xvfb did not start"
  export DISPLAY=:$(head -n 1 "$work/display")
  wait_for 10 xdotool getmouselocation || fail "the display $DISPLAY does not answer"
}

# start_server CODE
start_server() {
  begin "start the scoring server"
  timeout -k 5 "$lifetime" "$server_exe" --code "$1" >"$out/logs/server.log" 2>&1 &
  server_pid=$!
  wait_for 20 grep -q '^listening on 127.0.0.1:9975 ' "$out/logs/server.log" \
    || fail "the scoring server did not start on 127.0.0.1:9975 (is the port taken?)"
}

# start_kiosk [KIOSK ARGS...]: the kiosk from a folder of its own
# ($work/kiosk, its data folder ztxt/ beside it), its output appended to
# logs/kiosk.log; waits for its window. A copy of the program is made once,
# so a restart finds the data of the run before.
start_kiosk() {
  mkdir -p "$work/kiosk" "$work/runtime" "$work/home"
  chmod 0700 "$work/runtime"
  [ -x "$work/kiosk/bridgeprint-kiosk" ] || cp "$kiosk_exe" "$work/kiosk/bridgeprint-kiosk"
  HOME=$work/home XDG_RUNTIME_DIR=$work/runtime LC_ALL=C.UTF-8 LANG=C.UTF-8 QT_QPA_PLATFORM=xcb \
    timeout -k 5 "$lifetime" "$work/kiosk/bridgeprint-kiosk" "$@" >>"$out/logs/kiosk.log" 2>&1 &
  kiosk_pid=$!
  wait_for 30 eval '[ -n "$(frame_window)" ]' || { need_kiosk; fail "the kiosk window did not appear"; }
}

# Confirms the settings (address, access code CODE and, when given, the title
# line TITLE) through the menu and waits for the server to confirm them.
confirm_settings() {
  local code=$1 title=${2:-} confirmed
  confirmed=$(server_lines 'confirm=yes -> 203 entries=[0-9]* confirmed')
  menu $(( W / 2 )) $(( H / 2 )) 1
  wait_for 10 eval '[ -n "$(window_named settings)" ]' || fail "Settings... did not open the settings dialog"
  sleep 0.5
  # The dialog opens with the keyboard in the access-code box; the address box
  # above it holds the built-in default address (or the one saved before).
  xdotool key shift+Tab ctrl+a
  xdotool type --delay 20 "127.0.0.1"
  xdotool key Tab
  xdotool type --delay 20 "$code"
  if [ -n "$title" ]; then
    # The title box follows the access code.
    xdotool key Tab ctrl+a
    xdotool type --delay 20 "$title"
  fi
  sleep 0.3
  shot "settings"
  xdotool key Return
  wait_for 5 eval '[ -z "$(window_named settings)" ]' || fail "the settings dialog did not close on OK"
  wait_for 10 eval '[ "$(server_lines "confirm=yes -> 203 entries=[0-9]* confirmed")" -gt '"$confirmed"' ]' \
    || fail "the server did not confirm the settings"
}
