#!/bin/sh
# Runs a Windows program under Wine: run_on_wine.sh PREFIX PROGRAM [ARG...],
# in the Wine prefix PREFIX (created on first use), quietly.
#
# Wine's server and its background processes outlive the program they were
# started for, and would keep its output open for whoever reads it (CTest),
# so they are started here detached from it (their messages go to
# PREFIX.log), and the server stays for the next program for a while. The
# setting up is done by one caller at a time; if any of it fails, the program
# still runs, and Wine then starts what it needs itself.
export WINEPREFIX="$1"
shift
export WINEDEBUG=-all
# No .NET or HTML engine to install into a new prefix.
export WINEDLLOVERRIDES="mscoree,mshtml="
log="$WINEPREFIX.log"

exec 9>"$WINEPREFIX.lock"
flock 9
if [ ! -d "$WINEPREFIX" ]; then
  # The server that sets a new prefix up shuts down on its own a little
  # later, even with programs still connected: let it go first.
  wine wineboot --init </dev/null >>"$log" 2>&1 9>&-
  wineserver --wait 9>&-
fi
if wineserver --persistent=30 </dev/null >>"$log" 2>&1 9>&-; then
  echo "$(date '+%F %T') started a server for $*" >>"$log"
  wine wineboot </dev/null >>"$log" 2>&1 9>&-
fi
exec 9>&-
exec wine "$@"
