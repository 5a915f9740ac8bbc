#!/usr/bin/env bash
# Installs the build into a private prefix that serves as the user's data
# folder, then checks that the desktop sees Vesk's own type and nothing else:
# text files keep the program they had.
# Usage: desktop_install.sh BUILD_DIR SOURCE_DIR
set -euo pipefail
build=$1
source=$2
fail() { echo "FAIL: $*" >&2; exit 1; }
for tool in xdg-mime desktop-file-validate update-mime-database; do
  command -v $tool >/dev/null || fail "$tool is missing (scripts/install-deps.sh test installs it)"
done

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
export XDG_DATA_HOME=$work/home/.local/share XDG_CONFIG_HOME=$work/home/.config HOME=$work/home
mkdir -p "$XDG_DATA_HOME" "$XDG_CONFIG_HOME"
unset XDG_CURRENT_DESKTOP DESKTOP_SESSION KDE_FULL_SESSION GNOME_DESKTOP_SESSION_ID

desktop_id=org.vesk.Vesk.desktop
before=$(xdg-mime query default text/plain || true)

cmake --install "$build" --prefix "$work/home/.local" >/dev/null
apps=$XDG_DATA_HOME/applications
[ -f "$apps/$desktop_id" ] || fail "no $desktop_id installed"
[ ! -e "$apps/vesk.desktop" ] || fail "the old vesk.desktop is installed too"
hints=$(desktop-file-validate "$apps/$desktop_id" 2>&1) || fail "desktop-file-validate: $hints"
[ -z "$hints" ] || fail "desktop-file-validate has hints: $hints"
grep -qx 'MimeType=application/x-vesk-data;' "$apps/$desktop_id" || fail "the entry claims more than Vesk's type"

after=$(xdg-mime query default text/plain || true)
[ "$after" = "$before" ] || fail "the default for text/plain changed from '$before' to '$after'"
[ "$(xdg-mime query default application/x-vesk-data)" = "$desktop_id" ] ||
  fail "Vesk is not the program for its own type"

# The installed type is a kind of plain text with Vesk's glob.
mime=$XDG_DATA_HOME/mime
grep -q 'application/x-vesk-data:\*\.vesk' "$mime/globs2" || fail "the *.vesk glob is not in the MIME database"
grep -q '^application/x-vesk-data text/plain$' "$mime/subclasses" || fail "the type is not a kind of text/plain"

# The program names itself after its desktop entry, so that a desktop matches its windows to it.
grep -q 'org.vesk.Vesk' "$work/home/.local/bin/vesk" || fail "the program does not set its desktop file name"
echo "ok: installed, text/plain default unchanged ('$before')"
