#!/usr/bin/env bash
# Runs a command beside a throwaway PostgreSQL cluster (pg-cluster.sh): initdb
# in a temp folder, listening on 127.0.0.1 on a free port with its socket in
# that folder. The command sees KELMAR_TEST_PG (a kelmar:// address of a login
# that may create databases). The cluster is stopped and removed afterwards,
# whatever happens.
#   scripts/with-pg.sh ctest --test-dir build/asan
set -euo pipefail

here=$(cd "$(dirname "$0")" && pwd)
tmp=$(mktemp -d /tmp/kelmar-pg.XXXXXX)
trap 'bash "$here/pg-cluster.sh" destroy "$tmp"' EXIT

KELMAR_TEST_PG=$(bash "$here/pg-cluster.sh" init "$tmp")
export KELMAR_TEST_PG
echo "with-pg: PostgreSQL on ${KELMAR_TEST_PG##*@} (cluster in $tmp)"
set +e
"$@"
rc=$?
set -e
exit $rc
