#!/usr/bin/env bash
# The real game in a real X server: Start in the launcher opens its window and draws the cave,
# and a quit key ends it with status 0 and game.ini written.
# Usage: game_window_test.sh PATH/TO/umbrafall
set -euo pipefail

. "$(dirname "$0")/game_folder.sh"

cat > "$work/session.sh" <<'SESSION'
#!/usr/bin/env bash
set -euo pipefail
game_folder=$1 key=$2
fail() { echo "FAIL ($key): $*"; exit 1; }

rm -f "$game_folder/media/game.ini"
xdotool mousemove 3 3  # far from where the window will be centred
SDL_NO_SIGNAL_HANDLERS=1 SDL_AUDIODRIVER=dummy "$game_folder/umbrafall" 2>"$game_folder/stderr.txt" &
pid=$!
# Ends a failed session: a game still running is stopped; one that ended by
# itself is reported with its status and what it printed.
give_up() {
  if kill -0 $pid 2>/dev/null; then kill -9 $pid; fail "$1"; fi
  status=0
  wait $pid || status=$?
  fail "$1: the game had ended with status $status: $(cat "$game_folder/stderr.txt")"
}

launcher=
for _ in $(seq 100); do
  launcher=$(xdotool search --onlyvisible --class '^Options$' 2>/dev/null | head -n 1) && [ -n "$launcher" ] && break
  sleep 0.1
done
[ -n "$launcher" ] || give_up "no launcher"
# Alt+S until the launcher goes: a key that comes before it takes the focus is lost.
for _ in $(seq 50); do
  xdotool windowfocus --sync "$launcher" key alt+s 2>/dev/null || true
  sleep 0.2
  xdotool search --onlyvisible --class '^Options$' >/dev/null 2>&1 || break
done

window=
for _ in $(seq 100); do
  window=$(xdotool search --onlyvisible --class '^umbrafall$' 2>/dev/null | head -n 1) &&
    [ -n "$window" ] && break
  sleep 0.1
done
[ -n "$window" ] || give_up "no game window"
sleep 0.5  # a few frames

eval "$(xdotool getwindowgeometry --shell "$window")"
[ "$WIDTH" = 640 ] && [ "$HEIGHT" = 480 ] || give_up "window is ${WIDTH}x${HEIGHT}"
# The pointer was put at the window's centre, so the view does not turn.
eval "$(xdotool getmouselocation --shell | sed 's/^/MOUSE_/')"
[ "$MOUSE_X" = $((X + WIDTH / 2)) ] && [ "$MOUSE_Y" = $((Y + HEIGHT / 2)) ] ||
  give_up "pointer at $MOUSE_X,$MOUSE_Y, not the window centre"
# Textured rock has thousands of shades; an empty or black window has one.
# A loaded machine may take a while to draw the first frames.
for _ in $(seq 20); do
  import -window root -crop "${WIDTH}x${HEIGHT}+${X}+${Y}" "$game_folder/screen.png"
  colours=$(convert "$game_folder/screen.png" -format "%k" info:)
  [ "$colours" -gt 1000 ] && break
  sleep 0.3
done
[ "$colours" -gt 1000 ] || give_up "the window shows $colours colours, not the cave"

# System keys belong to the system: Alt+Q does not quit, F10 does nothing.
for system_key in alt+q alt+Escape F10; do
  xdotool key "$system_key"
  sleep 0.3
  kill -0 $pid 2>/dev/null || fail "$system_key ended the game"
done

xdotool key "$key"
for _ in $(seq 50); do kill -0 $pid 2>/dev/null || break; sleep 0.1; done
if kill -0 $pid 2>/dev/null; then kill -9 $pid; fail "still running after the quit key"; fi
status=0
wait $pid || status=$?
[ $status -eq 0 ] || fail "exit status $status"

grep -q '^\[Game\]$' "$game_folder/media/game.ini" || fail "game.ini not written"
for k in Windowed Lights Music Joystick UseHiQualTex Width Height UseScreenRes; do
  grep -q "^$k=" "$game_folder/media/game.ini" || fail "game.ini lacks $k"
done
echo "ok ($key): pointer $MOUSE_X,$MOUSE_Y, window ${WIDTH}x${HEIGHT} at $X,$Y, system keys ignored, $colours colours, exit 0, game.ini written"
SESSION
chmod +x "$work/session.sh"

# -noreset: by default the server resets when its last client leaves, and
# drops a connection still being set up; an xdotool query ending just as the
# game connects would then end the game before its launcher shows.
for key in Escape q; do
  xvfb-run -a -s "-screen 0 1024x768x24 -nolisten tcp -noreset" "$work/session.sh" "$work/game" "$key"
done
