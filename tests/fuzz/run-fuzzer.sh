#!/usr/bin/env bash
# Fuzzes one target for a number of seconds, starting from its checked-in corpus. New inputs
# go to a scratch folder, so the checked-in corpus only grows by hand.
set -euo pipefail
target=$1 corpus=$2 work=$3 seconds=$4
[ "$seconds" -gt 0 ] || exit 0
mkdir -p "$work"
exec "$target" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 -print_final_stats=1 "$work" "$corpus"
