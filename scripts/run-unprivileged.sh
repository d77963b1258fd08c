#!/usr/bin/env bash
# Runs a command as the unprivileged user "nobody" when started as root (as in
# CI), so that checks of permission failures, which root never meets, run;
# as any other user it runs the command as it is.
set -euo pipefail
if [[ $(id -u) -eq 0 ]]; then
    exec setpriv --reuid=nobody --regid=nogroup --clear-groups --reset-env -- "$@"
fi
exec "$@"
