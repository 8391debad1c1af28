#!/bin/sh
# Runs a Windows program under one of Wine's loaders: wine-run.sh LOADER PREFIX PROGRAM [ARGS...]
# LOADER is /usr/lib/wine/wine64 for x64 programs and /usr/lib/wine/wine (the
# 32-bit loader, Debian package wine32:i386) for x86 ones; Debian's `wine`
# wrapper is not used, since it picks one loader for both. The prefix is
# created on first use (slow).
loader=$1
prefix=$2
shift 2
WINEPREFIX=$prefix
WINEDEBUG=-all
# No Mono or Gecko installer prompts while the prefix is created.
WINEDLLOVERRIDES="mscoree,mshtml="
export WINEPREFIX WINEDEBUG WINEDLLOVERRIDES
exec "$loader" "$@"
