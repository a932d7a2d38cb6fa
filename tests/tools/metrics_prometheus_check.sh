#!/usr/bin/env bash
# run --metrics against a real Prometheus server (Debian's prometheus): the
# server scrapes a site of two simulated buses every second, and its HTTP API
# is asked for the target's health, a reading against the record's value, an
# alarm raised and cleared by a scripted event, and the devices of a bus that
# stops answering. promtool checks a scrape. Everything stays on loopback.
# Exit status 77 (skipped) where prometheus is not installed.
#
# usage: metrics_prometheus_check.sh PLUGIN-HOST WORK-FOLDER
set -euo pipefail
source "$(dirname "$0")/free_port.sh"
tool=$1 work=$2
command -v prometheus >/dev/null && command -v promtool >/dev/null ||
  { echo "prometheus is not installed (apt-get install prometheus): skipped"; exit 77; }
rm -rf "$work" && mkdir -p "$work"

pids=()
cleanup() { for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done; wait 2>/dev/null || true; }
trap cleanup EXIT
fail() { echo "FAIL: $*" >&2; echo "--- plugin-host:" >&2; tail -20 "$work/tool.err" >&2; exit 1; }


# GET /metrics from the tool, without the HTTP head.
scrape() {
  exec 3<>"/dev/tcp/127.0.0.1/$1"
  printf 'GET /metrics HTTP/1.0\r\nHost: 127.0.0.1\r\n\r\n' >&3
  sed '1,/^\r$/d' <&3
  exec 3<&-
}

# east-1 steady, so its readings stay put; east-2 loses and regains the
# mains; from 7 s on neither power system on the west bus answers.
cat >"$work/site.json" <<'SITE'
{"metrics": "127.0.0.1:0",
 "devices": [
  {"name": "east-1", "simulator": {"bus": "east", "steady": true}, "address": 1},
  {"name": "east-2", "simulator": {"bus": "east", "events": ["2 mains-failure", "5 mains-restore"]}, "address": 2},
  {"name": "west-1", "simulator": {"bus": "west", "events": ["7s no-reply 100000000"]}, "address": 1},
  {"name": "west-2", "simulator": {"bus": "west", "events": ["7s no-reply 100000000"]}, "address": 2}
 ]}
SITE
"$tool" run --site "$work/site.json" --interval 1 --timeout 100 --json >"$work/rounds.json" 2>"$work/tool.err" &
pids+=($!)
for _ in $(seq 1 50); do
  metrics_port=$(sed -n 's|.*metrics on http://127.0.0.1:\([0-9]*\)/metrics.*|\1|p' "$work/tool.err")
  [ -n "$metrics_port" ] && break
  sleep 0.1
done
[ -n "$metrics_port" ] || fail "the tool did not say where it serves its metrics"

prometheus_port=$(free_port)
cat >"$work/prometheus.yml" <<CONFIG
global:
  scrape_interval: 1s
  evaluation_interval: 1s
scrape_configs:
  - job_name: plugin-host
    static_configs:
      - targets: ['127.0.0.1:$metrics_port']
CONFIG
prometheus --config.file="$work/prometheus.yml" --storage.tsdb.path="$work/data" \
  --web.listen-address="127.0.0.1:$prometheus_port" >"$work/prometheus.log" 2>&1 &
pids+=($!)
server=http://127.0.0.1:$prometheus_port

# query EXPR: the instant query's samples, one "labels => value @[time]" line each.
query() { promtool query instant "$server" "$1" 2>/dev/null || true; }
value_of() { query "$1" | sed -n 's/.* => \([^ ]*\) @.*/\1/p' | head -1; }
# wait_for EXPR SECONDS: until the query gives something.
wait_for() {
  for _ in $(seq 1 $((${2} * 5))); do
    [ -n "$(query "$1")" ] && return 0
    sleep 0.2
  done
  return 1
}

wait_for 'up{job="plugin-host"} == 1' 8 || fail "the scrape target is not up"
wait_for 'powersystem_dc_voltage_volts{device="east-1",unit="1"}' 5 || fail "no DC bus voltage of east-1"
record=$(grep '"device":"east-1"' "$work/rounds.json" | grep '"completed":true' | tail -1 |
  sed -n 's/.*"dc":\[{"out_v":\([^,]*\),.*/\1/p')
served=$(value_of 'powersystem_dc_voltage_volts{device="east-1",unit="1"}')
awk -v a="$record" -v b="$served" 'BEGIN { exit !(a != "" && (a - b) ^ 2 < 1e-8) }' ||
  fail "DC bus voltage of east-1: the record says $record V, Prometheus $served"

# The mains failure raises the input power failure alarm (of both AC
# channels), and the restore clears it.
raised_and_cleared='max_over_time(powersystem_alarm_active{device="east-2"}[1m]) == 1
  and on (device, alarm, level) powersystem_alarm_active{device="east-2"} == 0'
wait_for "$raised_and_cleared" 8 || fail "no alarm of east-2 was raised and cleared"

# The west bus stops answering: up goes to 0 and its readings go, while the
# east bus goes on and the target stays up.
wait_for 'sum(powersystem_up{bus="west"}) == 0 and count(powersystem_up{bus="west"}) == 2' 10 ||
  fail "the west bus's devices are still up"
[ -z "$(query 'powersystem_dc_voltage_volts{bus="west"}')" ] || fail "the west bus's readings are still served"
[ "$(value_of 'count(powersystem_dc_voltage_volts{bus="east"})')" = 2 ] || fail "the east bus's readings are gone"
[ "$(value_of 'up{job="plugin-host"}')" = 1 ] || fail "the scrape target went down with one bus"
[ -n "$(query 'powersystem_rounds_given_up_total{device="west-1"} > 0')" ] || fail "no rounds given up on west-1"

scrape "$metrics_port" >"$work/scrape.txt"
problems=$(promtool check metrics <"$work/scrape.txt" 2>&1) || fail "promtool check metrics: $problems"
[ -z "$problems" ] || fail "promtool check metrics: $problems"
echo "prometheus scraped the site; every check passed"
