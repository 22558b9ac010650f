#!/usr/bin/env bash
# Runs a Windows program under Wine, quietly, in the build tree's own prefix.
# Usage: wine-run.sh PROGRAM [ARGS...]
# The prefix is WINEPREFIX when set, else "wine-prefix" beside the program's bin/ folder; the
# first run creates it (wineboot), once. 32-bit programs get a 32-bit prefix and loader, 64-bit
# programs a 64-bit one.
set -u
program=$1
here=$(cd "$(dirname "$0")" && pwd)

case "$("$here/pe-machine.sh" "$program")" in
    i386)  loader=/usr/lib/wine/wine;   server=/usr/lib/wine/wineserver32; export WINEARCH=win32 ;;
    amd64) loader=/usr/lib/wine/wine64; server=/usr/lib/wine/wineserver64; export WINEARCH=win64 ;;
    *)     echo "wine-run.sh: $program is not a Windows program" >&2; exit 2 ;;
esac
[ -x "$loader" ] || loader=wine
[ -x "$server" ] || server=wineserver

if [ -z "${WINEPREFIX:-}" ]; then
    WINEPREFIX="$(cd "$(dirname "$program")/.." && pwd)/wine-prefix"
fi
export WINEPREFIX
export WINEDEBUG=-all
# No Mono or Gecko install prompts: nothing here needs .NET or the HTML engine.
export WINEDLLOVERRIDES="mscoree,mshtml="

if [ ! -e "$WINEPREFIX/.ready" ]; then
    mkdir -p "$WINEPREFIX"
    (
        flock 9
        if [ ! -e "$WINEPREFIX/.ready" ]; then
            "$loader" wineboot --init >/dev/null 2>&1 && "$server" --wait && touch "$WINEPREFIX/.ready"
        fi
    ) 9>"$WINEPREFIX.lock"
fi
exec "$loader" "$@"
