#!/usr/bin/env bash
# Prints the machine a Windows executable or DLL is built for: i386, amd64, or "unknown".
set -u
file=$1
byte() { od -An -tu1 -j "$2" -N1 "$1" 2>/dev/null | tr -d ' '; }
[ "$(byte "$file" 0)$(byte "$file" 1)" = "7790" ] || { echo unknown; exit 0; }  # "MZ"
pe=$(( $(byte "$file" 60) + 256 * $(byte "$file" 61) + 65536 * $(byte "$file" 62) ))
machine=$(( $(byte "$file" $((pe + 4))) + 256 * $(byte "$file" $((pe + 5))) ))
case $machine in
    332)   echo i386 ;;   # 0x014c
    34404) echo amd64 ;;  # 0x8664
    *)     echo unknown ;;
esac
