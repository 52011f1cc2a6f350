#!/usr/bin/env bash
# Installs what is missing, builds, starts the test services, runs the whole
# test suite and stops the services again. Extra arguments go to ctest.
set -euo pipefail
cd "$(dirname "$0")/.."

bash tools/setup.sh
cmake --preset default >/dev/null
cmake --build --preset default

state=$(mktemp -d /tmp/pelvanto-services.XXXXXX)
trap 'bash tools/services.sh stop "$state"; rm -rf "$state"' EXIT
bash tools/services.sh start "$state"
# shellcheck disable=SC1091
source "$state/env.sh"

ctest --preset default -j2 "$@"
