#!/bin/bash
# F2/F4/F10 with curl against the panel: Host, Origin, Content-Type rules, limits, number ranges.
set -u
W=$(mktemp -d /tmp/ft-audit-f2c-XXXX); cp -r ../examples/demo $W/
P=$(python3 -c 'import socket;s=socket.socket();s.bind(("127.0.0.1",0));print(s.getsockname()[1])'); C=$((P+1))
../build/bin/ft-host --data $W/demo/demo.xml --port $P --control-port $C --log-level warning >$W/out 2>$W/err & HP=$!
for i in $(seq 100); do grep -q "control panel" $W/out && break; sleep 0.05; done
U=http://127.0.0.1:$C
c() { printf '%-60s ' "$1"; shift; curl -s -m 10 -o /tmp/ft-audit-body -w '%{http_code} %{time_total}s ' "$@"; head -c 110 /tmp/ft-audit-body; echo; }
J='Content-Type: application/json'
c "GET ecu" $U/api/ecu
for h in "evil.example:$C" "127.0.0.1" "127.0.0.1:1" "localhost:$C" "LOCALHOST:$C" "[::1]:$C" "127.0.0.1.evil.example:$C" "127.0.0.2:$C" "localhost.:$C" "127.0.0.1:$C.evil" "127.0.0.1:0$C" " 127.0.0.1:$C" "127.0.0.1:$C, evil.example" ; do
  c "GET ecu Host '$h'" -H "Host: $h" $U/api/ecu; done
c "GET log no Host (HTTP/1.0)" -0 -H 'Host:' $U/api/log
printf 'GET /api/ecu HTTP/1.1\r\nHost: 127.0.0.1:%s\r\nHost: evil.example\r\n\r\n' $C | timeout 5 nc -q 3 127.0.0.1 $C | head -1 | sed 's/^/two Host headers: /'
c "GET changes Origin evil (ACAO?)" -D - -H 'Origin: http://evil.example' "$U/api/changes?warnings=0"
for ct in 'text/plain' 'application/json; charset=utf-8' 'Application/JSON' 'application/jsonp' 'application/json, text/plain' 'application/x-json' ''; do
  c "POST command CT '$ct'" -H "Content-Type: $ct" -d '{"value":1}' $U/api/command/SelfTest; done
c "POST reset no CT" -X POST $U/api/reset
c "POST reset JSON" -X POST -H "$J" $U/api/reset
for o in 'http://evil.example' 'null' "http://127.0.0.1:$C" "http://localhost:$C" "http://127.0.0.1:$P" 'http://127.0.0.1'; do
  c "POST Origin '$o'" -H "$J" -H "Origin: $o" -d '{"value":1}' $U/api/command/SelfTest; done
for s in cross-site same-site same-origin none CROSS-SITE; do c "POST Sec-Fetch-Site $s" -H "$J" -H "sec-fetch-site: $s" -d '{"value":1}' $U/api/command/SelfTest; done
c "PUT command" -X PUT -H "$J" -d '{"value":1}' $U/api/command/SelfTest
c "DELETE command" -X DELETE -H "$J" $U/api/command/SelfTest
c "OPTIONS preflight" -X OPTIONS -H 'Origin: http://evil.example' -H 'Access-Control-Request-Method: POST' -D - $U/api/command/SelfTest
# F10 ranges
for v in 4294967296 18446744073709551615 2147483648 -2147483649 2147483647 -2147483648 1e3 1.5 '"7"' true null 1e400 -0 9007199254740993; do
  c "command value $v" -H "$J" -d "{\"value\":$v}" $U/api/command/SelfTest; done
for v in 9223372036854775807 9223372036854775808 -9223372036854775809 18446744073709551615 1e19 1.7e308 1e400 '"abc"'; do
  c "state value $v" -H "$J" -d "{\"value\":$v}" $U/api/state/PumpState; done
for v in 9223372036854775808 1.5 -9223372036854775808 '"3"'; do c "mask value $v" -H "$J" -d "{\"value\":$v}" $U/api/mask/VehicleType; done
for s in 0 4294967282 -4294967310 2147483648 -14.5 '"-14"'; do c "refuse status $s" -H "$J" -d "{\"mode\":\"refuse\",\"status\":$s}" $U/api/command/SelfTest; done
for d in -1 600001 600000 1e9 18446744073709551616 0.5; do c "delay $d" -H "$J" -d "{\"mode\":\"normal\",\"delay\":$d}" $U/api/ecu; done
c "parameter integer value" -H "$J" -d '{"value":13}' $U/api/parameter/BatteryVoltage
c "parameter float 1e308" -H "$J" -d '{"value":1e308}' $U/api/parameter/BatteryVoltage
c "parameter NaN" -H "$J" -d '{"value":NaN}' $U/api/parameter/BatteryVoltage
c "rawframe response odd" -H "$J" -d '{"response":"7F2"}' $U/api/rawframe/22F190
c "rawframe response nonhex" -H "$J" -d '{"response":"ZZ"}' $U/api/rawframe/22F190
# F4 limits
c "gzip body" -H "$J" -H 'Content-Encoding: gzip' --data-binary @<(echo '{"value":1}' | gzip) $U/api/command/SelfTest
c "deflate body" -H "$J" -H 'Content-Encoding: deflate' -d '{"value":1}' $U/api/command/SelfTest
c "CE identity" -H "$J" -H 'Content-Encoding: identity' -d '{"value":1}' $U/api/command/SelfTest
c "CE GZIP upper" -H "$J" -H 'Content-Encoding: GZIP' -d '{"value":1}' $U/api/command/SelfTest
c "body 1 MiB+1" -H "$J" --data-binary @<(head -c 1048577 /dev/zero | tr '\0' ' ') $U/api/command/SelfTest
c "body 1 MiB exactly (spaces+json)" -H "$J" --data-binary @<(printf '{"value":1}'; head -c $((1048576-11)) /dev/zero | tr '\0' ' ') $U/api/command/SelfTest
c "chunked 3 MiB" -H "$J" -H 'Transfer-Encoding: chunked' --data-binary @<(head -c 3000000 /dev/zero | tr '\0' ' ') $U/api/command/SelfTest
c "Content-Length 1 GiB, 1 MiB sent" -H "$J" -H 'Content-Length: 1073741824' --data-binary @<(head -c 1048576 /dev/zero) $U/api/command/SelfTest
c "header 40 KiB" -H "X-A: $(head -c 40000 /dev/zero | tr '\0' a)" $U/api/ecu
c "400 headers of 100 B" $(for i in $(seq 400); do printf -- "-H X-$i:%0100d " 0; done) $U/api/ecu
c "URL 40 KiB" "$U/api/ecu?x=$(head -c 40000 /dev/zero | tr '\0' a)"
echo "RSS after: $(grep VmRSS /proc/$HP/status)"
t0=$(date +%s.%N); kill -TERM $HP; wait $HP; echo "exit $? after $(echo "$(date +%s.%N)-$t0" | bc) s"
