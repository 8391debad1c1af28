#!/bin/sh
# Runs a Windows program under Wine's 64-bit loader: wine64-run.sh PREFIX PROGRAM [ARGS...]
# Debian's `wine` wrapper picks the 32-bit loader, which cannot run here, so
# the loader is called directly. The prefix is created on first use (slow).
prefix=$1
shift
WINEPREFIX=$prefix
WINEDEBUG=-all
# No Mono or Gecko installer prompts while the prefix is created.
WINEDLLOVERRIDES="mscoree,mshtml="
export WINEPREFIX WINEDEBUG WINEDLLOVERRIDES
exec "${WINE64:-/usr/lib/wine/wine64}" "$@"
