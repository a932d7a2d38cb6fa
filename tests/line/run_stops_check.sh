#!/usr/bin/env bash
# plugin-host run stopped by SIGTERM in each kind of wait, and a site that
# starts with a port missing: each stop takes under a second, the exit
# status and the closing account say what happened; with standard error on
# the journal, line messages carry their priorities.
#
#   run_stops_check.sh TOOL WORK_DIR [EMULATOR...]
set -u
tool=$1
work=$2
shift 2
emulator=("$@")
rm -rf "$work" && mkdir -p "$work" && cd "$work" || exit 1
cat >gone.json <<'JSON'
{"devices": [{"name": "here", "simulator": {"bus": "a"}, "address": 1},
             {"name": "gone", "port": "/dev/ttyNOPE-plugin-host-test", "address": 1}]}
JSON

# name | seconds before SIGTERM | status | standard error (extended regex, each line must match) | arguments...
cases=(
  "interval wait|1.5|0|stopped after 1 round: 1 completed, 0 abandoned|run --interval 3600"
  "reply wait|1.5|1|stopped after 1 round: 0 completed, 1 abandoned \(1 cut short by the stop\)|run --event 1_no-reply_50 --timeout 60000"
  "site with a port missing|2.5|1|gone on /dev/ttyNOPE-plugin-host-test: line lost \(serial port .* does not exist\)|run --site gone.json"
  "site with a port missing, named|2.5|1|plugin-host run: gone completed no round|run --site gone.json"
  "journal: a lost line said at err|2.5|1|^<3>gone on /dev/ttyNOPE-plugin-host-test: line lost|run --site gone.json"
)

failures=0
for case in "${cases[@]}"; do
  IFS='|' read -r name after want_status want_stderr arguments <<<"$case"
  read -r -a argv <<<"$arguments"
  argv=("${argv[@]//_/ }")
  : >err.txt
  journal=""
  # As systemd connects standard error to the journal: the stream's device and inode.
  [[ $name == journal* ]] && journal=$(stat -c %d:%i err.txt)
  JOURNAL_STREAM=$journal "${emulator[@]}" "$tool" "${argv[@]}" >out.txt 2>>err.txt &
  pid=$!
  sleep "$after"
  stop_at=$(date +%s%N)
  kill -TERM "$pid"
  wait "$pid"
  status=$?
  took_ms=$((($(date +%s%N) - stop_at) / 1000000))
  problem=""
  [ "$status" -eq "$want_status" ] || problem+=" status $status (want $want_status);"
  [ "$took_ms" -lt 1000 ] || problem+=" took ${took_ms} ms to stop;"
  grep -Eq "$want_stderr" err.txt || problem+=" standard error lacks /$want_stderr/;"
  if [ -n "$problem" ]; then
    echo "FAIL $name:$problem"
    sed 's/^/    /' err.txt
    failures=$((failures + 1))
  fi
done
[ "$failures" -eq 0 ] && echo "all ${#cases[@]} stops as they should"
exit "$failures"
