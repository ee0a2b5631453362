# Sourced by the Xvfb tests. Sets `work`, a temporary folder removed on exit,
# holding a game folder of its own (work/game: the game at $1 and its media),
# so that the developer's game.ini is never touched.
game=$(readlink -f "$1")
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/game/media"
cp "$game" "$work/game/umbrafall"
find "$(dirname "$game")/media" -maxdepth 1 -type f ! -name game.ini -exec cp {} "$work/game/media/" \;
