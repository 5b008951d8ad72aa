#!/bin/bash
# F13: ./ft new quoting, --help, option-like names, clean-up on failure; stderr escaping of data-file text.
FT=$(cd .. && pwd)/ft
T=$(mktemp -d /tmp/ft-audit-f13-XXXX); mkdir -p "$T/a b;\$(id)"; cd "$T/a b;\$(id)"
echo "== new in a hostile folder"; "$FT" new lamp > out 2>&1; echo "exit $?"; cat out
echo "== paste each printed ./ft or ft-host line into sh -n / check for unquoted \$(id)"; grep -n 'lamp' out | grep -v "'" | head -5
echo "== --help"; "$FT" new --help; echo "exit $?"
for n in -rf --x -- '' '../escape' 'a/b' "$(printf 'x\033[31m')" "$(head -c 300 /dev/zero | tr '\0' a)"; do
  echo "== new '$(printf %q "$n" | cut -c1-40)'"; "$FT" new "$n" 2>&1 | head -3 | cut -c1-200; echo "exit ${PIPESTATUS[0]}"; done
ls -la | head -20
echo "== stderr escaping"; D=$(mktemp -d /tmp/ft-audit-f13d-XXXX); cp -r ../../../work/wt-audit/examples/demo $D/ 2>/dev/null || cp -r "$(dirname "$FT")/examples/demo" $D/
python3 - "$D/demo/demo.xml" <<'PY'
import sys; p = sys.argv[1]; t = open(p).read()
t = t.replace('<texts>', '<texts>\n<bogus a="x\x1b[31mRED\u0085NEL\u2028LS\u202eRLO"/>', 1)
open(p, 'w').write(t)
PY
"$(dirname "$FT")/build/bin/ft-host" --data "$D/demo/demo.xml" --port 41999 2>&1 | od -c | head -8; echo "exit ${PIPESTATUS[0]}"
