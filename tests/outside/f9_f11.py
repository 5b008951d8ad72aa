"""F9: absurd ramp/sequence values in the data file (start and reload); F11: writeFile keeps modes, leaves authors' .ft-write files."""
import os, sys, time, subprocess, stat, urllib.request
sys.path.insert(0, os.path.dirname(__file__))
from h import Host, get, status, body, BIN, free_port, ROOT
cases = {
 'period INT64_MAX': '<ramp from="0" to="10" step="1" period="9223372036854775807"/>',
 'period 86400001': '<ramp from="0" to="10" step="1" period="86400001"/>',
 'period 86400000': '<ramp from="0" to="10" step="1" period="86400000"/>',
 'step 1e-300 over 1.7e308': '<ramp from="-1.7e308" to="1.7e308" step="1e-300" period="1"/>',
 'from -inf': '<ramp from="-inf" to="0" step="1" period="1"/>',
 'to nan': '<ramp from="0" to="nan" step="1" period="1"/>',
 'step 1e308 from -1.7e308': '<ramp from="-1.7e308" to="1.7e308" step="1e308" period="1"/>',
 'from int64 min to max step 1': '<ramp from="-9223372036854775808" to="9223372036854775807" step="9223372036854775807" period="1"/>',
 'step duration INT64_MAX': '<sequence><step value="1" duration="9223372036854775807"/><step value="2" duration="9223372036854775807"/></sequence>',
 'step duration 1e3': '<sequence><step value="1" duration="1e3"/></sequence>',
 '1e6 steps x 86400000': '<ramp from="0" to="1000000" step="1" period="86400000"/>',
 'period -1': '<ramp from="0" to="10" step="1" period="-1"/>',
 'period 0x10': '<ramp from="0" to="10" step="1" period="0x10"/>',
 'value 2^63 in sequence': '<sequence><step value="9223372036854775808" duration="1"/></sequence>',
}
demo = open(os.path.join(ROOT, 'examples/demo/demo.xml')).read()
for name, beh in cases.items():
    def edit(t, beh=beh):
        return t.replace('<parameter name="BatteryVoltage"', '<parameter name="ZZRamp" value="0">' + beh + '</parameter>\n    <parameter name="BatteryVoltage"', 1)
    h = Host(data_edit=edit, level='warning')
    alive = h.p.poll() is None
    line = (h.stderr().strip().splitlines() or [''])[-1][:150]
    r = ''
    if alive:
        time.sleep(0.3)
        r = body(get(h.port, '/readSignal?names=ZZRamp&types=Parameter'))[:60]
    print(f'{name:32} start: {"runs" if alive else "exit %s" % h.p.returncode} {r!r} {line}')
    h.stop()
# F11
h = Host(level='warning'); A = h.atws
p = f'{A}/note.txt'; open(p, 'w').write('secret'); os.chmod(p, 0o600)
q = f'{A}/group.txt'; open(q, 'w').write('g'); os.chmod(q, 0o640)
x = f'{A}/exe.sh'; open(x, 'w').write('#!/bin/sh'); os.chmod(x, 0o4755)
old = f'{A}/.ft-write-mine'; open(old, 'w').write('author'); os.utime(old, (time.time() - 3600, time.time() - 3600))
try: os.chown(q, 1000, 1000)
except Exception as e: print('chown', e)
umask = os.umask(0o022); os.umask(umask)
for n in ('note.txt', 'group.txt', 'exe.sh', 'new.txt', '.ft-write-mine'):
    r = get(h.port, f'/writeFile?name={n}&content=new%20text')
    full = f'{A}/{n}'
    st = os.stat(full) if os.path.exists(full) else None
    print(f'F11 writeFile {n}: {status(r)} mode {oct(st.st_mode & 0o7777) if st else None} owner {(st.st_uid, st.st_gid) if st else None} content {open(full).read() if st else None!r}')
print('F11 author .ft-write-mine still there:', os.path.exists(old), open(old).read())
print('F11 readFile .ft-write-mine:', body(get(h.port, '/readFile?name=.ft-write-mine')), 'deleteFile:', body(get(h.port, '/deleteFile?name=.ft-write-mine')), os.path.exists(old))
print('F11 leftovers:', [n for n in os.listdir(A) if n.startswith('.ft-write') and n != '.ft-write-mine'])
h.stop()
