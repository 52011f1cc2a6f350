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
# From here on a test that cannot reach a service (or a tool setup.sh installs) fails.
export PELVANTO_TEST_SERVICES=1

ctest --preset default -j2 "$@"
