"""F9 for states (rounded to integers): int64 extremes in ramps and sequences."""
import os, sys, time
sys.path.insert(0, os.path.dirname(__file__))
import h as H
from h import Host, get, body
if len(sys.argv) > 1: H.BIN = sys.argv[1]
cases = {
 'state ramp int64 min..max step 2^63-1': '<ramp from="-9223372036854775808" to="9223372036854775807" step="9223372036854775807" period="1"/>',
 'state ramp int64 min..max step 1': '<ramp from="-9223372036854775808" to="9223372036854775807" step="1" period="1"/>',
 'state ramp int64 min..max step 2^62': '<ramp from="-9223372036854775808" to="9223372036854775807" step="4611686018427387904" period="1"/>',
 'state ramp max..min step 2^62': '<ramp from="9223372036854775807" to="-9223372036854775808" step="4611686018427387904" period="1"/>',
 'state ramp 0..max step 2^62': '<ramp from="0" to="9223372036854775807" step="4611686018427387904" period="1"/>',
}
for name, beh in cases.items():
    h = Host(data_edit=lambda t: t.replace('<parameter name="BatteryVoltage"', '<state name="ZZ" value="0">' + beh + '</state>\n    <parameter name="BatteryVoltage"', 1), level='warning')
    alive = h.p.poll() is None; r = ''
    if alive:
        time.sleep(1.5); r = body(get(h.port, '/readSignal?names=ZZ&types=State'))[:60]; time.sleep(0.3)
    err = [l for l in h.stderr().splitlines() if 'runtime error' in l or 'ft-host:' in l][:2]
    print(f'{name:40} {"runs" if h.p.poll() is None else "exit %s" % h.p.returncode} {r!r} {err}')
    h.stop()
