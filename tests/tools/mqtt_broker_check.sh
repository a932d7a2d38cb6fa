#!/usr/bin/env bash
# run --mqtt against a real broker (Debian's mosquitto) on loopback, watched
# by mosquitto_sub: discovery documents retained with their unit and device
# class, each round's state with rising numbers, the retained alarms of a
# mains failure, the tool's last will after SIGKILL, records across a broker
# outage at QoS 2 (each exactly once, in order) and QoS 1 (none missing),
# and across a restart of the tool during the outage; then a TLS listener
# with a CA made here accepts the tool, and a wrong CA file is refused by
# name. Exit status 77 (skipped) where mosquitto is not installed.
#
# usage: mqtt_broker_check.sh PLUGIN-HOST WORK-FOLDER
set -euo pipefail
source "$(dirname "$0")/free_port.sh"
tool=$1 work=$2
PATH=$PATH:/usr/sbin
command -v mosquitto >/dev/null && command -v mosquitto_sub >/dev/null && command -v openssl >/dev/null ||
  { echo "mosquitto, mosquitto-clients or openssl is not installed: skipped"; exit 77; }
rm -rf "$work" && mkdir -p "$work"
cd "$work"

pids=()
broker=""
cleanup() {
  for pid in "${pids[@]}" $broker; do kill "$pid" 2>/dev/null || true; done
  wait 2>/dev/null || true
}
trap cleanup EXIT
fail() {
  echo "FAIL: $*" >&2
  for log in tool*.err broker.log; do [ -f "$log" ] && { echo "--- $log:" >&2; tail -15 "$log" >&2; }; done
  exit 1
}

plain=$(free_port)
secure=$(free_port)

# A test CA, the broker's certificate for 127.0.0.1 signed by it, and a CA
# that signed nothing here.
openssl req -x509 -newkey rsa:2048 -nodes -days 2 -subj /CN=test-ca -keyout ca.key -out ca.pem 2>/dev/null
openssl req -x509 -newkey rsa:2048 -nodes -days 2 -subj /CN=other-ca -keyout wrong-ca.key -out wrong-ca.pem 2>/dev/null
openssl req -newkey rsa:2048 -nodes -subj /CN=127.0.0.1 -keyout server.key -out server.csr 2>/dev/null
printf 'subjectAltName=IP:127.0.0.1\n' >server.ext
openssl x509 -req -in server.csr -CA ca.pem -CAkey ca.key -CAcreateserial -days 2 -extfile server.ext \
  -out server.pem 2>/dev/null

# As the user who runs the test (root would hand over to the mosquitto
# user, who cannot read the files here). Persistent, so that the watcher's session and the retained messages
# outlive a stop of the broker.
cat >broker.conf <<CONF
user $(id -un)
persistence true
persistence_location $work/
max_queued_messages 0
allow_anonymous true
listener $plain 127.0.0.1
listener $secure 127.0.0.1
cafile $work/ca.pem
certfile $work/server.pem
keyfile $work/server.key
CONF
start_broker() {
  mosquitto -c broker.conf >>broker.log 2>&1 &
  broker=$!
  for _ in $(seq 1 50); do (exec 3<>"/dev/tcp/127.0.0.1/$plain") 2>/dev/null && return; sleep 0.1; done
  fail "the broker does not listen"
}
stop_broker() { kill "$broker"; wait "$broker" 2>/dev/null || true; broker=""; }
start_broker

# The watcher: a persistent session at QoS 2 that sees every message.
mosquitto_sub -p "$plain" -i watcher -c -q 2 -t 'ps/#' -F '%t %p' >watched.txt 2>watcher.err &
pids+=($!)
sleep 0.3
# retained TOPIC: the message retained there, as "RETAIN-FLAG PAYLOAD".
retained() { mosquitto_sub -p "$plain" -t "$1" -C 1 -W 2 -F '%r %p' 2>/dev/null || true; }
# seqs DEVICE: the numbers of the device's states the watcher saw, in order.
seqs() { sed -n "s|^ps/$1/state {\"seq\":\([0-9]*\),.*|\1|p" watched.txt; }
# site NAME QOS [EVENTS] [BAUD]: a site of one simulated device publishing under ps.
site() {
  printf '{"mqtt": {"url": "mqtt://127.0.0.1:%s", "prefix": "ps", "client_id": "%s", "qos": %s},
 "devices": [{"name": "%s", "history": "%s.bin", "simulator": {"events": [%s], "paced": %s}, "baud": %s}]}\n' \
    "$plain" "$1" "$2" "$1" "$1" "${3:-}" "$([ -n "${4:-}" ] && echo true || echo false)" "${4:-9600}" >"$1.json"
}

# Discovery, states and alarms: six rounds, the mains lost from the third.
site east 1 '"3 mains-failure"'
"$tool" run --site east.json --fast --rounds 6 >/dev/null 2>tool-east.err || fail "run --site east.json"
discovery=$(retained homeassistant/sensor/ps_east/dc_voltage/config)
case $discovery in
  "1 "*'"device_class":"voltage"'*'"unit_of_measurement":"V"'*'"state_class":"measurement"'*) ;;
  *) fail "the DC bus voltage's discovery document is not retained as a voltage in V: $discovery" ;;
esac
case $(retained homeassistant/binary_sensor/ps_east/alarm_level_1/config) in
  "1 "*'"availability_mode":"all"'*'"device_class":"problem"'*) ;;
  *) fail "no retained problem sensor for alarm level 1" ;;
esac
[ "$(seqs east | tr '\n' ' ')" = "1 2 3 4 5 6 " ] || fail "states of east: $(seqs east | tr '\n' ' ')"
alarms=$(retained ps/east/alarms)
case $alarms in
  "1 "*'"active":[{"name":'*) ;;
  *) fail "the mains failure is not in the retained alarms: $alarms" ;;
esac
# (The document before the failure may be passed over: at --fast speed two
# rounds can end between two looks of the publisher, which sends the state
# it finds; the retained document is the current one either way.)
grep -q '^ps/east/alarms {"active":' watched.txt || fail "no alarms document seen"

# The last will: SIGKILL leaves the tool's availability offline.
site will 1
"$tool" run --site will.json --interval 1 >/dev/null 2>tool-will.err &
killed=$!
for _ in $(seq 1 50); do grep -q 'connected to' tool-will.err && break; sleep 0.1; done
[ "$(retained ps/bridge/availability)" = "1 online" ] || fail "the tool's availability is not online while it runs"
kill -KILL "$killed"; wait "$killed" 2>/dev/null || true
sleep 0.3
[ "$(retained ps/bridge/availability)" = "1 offline" ] || fail "no offline through the last will after SIGKILL"

# The outage: three tools (QoS 2, QoS 1, and one restarted in the outage)
# poll at the pace of 38400 baud while the broker goes for two seconds.
site qos2 2 '' 38400
site qos1 1 '' 38400
site restart 1 '' 38400
"$tool" run --site qos2.json --fast --rounds 80 >/dev/null 2>tool-qos2.err & q2=$!
"$tool" run --site qos1.json --fast --rounds 80 >/dev/null 2>tool-qos1.err & q1=$!
"$tool" run --site restart.json --fast --rounds 1000 >/dev/null 2>tool-restart-1.err & r1=$!
pids+=($q2 $q1 $r1)
for _ in $(seq 1 100); do [ "$(seqs qos1 | wc -l)" -ge 10 ] && break; sleep 0.1; done
stop_broker
sleep 0.5
kill -TERM "$r1"; wait "$r1" || true
"$tool" run --site restart.json --fast --rounds 60 >/dev/null 2>tool-restart-2.err & r2=$!
pids+=($r2)
sleep 1.5
start_broker
wait "$q2" || fail "the QoS 2 run failed"
wait "$q1" || fail "the QoS 1 run failed"
wait "$r2" || fail "the restarted run failed"
sleep 1
stored() { echo $(($(stat -c %s "$1.bin") / 1003)); }
sent_back() { sed -n 's/.*; sending \([0-9]*\) records held.*/\1/p' "$1" | head -1; }
[ "$(seqs qos2 | tr '\n' ' ')" = "$(seq 1 "$(stored qos2)" | tr '\n' ' ')" ] ||
  fail "QoS 2: the states are not 1 to $(stored qos2) once each in order: $(seqs qos2 | tr '\n' ' ')"
[ "$(seqs qos1 | sort -nu | tr '\n' ' ')" = "$(seq 1 "$(stored qos1)" | tr '\n' ' ')" ] ||
  fail "QoS 1: states missing of 1 to $(stored qos1): $(seqs qos1 | sort -nu | tr '\n' ' ')"
[ "$(seqs restart | sort -nu | tr '\n' ' ')" = "$(seq 1 "$(stored restart)" | tr '\n' ' ')" ] ||
  fail "restarted in the outage: states missing of 1 to $(stored restart): $(seqs restart | sort -nu | tr '\n' ' ')"
for device in qos2 qos1; do
  [ -n "$(sent_back tool-$device.err)" ] || fail "$device: the tool did not say that it sends back records held"
  echo "outage, $device: $(stored $device) records stored, $(sent_back tool-$device.err) sent back after the outage," \
    "$(seqs $device | sort -nu | wc -l) distinct arrived ($(seqs $device | wc -l) messages)"
done
echo "outage, tool restarted: $(stored restart) records stored, $(seqs restart | sort -nu | wc -l) distinct arrived"

# A dated history across midnight, at QoS 2: a first run crosses the
# device's midnight with the broker there; a second stores five records
# while it is gone; a third, with the broker back, sends those five first.
# Each run's clock (--fast, from the wall clock in its own time zone) is
# later than the last one's, as a gateway's is from one start to the next.
mkdir -p days
dated() {
  TZ=$1 "$tool" run --fast --interval 3600 --rounds "$2" --history 'days/ps-%Y-%m-%d.bin' --keep-days 1 \
    --mqtt "mqtt://127.0.0.1:$plain" --mqtt-prefix ps --mqtt-client-id dated --mqtt-qos 2 >/dev/null 2>>tool-dated.err ||
    fail "the dated run in $1"
}
dated AAA+20 25
[ "$(ls days/ps-*.bin | wc -l)" -ge 2 ] || fail "25 hour-long rounds did not cross midnight: $(ls days)"
[ -f days/ps.mqtt-state ] || fail "no days/ps.mqtt-state beside the day files: $(ls days)"
stop_broker
dated BBB-6 5
start_broker
dated CCC-13 3
for _ in $(seq 1 50); do [ "$(seqs power-system | wc -l)" -ge 33 ] && break; sleep 0.1; done
sleep 0.3
sent_back_dated=$(sed -n 's/.*: \([0-9]*\) stored records the broker has not acknowledged.*/\1/p' tool-dated.err)
[ "$(seqs power-system | tr '\n' ' ')" = "$(seq 1 33 | tr '\n' ' ')" ] ||
  fail "dated history: the states are not 1 to 33 once each in order: $(seqs power-system | tr '\n' ' ')"
[ "$sent_back_dated" = 5 ] || fail "dated history: the restart sent back '$sent_back_dated' records, not 5"
echo "outage over a restart, dated history: 5 records sent back, 33 of 33 arrived once each in order"

# TLS: the right CA is accepted, a wrong one refused by name.
"$tool" run --fast --rounds 3 --mqtt "mqtts://127.0.0.1:$secure" --mqtt-ca-file ca.pem --mqtt-prefix ps \
  --mqtt-client-id tls >/dev/null 2>tool-tls.err || fail "run over TLS"
grep -q "connected to mqtts://127.0.0.1:$secure" tool-tls.err || fail "the TLS broker did not accept the tool"
"$tool" run --fast --rounds 3 --mqtt "mqtts://127.0.0.1:$secure" --mqtt-ca-file wrong-ca.pem \
  --mqtt-client-id wrong >/dev/null 2>tool-wrong-ca.err || true
grep -q "wrong-ca.pem" tool-wrong-ca.err || fail "the refusal of a wrong CA does not name the file"
! grep -q "connected to" tool-wrong-ca.err || fail "the tool connected with a wrong CA"
echo "mosquitto took the site's records; every check passed"
