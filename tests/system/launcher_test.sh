#!/usr/bin/env bash
# The real launcher in a real X server. First run: tick boxes, choose
# "800x600", Start, play a few frames, Esc; game.ini then holds exactly those
# choices and the game window was 800 x 600. Second run: the close box ends
# the program with -1 and leaves game.ini byte for byte as it was. Without a
# display the game says so and ends with -1.
# Usage: launcher_test.sh PATH/TO/umbrafall PATH/TO/close_window
# With UMBRAFALL_SHOT_DIR set, the launcher's screenshot is kept there.
set -euo pipefail

. "$(dirname "$0")/game_folder.sh"
closer=$(readlink -f "$2")

cat > "$work/session.sh" <<'SESSION'
#!/usr/bin/env bash
set -euo pipefail
work=$1 closer=$2
ini=$work/game/media/game.ini
pid=
fail() {
  echo "FAIL: $*"
  [ -s "$work/stderr.txt" ] && echo "the game printed: $(cat "$work/stderr.txt")"
  [ -n "$pid" ] && kill -9 "$pid" 2>/dev/null
  exit 1
}

start_game() {
  SDL_NO_SIGNAL_HANDLERS=1 SDL_AUDIODRIVER=dummy "$work/game/umbrafall" 2>"$work/stderr.txt" &
  pid=$!
}

# ---- no display: the game says so and ends with -1
status=0
DISPLAY=:9999 SDL_AUDIODRIVER=dummy "$work/game/umbrafall" 2>"$work/stderr.txt" || status=$?
[ "$status" -eq 255 ] || fail "exit status $status without a display, not -1"
grep -q 'cannot open the display ":9999"' "$work/stderr.txt" || fail "no word of the missing display"

# The first visible window of the class, waiting up to 10 s.
wait_window() {
  local found=
  for _ in $(seq 100); do
    found=$(xdotool search --onlyvisible --class "^$1\$" 2>/dev/null | head -n 1) && [ -n "$found" ] && break
    kill -0 "$pid" 2>/dev/null || break
    sleep 0.1
  done
  echo "$found"
}

wait_exit() {
  for _ in $(seq 50); do kill -0 "$pid" 2>/dev/null || break; sleep 0.1; done
  kill -0 "$pid" 2>/dev/null && fail "$1: still running"
  status=0
  wait "$pid" || status=$?
  pid=
}

# Alt+S until the launcher goes: a key that comes before it takes the focus is lost.
press_start() {
  for _ in $(seq 5); do
    xdotool windowfocus --sync "$launcher" key alt+s 2>/dev/null || true
    for _ in $(seq 20); do
      xdotool search --onlyvisible --class '^Options$' >/dev/null 2>&1 || return 0
      sleep 0.1
    done
  done
  return 1
}

click() { xdotool mousemove --window "$launcher" "$1" "$2" click 1; }

# ---- first run: choose, Start, play, Esc
rm -f "$ini"
start_game
launcher=$(wait_window Options)
[ -n "$launcher" ] || fail "no launcher"
eval "$(xdotool getwindowgeometry --shell "$launcher")"
[ "$WIDTH" = 640 ] && [ "$HEIGHT" = 480 ] || fail "launcher is ${WIDTH}x${HEIGHT}"
[ "$(xdotool getwindowname "$launcher")" = Umbrafall ] || fail "launcher title"
# The title picture has thousands of shades; bare controls have a few. Once
# it shows, the launcher is taking events.
for _ in $(seq 30); do
  sleep 0.1
  import -window root -crop "640x480+${X}+${Y}" "$work/launcher.png"
  colours=$(convert "$work/launcher.png" -format "%k" info:)
  [ "$colours" -gt 1000 ] && break
done
[ -n "${UMBRAFALL_SHOT_DIR:-}" ] && cp "$work/launcher.png" "$UMBRAFALL_SHOT_DIR/launcher.png"
[ "$colours" -gt 1000 ] || fail "the launcher shows $colours colours, no picture"

click 240 12  # Lights
click 336 12  # Music
click 528 12  # HiQTexture
click 80 12   # the resolution list opens on "640x480"
sleep 0.3
xdotool key Down Return
sleep 0.3
import -window root -crop "640x24+${X}+${Y}" "$work/chosen.png"
press_start || fail "Alt+S does not start"

window=$(wait_window umbrafall)
[ -n "$window" ] || fail "no game window after Start"
eval "$(xdotool getwindowgeometry --shell "$window")"
[ "$WIDTH" = 800 ] && [ "$HEIGHT" = 600 ] || fail "game window is ${WIDTH}x${HEIGHT}"
sleep 0.5  # a few frames
xdotool windowfocus --sync "$window" key Escape
wait_exit "after Esc"
[ "$status" -eq 0 ] || fail "exit status $status after Esc"
expected=$'[Game]\nWindowed=1\nLights=1\nMusic=1\nJoystick=0\nUseHiQualTex=1\nWidth=800\nHeight=600\nUseScreenRes=1'
[ "$(cat "$ini")" = "$expected" ] || fail "game.ini holds: $(cat "$ini")"

# ---- second run: the stored choices shown again, then the close box
{ echo '; notes of mine'; cat "$ini"; printf '[Other]\nKey=1\n'; } > "$work/before.ini"
cp "$work/before.ini" "$ini"
start_game
launcher=$(wait_window Options)
[ -n "$launcher" ] || fail "no launcher on the second run"
eval "$(xdotool getwindowgeometry --shell "$launcher")"
xdotool windowfocus --sync "$launcher"  # the list takes the focus, as it had after the choice
sleep 0.3
import -window root -crop "640x24+${X}+${Y}" "$work/shown.png"
differing=$(compare -metric AE "$work/chosen.png" "$work/shown.png" null: 2>&1) || true
[ "$differing" = 0 ] || fail "the controls differ from the stored choices in $differing pixels"
"$closer" "$launcher" || fail "close box"
wait_exit "after the close box"
[ "$status" -eq 255 ] || fail "exit status $status after the close box, not -1"
cmp -s "$ini" "$work/before.ini" || fail "game.ini changed after the close box"
echo "ok: no display reported; launcher with $colours colours; Start played at 800x600 and stored the choices; close box: -1, game.ini untouched"
SESSION
chmod +x "$work/session.sh"

# -noreset: see game_window_test.sh.
xvfb-run -a -s "-screen 0 1024x768x24 -nolisten tcp -noreset" "$work/session.sh" "$work" "$closer"
