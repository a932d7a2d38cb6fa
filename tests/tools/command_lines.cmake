# Command lines of plugin-host and what they give: the exit status, what
# standard error says (a regular expression searched in it) and, where it
# matters, how standard output starts.
#
#   cmake -DTOOL=... [-DEMULATOR=a|b|c] -DWORK_DIR=... -P command_lines.cmake
cmake_minimum_required(VERSION 3.22)
string(REPLACE "|" ";" emulator "${EMULATOR}")
file(REMOVE_RECURSE "${WORK_DIR}")
file(MAKE_DIRECTORY "${WORK_DIR}/a-directory" "${WORK_DIR}/state")
file(WRITE "${WORK_DIR}/site.json" [=[{"appSetting": {"has_ac": "1", "has_dc": {"x": 1}}}]=])
file(WRITE "${WORK_DIR}/list.json" [=[{"thresholdSetting": {"AC_0": {"NMAlarmID": ["419410701"]}}}]=])
# A site of two simulated buses and five devices; and two that must be refused.
file(WRITE "${WORK_DIR}/plant.json" [=[{"devices": [
  {"name": "east-1", "simulator": {"bus": "east"}, "address": 1, "history": "east-1.bin"},
  {"name": "east-2", "simulator": {"bus": "east", "events": ["2 mains-failure"]}, "address": 2},
  {"name": "east-3", "simulator": {"bus": "east", "modules": 3, "paced": false}, "address": 3},
  {"name": "west-1", "simulator": {"bus": "west", "dc_units": 2}, "address": 1, "interval": 3},
  {"name": "west-5", "simulator": {"bus": "west"}, "address": 5, "host": {"levels": {"210600320010": 2}}}]}]=])
file(WRITE "${WORK_DIR}/taken.json" [=[{"devices": [{"name": "a", "port": "/dev/null", "address": 1},
  {"name": "b", "port": "/dev/null", "address": 1}]}]=])
file(WRITE "${WORK_DIR}/empty.bin" "")
string(REPEAT "00" 1003 zero_record)
file(WRITE "${WORK_DIR}/record.hex" "${zero_record}\n")
file(WRITE "${WORK_DIR}/typo.json" [=[{"devices": [{"simulator": {"modlues": 4}}]}]=])
file(WRITE "${WORK_DIR}/one.jsonl" "{\"op\":\"config\",\"doc\":{}}\n")
file(WRITE "${WORK_DIR}/shared.json" [=[{"devices": [
  {"name": "east-1", "simulator": {"bus": "east"}, "address": 1, "history": "east.bin"},
  {"name": "east-2", "simulator": {"bus": "east"}, "address": 2, "history": "./east.bin"}]}]=])
file(WRITE "${WORK_DIR}/serial.json" [=[{"devices": [{"name": "a", "port": "/dev/null", "address": 1}]}]=])
# Documents with a member that is misspelt, unknown or out of range; each
# refusal names the file and the key path.
file(WRITE "${WORK_DIR}/empty")
file(WRITE "${WORK_DIR}/threshold.json" [=[{"host": {"threshold": {"220600140010": 50}}}]=])
file(WRITE "${WORK_DIR}/bogus.json" [=[{"appSetting": {"plug-in's own": "1"}, "host": {"bogus": 1}}]=])
file(WRITE "${WORK_DIR}/level.json" [=[{"host": {"levels": {"220600140010": 99999999999}}}]=])
file(WRITE "${WORK_DIR}/extra.json" [=[{"devices": [{"simulator": {}}], "extra": 1}]=])
file(WRITE "${WORK_DIR}/adress.json" [=[{"devices": [{"simulator": {}, "adress": 2}]}]=])
file(WRITE "${WORK_DIR}/beside.json" [=[{"devices": [{"simulator": {}, "host": {"level": {}}}]}]=])
file(WRITE "${WORK_DIR}/via-file.json" [=[{"devices": [{"simulator": {}, "config": "bogus.json"}]}]=])
file(WRITE "${WORK_DIR}/in-place.json" [=[{"devices": [{"simulator": {}, "config": {"appSetting": {"has_ac": [1]}}}]}]=])
file(WRITE "${WORK_DIR}/clash.json" [=[{"devices": [{"port": "/dev/null"}, {"port": "/dev/null"}]}]=])
file(WRITE "${WORK_DIR}/keep.json" [=[{"devices": [{"simulator": {}, "history": "h-%Y.bin", "keep_days": 3}]}]=])
file(WRITE "${WORK_DIR}/hour.json" [=[{"devices": [{"simulator": {}, "history": "h-%H.bin"}]}]=])
file(WRITE "${WORK_DIR}/paced.json" [=[{"devices": [{"simulator": {"bus": "b", "paced": true}},
  {"simulator": {"bus": "b", "paced": false}, "address": 2}]}]=])

# status | standard error | standard output starts with | arguments...
set(cases
  [=[0|^$|^plugin-host [0-9]+\.[0-9]+\.[0-9]+.*\nplug-in: .*libqorv52_419\.so\n$|--version]=]
  [=[0|^$|^plugin-host [0-9]|decode|-V]=]
  [=[0|^$|^usage: plugin-host run .*mains-failure +AC input lost|run|--help]=]
  [=[2|^plugin-host: a command is required\nTry 'plugin-host --help'\.\n$|^$]=]
  [=[2|^plugin-host: unknown command frob\n||frob]=]
  [=[2|^plugin-host run: unknown option --bogus\nTry 'plugin-host run --help'\.\n$|^$|run|--bogus]=]
  [=[2|^plugin-host run: --rounds takes a decimal number from 1 to 1000000000, not "0x10" \(hexadecimal is not taken\)\n||run|--rounds|0x10]=]
  [=[2|^plugin-host run: .*--port.*--fast||run|--port|/dev/null|--fast]=]
  [=[2|^plugin-host simulate: --[a-z]+ excludes --[a-z]+\n||simulate|--port|/dev/null|--link|sim-link]=]
  [=[2|^plugin-host simulate: --protocol-version takes a decimal number||simulate|--protocol-version|0x20]=]
  [=[2|^plugin-host simulate: --event: .*frobnicate||simulate|--event|3 frobnicate]=]
  [=[0|stopped after 10 rounds: 10 completed, 0 abandoned, 0 line faults\n$|^({"round":[0-9]+,"completed":true,[^\n]*\n)+$|run|--rounds=010|--fast|--steady|--json]=]
  [=[1|stopped after 2 rounds: 0 completed, 2 abandoned, 6 line faults\n$||run|--event|1 no-reply 50|--rounds|2|--fast|--timeout|20]=]
  [=[1|^plugin-host run: .*cannot open the history file||run|--rounds|1|--fast|--history|${WORK_DIR}/none/h.bin]=]
  [=[1|^plugin-host run: cannot open ${WORK_DIR}/none/out for the plug-in's output||run|--rounds|1|--plugin-output|${WORK_DIR}/none/out]=]
  [=[0|stopped after 10 rounds of 5 devices: 10 completed, 0 abandoned, 0 line faults\n$|^({"device":"[a-z]+-[1-5]","round":[12],"completed":true,[^\n]*\n)+$|run|--site|plant.json|--rounds|2|--json]=]
  [=[0|stopped after 100 rounds of 5 devices: 100 completed, 0 abandoned, 0 line faults\n$||run|--site|plant.json|--fast|--rounds|20]=]
  [=[0|stopped after 5 rounds of 5 devices: 5 completed, 0 abandoned, 0 line faults\n$||run|--site|plant.json|--fast|--paced|--rounds|1]=]
  [=[2|^plugin-host run: --fast moves the clock of simulated buses only, and /dev/null is a serial port\n$||run|--site|serial.json|--fast]=]
  [=[2|^plugin-host run: --port excludes --site||run|--site|plant.json|--port|/dev/null]=]
  [=[0|stopped after 5 rounds of 5 devices||run|--site|plant.json|--fast|--rounds|1|--state-dir|state]=]
  [=[2|^plugin-host run: --state-dir: no folder none: No such file or directory\n||run|--site|plant.json|--state-dir|none]=]
  [=[2|^plugin-host run: --state-dir: site\.json is not a folder\n||run|--site|plant.json|--state-dir|site.json]=]
  [=[2|^plugin-host run: --state-dir requires --site\n||run|--state-dir|state]=]
  [=[2|^plugin-host run: --history: "%H" is not taken: a history name may carry %Y, %m, %d and %% only\n||run|--history|h-%H.bin]=]
  [=[2|^plugin-host run: --history: "h/%Y": a folder's name carries no date||run|--history|h/%Y/x.bin]=]
  [=[2|^plugin-host run: --keep-days takes a --history whose name carries the day: %Y, %m and %d\n$||run|--history|h-%Y-%m.bin|--keep-days|3]=]
  [=[2|^plugin-host run: --history and --capture name the same file \./h\.bin \(h\.bin and \./h\.bin are one file\): one file takes one writer\n$||run|--history|h.bin|--capture|./h.bin]=]
  [=[2|^plugin-host run: device "east-1" history and device "east-2" history name the same file||run|--site|shared.json]=]
  [=[2|^plugin-host replay: the scenario and --transcript name the same file||replay|one.jsonl|--transcript|../command_lines/one.jsonl]=]
  [=[1|^plugin-host replay: cannot write the transcript to /dev/full\n$||replay|one.jsonl|--transcript|/dev/full]=]
  [=[1|plugin-host run: cannot write the plug-in's output to /dev/full\n$||run|--rounds|1|--fast|--plugin-output|/dev/full]=]
  [=[0|^$|^plug-in: |info]=]
  [=[2|^plugin-host info: site\.json: appSetting\.has_dc: an object where text is expected\n$|^$|info|--config|site.json]=]
  [=[2|^plugin-host info: list\.json: thresholdSetting\.AC_0\.NMAlarmID: an array where text is expected||info|--config|list.json]=]
  [=[2|^plugin-host run: a-directory: is a directory||run|--config|a-directory]=]
  [=[2|^plugin-host info: /dev/zero: larger than 1 MiB||info|--config|/dev/zero]=]
  [=[1|^plugin-host info: cannot load the plug-in ${WORK_DIR}/none\.so: ||info|--plugin|${WORK_DIR}/none.so]=]
  [=[2|^plugin-host decode: cannot read none\.bin\n$||decode|none.bin]=]
  [=[2|^plugin-host decode: a-directory: a folder that holds no file of records\n$||decode|a-directory]=]
  [=[2|^plugin-host decode: empty\.bin is empty: it holds no record\n$||decode|empty.bin]=]
  [=[2|^plugin-host report: a-directory/\.\./record\.hex is named as the page's output \(-o\) and as the history record\.hex||report|record.hex|-o|a-directory/../record.hex]=]
  [=[1|plugin-host report: cannot write /dev/full: No space left on device\n$||report|record.hex|-o|/dev/full]=]
  [=[2|^plugin-host replay: SCENARIO is required\n||replay]=]
  [=[2|^plugin-host run: --address: 99999999999 is out of range: from 0 to 255\n||run|--address|99999999999]=]
  [=[2|^plugin-host run: unknown option --round \(did you mean --rounds\?\)\n||run|--round|5]=]
)

# Documents: every refusal names the file and the key path.
set(document_cases
  [=[2|^plugin-host run: taken\.json: devices\[1\]\.address: 1 on /dev/null is taken by device "a"\n$||run|--site|taken.json]=]
  [=[2|^plugin-host run: clash\.json: devices\[1\]\.address: 1 on /dev/null is taken by devices\[0\]\n$||run|--site|clash.json]=]
  [=[2|^plugin-host run: typo\.json: devices\[0\]\.simulator\.modlues: unknown member \(did you mean "modules"\?\)\n$||run|--site|typo.json]=]
  [=[2|^plugin-host run: extra\.json: extra: unknown member\n$||run|--site|extra.json]=]
  [=[2|^plugin-host run: adress\.json: devices\[0\]\.adress: unknown member \(did you mean "address"\?\)\n$||run|--site|adress.json]=]
  [=[2|^plugin-host run: beside\.json: devices\[0\]\.host\.level: unknown member \(did you mean "levels"\?\)\n$||run|--site|beside.json]=]
  [=[2|^plugin-host run: bogus\.json: host\.bogus: unknown member\n$||run|--site|via-file.json]=]
  [=[2|^plugin-host run: in-place\.json: devices\[0\]\.config\.appSetting\.has_ac: an array where text is expected\n$||run|--site|in-place.json]=]
  [=[2|^plugin-host run: keep\.json: devices\[0\]\.keep_days: takes a "history" whose name carries the day||run|--site|keep.json]=]
  [=[2|^plugin-host run: hour\.json: devices\[0\]\.history: "%H" is not taken||run|--site|hour.json]=]
  [=[2|^plugin-host run: paced\.json: devices\[1\]\.simulator\.paced: false, but devices\[0\] on bus b says true\n$||run|--site|paced.json]=]
  [=[2|^plugin-host run: threshold\.json: host\.threshold: unknown member \(did you mean "thresholds"\?\)\n$||run|--config|threshold.json]=]
  [=[2|^plugin-host report: bogus\.json: host\.bogus: unknown member\n$||report|none.bin|--config|bogus.json]=]
  [=[2|^plugin-host run: level\.json: host\.levels\.220600140010: 99999999999 is out of range: from -2147483648 to 2147483647\n$||run|--config|level.json]=]
  [=[2|^plugin-host run: empty: empty, not a configuration\n$||run|--config|empty]=]
  [=[2|^plugin-host run: a-directory: is a directory, not a capture file\n$||run|--from-capture|a-directory]=]
  [=[2|^plugin-host run: /dev/null: empty, not a capture\n$||run|--from-capture|/dev/null]=]
  [=[2|^plugin-host run: site\.json: not a capture: it holds no request||run|--from-capture|site.json]=]
)

# An empty value (as an unset variable gives), or an option where a value
# should be, for an option that names a file, port or link. (A list element
# cannot be empty: --opt= gives the empty value here.)
set(value_cases
  [=[2|^plugin-host run: --history: an empty value||run|--history=]=]
  [=[2|^plugin-host run: --capture: an empty value||run|--capture=]=]
  [=[2|^plugin-host run: --plugin-output: an empty value||run|--plugin-output=]=]
  [=[2|^plugin-host info: --config: an empty value||info|--config=]=]
  [=[2|^plugin-host run: --port: an empty value||run|--port=]=]
  [=[2|^plugin-host run: --site: an empty value||run|--site=]=]
  [=[2|^plugin-host run: --state-dir: an empty value||run|--site|plant.json|--state-dir=]=]
  [=[2|^plugin-host replay: --transcript: an empty value||replay|none.jsonl|--transcript=]=]
  [=[2|^plugin-host simulate: --link: an empty value||simulate|--link=]=]
  [=[2|^plugin-host run: --port: "--rounds" looks like an option, not a value \(for a file of that name write \./--rounds\)\n||run|--port|--rounds|3]=]
  [=[2|^plugin-host run: --history: "-" looks like an option||run|--history|-]=]
  [=[2|^plugin-host run: --log: takes stderr or syslog, not ""\n||run|--log=|--rounds|3]=]
)

set(failures "")
foreach(case IN LISTS cases document_cases value_cases)
  string(CONFIGURE "${case}" case)
  string(REPLACE "\\n" "\n" case "${case}")
  string(REPLACE "|" ";" fields "${case}")
  list(POP_FRONT fields want_status want_stderr want_stdout)
  execute_process(COMMAND ${emulator} ${TOOL} ${fields}
    WORKING_DIRECTORY "${WORK_DIR}"
    RESULT_VARIABLE status OUTPUT_VARIABLE out ERROR_VARIABLE err TIMEOUT 60)
  if(NOT want_stdout)
    set(want_stdout ".*")
  endif()
  if(NOT status STREQUAL want_status OR NOT err MATCHES "${want_stderr}" OR NOT out MATCHES "${want_stdout}")
    string(APPEND failures "\nplugin-host ${fields}\n  status ${status} (want ${want_status})\n"
      "  standard error: ${err}  standard output: ${out}\n")
  endif()
endforeach()
# With --state-dir the site's relative history names are in that folder
# (as a service's are in its state directory), not beside the document.
set(state_history_size 0)
if(EXISTS "${WORK_DIR}/state/east-1.bin")
  file(SIZE "${WORK_DIR}/state/east-1.bin" state_history_size)
endif()
if(NOT state_history_size EQUAL 1003)
  string(APPEND failures "\nrun --site plant.json --state-dir state wrote ${state_history_size} bytes to state/east-1.bin "
    "(want one record)\n")
endif()
# Standard output that takes nothing, as on a full disk: the command fails
# and says so.
execute_process(COMMAND ${emulator} ${TOOL} decode --hex record.hex --csv
  WORKING_DIRECTORY "${WORK_DIR}" OUTPUT_FILE /dev/full RESULT_VARIABLE status ERROR_VARIABLE err TIMEOUT 60)
if(NOT status STREQUAL 1 OR NOT err MATCHES "^plugin-host decode: cannot write standard output: No space left")
  string(APPEND failures "\nplugin-host decode --hex record.hex --csv > /dev/full\n  status ${status} (want 1)\n"
    "  standard error: ${err}\n")
endif()
if(failures)
  message(FATAL_ERROR "command lines that did not give what they should:${failures}")
endif()
