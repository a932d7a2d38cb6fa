#!/usr/bin/env bash
# The report as a person sees it: writes a history with a mains failure and
# a faulty module, makes the report, opens it in headless Chromium without
# network and checks that every chart drew something and that the page wrote
# nothing to the console (it writes nothing when all is well, so any console
# line, an uncaught error or a refused load among them, fails). Saves a
# screenshot. Exits 77 (skipped) where Chromium is not installed.
#
# usage: report_page_check.sh PLUGIN_HOST SCREENSHOT
set -euo pipefail
plugin_host=$1
screenshot=$2

if ! command -v chromium >/dev/null; then
  echo "chromium is not installed: the page is not checked"
  exit 77
fi

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

"$plugin_host" run --fast --rounds 200 --event '40 mains-failure' --event '90 mains-restore' \
  --event '60 module-fault 2' --event '120 module-recover 2' --history "$work/h.bin" >/dev/null 2>"$work/run.err"
"$plugin_host" report "$work/h.bin" -o "$work/report.html"

# Every name resolves to nothing: the page must not need the network.
browser=(chromium --headless --no-sandbox --disable-gpu --disable-quic --no-first-run
  --disable-background-networking --disable-component-update --disable-sync
  --host-resolver-rules='MAP * ~NOTFOUND' --user-data-dir="$work/profile"
  --enable-logging=stderr --v=0 --window-size=1400,2600)

timeout 120 "${browser[@]}" --dump-dom "file://$work/report.html" >"$work/dom.html" 2>"$work/browser.log"
if grep -a 'CONSOLE' "$work/browser.log"; then
  echo "FAIL: the page wrote to the console"
  exit 1
fi
drawn=$(grep -o "data-drawn=\"[^\"]*\"" "$work/dom.html" | sed 's/&quot;/"/g') || true
echo "drawn: ${drawn:-nothing}"
for chart in dc_voltage dc_current ac_voltage ac_frequency rectifier_voltage rectifier_current modules alarms; do
  if ! grep -q "\"$chart\":[1-9]" <<<"$drawn"; then
    echo "FAIL: the $chart chart is empty"
    exit 1
  fi
done

timeout 120 "${browser[@]}" --screenshot="$screenshot" "file://$work/report.html" >/dev/null 2>>"$work/browser.log"
test -s "$screenshot"
echo "screenshot: $screenshot"
