#!/bin/sh
# makensis building a 64-bit installer (CPack's CPACK_NSIS_EXECUTABLE): Debian's 64-bit Wine
# cannot start NSIS's default 32-bit one, and a 64-bit installer installs into the 64-bit
# Program Files and registry. CPack also calls this to ask for the version, which must stay a
# plain -VERSION call.
for argument in "$@"; do
    case $argument in
    *.nsi) exec makensis "-XTarget amd64-unicode" "$@" ;;
    esac
done
exec makensis "$@"
