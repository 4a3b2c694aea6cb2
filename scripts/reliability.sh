#!/usr/bin/env bash
# Crash, fault and load tests; prints the figures docs/reliability.md records.
#  1. kill -9 of the Scan-In page, the Scan-Out page and the Send task's
#     Apply pass (the real sheet, offscreen) at random moments on the
#     embedded store: every log entry written before the kill is still
#     there, the database passes PRAGMA integrity_check, no Volume is half
#     updated (a change and its history rows are both there or both absent),
#     and the next start carries on.
#  2. PostgreSQL stopped half way through a Scan-In and started again: the
#     scans made meanwhile are kept in the scanning journal and replayed; in
#     the end every Volume is received and nothing is left waiting.
#  3. Load: several processes confirm, update and scan the same Volumes at
#     once, on SQLite and on PostgreSQL; lost updates and failures reported
#     as success are counted from the server's history (both must be 0).
#   scripts/reliability.sh [--quick]     (--quick: a few of each, for the tests)
#   ZELV_BUILD_DIR  build folder with tools and tests (default build/asan)
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
cd "$here/.."

build=${ZELV_BUILD_DIR:-build/asan}
kills=100 seconds=60 procs=8 volumes=1000
if [ "${1:-}" = --quick ]; then
    kills=3 seconds=3 procs=2 volumes=100
fi
admin=$build/tools/zelvadmin
crash=$build/tests/reliability/zelv_crash
load=$build/tests/reliability/zelv_load
for tool in "$admin" "$crash" "$load"; do
    if [ ! -x "$tool" ]; then
        echo "reliability: $tool is not built" >&2
        exit 1
    fi
done

work=$(mktemp -d /tmp/kelmar-rel.XXXXXX)
chmod 755 "$work"
cleanup() {
    [ -d "$work/pg" ] && bash "$here/pg-cluster.sh" destroy "$work/pg" || true
    rm -rf "$work"
}
trap cleanup EXIT
(umask 077; head -c 18 /dev/urandom | base64 >"$work/pw")
KELMAR_PASSWORD=$(cat "$work/pw")
export KELMAR_PASSWORD QT_QPA_PLATFORM=offscreen TZ=UTC
# A killed process's leak report says nothing about the program.
export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=0}
failed=0

# --- 1. kill -9 in the middle of a Scan-In, a Scan-Out and an Apply pass -------------
"$admin" --server "kelmar://$work/pristine.db" --password-file "$work/pw" init >/dev/null
"$admin" --server "kelmar://$work/pristine.db" --password-file "$work/pw" demo --volumes 200 >/dev/null

# Compares a database after a pass with the one before: it must pass
# PRAGMA integrity_check, and no Volume may be half updated: its record
# changed if and only if it has new history rows for it, its description
# and attributes likewise, and a new version always comes with new history.
# Prints the number of Volumes changed.
cat >"$work/check.py" <<'PY'
import sqlite3, sys
before, after = (sqlite3.connect(p) for p in sys.argv[1:3])
if after.execute("PRAGMA integrity_check").fetchone()[0] != "ok":
    print("integrity_check failed", file=sys.stderr); sys.exit(2)
def state(db):
    # The description bit of flags moves with the description, not the record.
    rows = {tuple(r[:3]): r[3:] for r in db.execute(
        "SELECT customer_id, media_id, volume_id, version, flags & ~4096, target_repo,"
        " target_slot, current_repo, current_slot, move_date, due_time, move_time, scheduled,"
        " threshold, data_cluster, container_self, container_no, consignment_no, capacity"
        " FROM volume")}
    attrs = {}
    for r in db.execute("SELECT v.customer_id, v.media_id, v.volume_id, a.number, a.value"
                        " FROM attribute a JOIN volume v ON v.volume_row = a.volume_row"
                        " ORDER BY 1, 2, 3, 4"):
        attrs.setdefault(tuple(r[:3]), []).append(r[3:])
    history = {}
    for r in db.execute("SELECT customer_id, media_id, volume_id, action = 'attribute', COUNT(*)"
                        " FROM volume_history GROUP BY 1, 2, 3, 4"):
        history[tuple(r[:3]) + (r[3],)] = r[4]
    return rows, attrs, history
r0, a0, h0 = state(before)
r1, a1, h1 = state(after)
bad, changed = [], 0
for k in r1:
    record = r1[k][1:] != r0.get(k, (None,))[1:]
    attributes = a1.get(k) != a0.get(k)
    record_history = h1.get(k + (0,), 0) != h0.get(k + (0,), 0)
    attribute_history = h1.get(k + (1,), 0) != h0.get(k + (1,), 0)
    version = r1[k][0] != r0.get(k, (None,))[0]
    if (record != record_history or attributes != attribute_history
            or (version and not (record_history or attribute_history))):
        bad.append(k)
    changed += record or attributes
if bad:
    print("half updated:", bad[:5], file=sys.stderr); sys.exit(1)
print(changed)
PY

crash_failures=0
# MODE PAUSE: a pause in ms between scans (applied items), so that the pass
# lasts long enough for kills to land all through it.
crash_mode() {
    local mode=$1
    export ZELV_CRASH_PAUSE_MS=$2
    # How long a whole pass takes here: kills land anywhere in it.
    local probe="$work/probe-$mode"
    mkdir -p "$probe/logs"
    cp "$work/pristine.db" "$probe/demo.db"
    "$crash" "$mode" "kelmar://$probe/demo.db" "$probe/logs" >"$probe/out" 2>&1 || true
    local first_ms pass_ms expected scan_ms probe_changed
    first_ms=$(awk '/^SCANNED/ {print $5; exit}' "$probe/out")
    pass_ms=$(awk '/^SCANNED/ {n = $5} END {print n + 0}' "$probe/out")
    expected=$(grep -c '^SCANNED' "$probe/out" || true)
    scan_ms=$(((pass_ms - ${first_ms:-0}) / (expected > 1 ? expected - 1 : 1)))
    # A whole pass must go through and change what the checker looks at.
    if ! grep -q '^DONE' "$probe/out" ||
        ! probe_changed=$(python3 "$work/check.py" "$work/pristine.db" "$probe/demo.db") ||
        [ "$probe_changed" -eq 0 ] || [ "$expected" -eq 0 ]; then
        echo "crash-$mode: the pass without a kill did not go through" >&2
        cat "$probe/out" >&2
        crash_failures=$((crash_failures + 1))
        return
    fi

    local lost_log=0 half=0 no_restart=0 unchained_tail=0 broken_chain=0 mid_pass=0
    local i run pid scanned logfile written size verdict
    for i in $(seq 1 "$kills"); do
        run="$work/run"
        rm -rf "$run"
        mkdir -p "$run/logs"
        cp "$work/pristine.db" "$run/demo.db"
        "$crash" "$mode" "kelmar://$run/demo.db" "$run/logs" >"$run/out" 2>"$run/err" &
        pid=$!
        # A moment anywhere from just before the first scan to the last.
        sleep "$(python3 -c "import random; print(round(random.uniform(max(0, $first_ms - $scan_ms), $pass_ms) / 1000.0, 3))")"
        kill -9 "$pid" 2>/dev/null || true
        wait "$pid" 2>/dev/null || true
        scanned=$(grep -c '^SCANNED' "$run/out" || true)
        if [ "$scanned" -gt 0 ] && [ "$scanned" -lt "$expected" ]; then
            mid_pass=$((mid_pass + 1))
        fi
        # The log holds at least what it held when the page was done with the last scan.
        logfile=$(ls "$run"/logs/*.log 2>/dev/null | head -n 1 || true)
        written=$(awk '/^SCANNED/ {n = $4} END {print n + 0}' "$run/out")
        size=0
        [ -n "$logfile" ] && size=$(stat -c %s "$logfile")
        if [ "$size" -lt "$written" ]; then
            lost_log=$((lost_log + 1))
        fi
        if [ -n "$logfile" ]; then
            if ! verdict=$("$admin" verify-log "$logfile" 2>&1); then
                # Killed between an entry and its chain value: the entry is there,
                # unproven; anything else is a broken chain.
                if grep -q "have no chain value" <<<"$verdict"; then
                    unchained_tail=$((unchained_tail + 1))
                else
                    broken_chain=$((broken_chain + 1))
                    echo "crash-$mode run $i: $verdict" >&2
                fi
            fi
        fi
        python3 "$work/check.py" "$work/pristine.db" "$run/demo.db" >/dev/null || half=$((half + 1))
        # The next start works and finishes the pass.
        if ! ZELV_CRASH_PAUSE_MS=0 "$crash" "$mode" "kelmar://$run/demo.db" "$run/logs" >"$run/out2" 2>"$run/err2" ||
            ! grep -q '^DONE' "$run/out2"; then
            no_restart=$((no_restart + 1))
            cat "$run/out2" "$run/err2" >&2
        fi
    done
    crash_failures=$((crash_failures + lost_log + half + no_restart + broken_chain))
    echo "crash-$mode: kills=$kills pass_ms=$pass_ms scan_ms=$scan_ms scans_per_pass=$expected" \
        "killed_mid_pass=$mid_pass log_entries_lost=$lost_log db_damaged_or_half_updated=$half" \
        "restart_failed=$no_restart chain_broken=$broken_chain last_entry_unchained=$unchained_tail"
}
crash_mode scan-in 60
crash_mode scan-out 60
crash_mode apply 10
[ "$crash_failures" -eq 0 ] || failed=1

# --- 2 and 3 need PostgreSQL -----------------------------------------------------
pg=""
if pgaddr=$(bash "$here/pg-cluster.sh" init "$work/pg" 2>"$work/pg-init.err"); then
    pg=$pgaddr
else
    echo "reliability: no PostgreSQL here, its parts are skipped ($(head -n 1 "$work/pg-init.err"))" >&2
fi

if [ -n "$pg" ]; then
    # --- 2. the server stopped half way through a Scan-In ---------------------------
    env -u KELMAR_PASSWORD "$admin" --server "$pg" init >/dev/null
    env -u KELMAR_PASSWORD "$admin" --server "$pg" demo --volumes 200 >/dev/null
    mkdir -p "$work/pgrun/logs"
    ZELV_CRASH_PAUSE_MS=400 "$crash" scan-in "$pg" "$work/pgrun/logs" >"$work/pgrun/out1" 2>"$work/pgrun/err1" &
    pid=$!
    sleep 2.5
    bash "$here/pg-cluster.sh" stop "$work/pg"
    wait "$pid" || true
    kept=$(awk '/^SCANNED/ && $3 == 62' "$work/pgrun/out1" | wc -l)
    bash "$here/pg-cluster.sh" start "$work/pg"
    "$crash" scan-in "$pg" "$work/pgrun/logs" >"$work/pgrun/out2" 2>"$work/pgrun/err2" || true
    "$crash" scan-in "$pg" "$work/pgrun/logs" >"$work/pgrun/out3" 2>"$work/pgrun/err3" || true
    left=$(ls "$work/pgrun/logs" | grep -c '^ScanJournal' || true)
    replayed=$(cat "$work"/pgrun/logs/*.log | grep -c 'from the scanning journal' || true)
    done3=$(awk '/^DONE/ {print $2}' "$work/pgrun/out3")
    echo "pg-stop: scans_kept_in_journal=$kept replayed=$replayed journal_files_left=$left" \
        "still_expected_after=${done3:-?}"
    if [ "$kept" -eq 0 ] || [ "$replayed" -ne "$kept" ] || [ "$left" -ne 0 ] || [ "${done3:-1}" != 0 ]; then
        failed=1
        cat "$work"/pgrun/err* >&2
    fi
fi

# --- 3. load ----------------------------------------------------------------------
load_on() {
    local name=$1 server=$2
    "$load" setup "$server" "$volumes"
    local pids=()
    for p in $(seq 1 "$procs"); do
        "$load" run "$server" "$seconds" "$p" "$work/load-$name-$p.txt" &
        pids+=($!)
    done
    local rc=0
    for pid in "${pids[@]}"; do wait "$pid" || rc=1; done
    local figures
    if ! figures=$("$load" check "$server" "$work"/load-"$name"-*.txt) || [ $rc -ne 0 ]; then
        failed=1
    fi
    echo "load-$name: processes=$procs seconds=$seconds volumes=$volumes $figures"
}
load_on sqlite "kelmar://$work/load.db"
if [ -n "$pg" ]; then
    load_on postgresql "$pg"
fi

exit $failed
