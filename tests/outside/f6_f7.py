"""F6: reads during reloads; F7: SIGTERM during the reload of a large file; F8: SIGTERM right after the port accepts."""
import os, sys, time, socket, threading, json, signal, subprocess, urllib.request
sys.path.insert(0, os.path.dirname(__file__))
from h import Host, get, status, body, BIN, free_port
h = Host(level='warning')
J = {'Content-Type': 'application/json'}
def reload():
    req = urllib.request.Request(f'http://127.0.0.1:{h.cport}/api/reload', data=b'', headers=J, method='POST')
    return urllib.request.urlopen(req, timeout=20).status
stop = False; reloads = [0]
def quiet_reload():
    try: print('  reload answered', reload())
    except Exception as e: print('  reload cut:', type(e).__name__)
def reloader():
    while not stop:
        try: reload(); reloads[0] += 1
        except Exception as e: print('reload error', e)
threading.Thread(target=reloader, daemon=True).start()
bad = []; n = 0; t0 = time.time()
q = '/readSignal?names=PumpState;DoorState;BatteryVoltage&types=State;State;Parameter'
tq = '/getText?textCode=T_PUMP_OFF;T_DOOR_CLOSED&origin=K'
good_t = body(get(h.port, tq))
good = None
while time.time() - t0 < 20:
    b = body(get(h.port, q)); n += 1
    if good is None: good = b
    if b != good: bad.append(b[:80])
    t = body(get(h.port, tq)); n += 1
    if t != good_t: bad.append(b'text:' + t[:80])
stop = True; time.sleep(0.5)
print(f'F6: {n} reads during {reloads[0]} reloads: {len(bad)} differed; first: {bad[:3]}; good={good!r} text={good_t!r}')
print('stop', h.stop())
# F7: 60 MiB data file, SIGTERM during its reload (start, then touch the file; also via the panel)
def big(t):
    extra = ''.join(f'<text code="X{i}">{"y" * 100}</text>\n' for i in range(480000))
    return t.replace('<texts>', '<texts>\n' + extra, 1)
h = Host(data_edit=big, level='warning')
print('F7 data file size', os.path.getsize(h.data), 'started:', h.p.poll() is None)
for delay in (0.3, 1.0, 2.5):
    if h.p.poll() is not None: break
    threading.Thread(target=quiet_reload, daemon=True).start()
    time.sleep(delay)
    rc, took = h.stop(timeout=30)
    print(f'F7 SIGTERM {delay}s into a panel reload: exit {rc} after {took:.2f}s')
    h = Host(data_edit=big, level='warning')
h.stop()
