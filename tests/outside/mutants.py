"""The issue's mutants, seen from outside: request size near 1 MiB, hex literals in masks, the start-up mask check, stop with parked threads."""
import os, sys, time, json, urllib.request
sys.path.insert(0, os.path.dirname(__file__))
from h import Host, get, raw, status, body
masks = {'HexA': 'VehicleType == 0x2', 'HexB': 'VehicleType == 0x02', 'HexC': 'VehicleType == 0x3', 'Dec': 'VehicleType == 2', 'NoVar': 'NoSuchVar == 1'}
items = ''.join(f'<state name="{n}" value="0"><mask>{m}</mask></state>\n' for n, m in masks.items())
h = Host(data_edit=lambda t: t.replace('<parameter name="BatteryVoltage"', items + '<parameter name="BatteryVoltage"', 1), level='warning')
names = ';'.join(masks); r = body(get(h.port, f'/isApplicable?names={names}&types=' + ';'.join(['State'] * len(masks))))
print('isApplicable', names, '->', r, '(want 1;1;0;1;0)')
w = [l for l in h.stderr().splitlines() if 'mask' in l.lower()]
print('start-up mask warnings naming NoVar:', sum('NoVar' in l for l in w), '; naming Hex/Dec items:', sum(any(k in l for k in ('HexA', 'HexB', 'HexC', 'Dec ')) for l in w))
for L in (262144 + 100, 600000, 1048576 - 600, 1048576 - 100, 1048576 + 100):
    line = b'GET /readFile?name=welcome.txt&pad=' + b'a' * (L - 50) + b' HTTP/1.0\r\n\r\n'
    r = raw(h.port, line, timeout=20)
    print(f'readFile request of {len(line)} bytes: status {status(r)} body {len(body(r))} B')
for _ in range(60): get(h.port, '/getText?textCode=T_ON&origin=K')
time.sleep(1)
print('stop with parked threads:', h.stop())
