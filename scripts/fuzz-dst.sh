#!/bin/sh
# Fuzzes the .DST decoder alone for a bounded time (see fuzz.sh).
#
#   scripts/fuzz-dst.sh [SECONDS]     (default 60)
exec sh "$(dirname "$0")/fuzz.sh" "${1:-60}" dst_decoder
