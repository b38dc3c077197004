#!/usr/bin/env python3
"""Crash safety: writes over many connections, keynoded killed with SIGKILL in the middle, restarted.

Every write that was answered 200 must be there after the restart, the database must pass SQLite's
integrity check, and the daemon must serve reads and writes again. Usage:
  scripts/crash_test.py [--build DIR] [--runs N] [--writes N] [--connections N]
"""
import argparse
import base64
import http.client
import json
import os
import random
import re
import signal
import sqlite3
import subprocess
import sys
import tempfile
import threading
import time
import urllib.parse

AUTH = "Basic " + base64.b64encode(b"admin:crash").decode()


class Daemon:
    started = []

    def __init__(self, binary, data):
        self.proc = subprocess.Popen([binary, "--data-dir", data, "--http-port", "0", "--https-port", "-1"],
                                     stdout=subprocess.PIPE, stderr=subprocess.DEVNULL, text=True)
        Daemon.started.append(self)
        line = self.proc.stdout.readline()
        match = re.search(r"http listening on [\d.]+:(\d+)", line)
        if not match:
            raise RuntimeError("keynoded did not start: " + line)
        self.port = int(match.group(1))

    def kill(self):
        self.proc.send_signal(signal.SIGKILL)
        self.proc.wait()

    def stop(self):
        self.proc.terminate()
        self.proc.wait(timeout=30)


def request(conn, method, path, body=None):
    headers = {"Authorization": AUTH, "Content-Type": "application/json"}
    conn.request(method, "/api/v1" + path, body=json.dumps(body) if body is not None else None, headers=headers)
    reply = conn.getresponse()
    return reply.status, reply.read()


def write_body(n):
    # Even numbers: an access group with a right; odd: a card of the holder made at the start.
    if n % 2 == 0:
        return "/access/accessGroups", {"id": {"extId": f"crash-g-{n}"}, "name": f"G{n}", "priority": 10,
                                        "accessRights": [{"doorID": {"id": 1}, "weekProgramID": {"id": 1}}]}
    return "/access/cards", {"id": {"extId": f"crash-c-{n}"}, "number": str(9_000_000 + n),
                             "cardHolderID": {"extId": "crash-h"}}


def one_run(args, run):
    data = tempfile.mkdtemp(prefix="keynode-crash-")
    ctl = [os.path.join(args.build, "apps/keynodectl/keynodectl"), "--data-dir", data]
    keynoded = os.path.join(args.build, "apps/keynoded/keynoded")
    quiet = dict(stdout=subprocess.DEVNULL, check=True)
    subprocess.run(ctl + ["init"], **quiet)
    subprocess.run(ctl + ["demo"], **quiet)
    subprocess.run(ctl + ["user", "add", "admin", "--password", "crash", "--all-methods"], **quiet)
    subprocess.run(ctl + ["property", "set", "GeneralWebApiSettings_Enabled", "1"], **quiet)

    daemon = Daemon(keynoded, data)
    conn = http.client.HTTPConnection("127.0.0.1", daemon.port, timeout=30)
    status, _ = request(conn, "POST", "/access/cardHolders", {"id": {"extId": "crash-h"}, "firstName": "C"})
    assert status == 200, status
    conn.close()

    answered, lock, counter = [], threading.Lock(), iter(range(args.writes))
    kill_after = random.randint(args.writes // 5, args.writes * 4 // 5)
    killed = threading.Event()

    def writer():
        try:
            c = http.client.HTTPConnection("127.0.0.1", daemon.port, timeout=30)
            while not killed.is_set():
                with lock:
                    n = next(counter, None)
                if n is None:
                    return
                path, body = write_body(n)
                status, reply = request(c, "POST", path, body)
                if status != 200:
                    raise RuntimeError(f"write {n} answered {status}: {reply[:200]!r}")
                with lock:
                    answered.append(n)
                    if len(answered) >= kill_after and not killed.is_set():
                        killed.set()
                        daemon.kill()
        except (ConnectionError, http.client.HTTPException, OSError):
            if not killed.is_set():
                raise

    threads = [threading.Thread(target=writer) for _ in range(args.connections)]
    for t in threads:
        t.start()
    for t in threads:
        t.join()
    if not killed.is_set():
        daemon.kill()

    daemon = Daemon(keynoded, data)
    conn = http.client.HTTPConnection("127.0.0.1", daemon.port, timeout=30)
    missing = []
    for n in answered:
        path, body = write_body(n)
        query = "?id=" + urllib.parse.quote(json.dumps(body["id"]))
        status, reply = request(conn, "GET", path + query)
        if status != 200 or b'"records":[]' in reply:
            missing.append(n)
    integrity = sqlite3.connect(os.path.join(data, "keynode.db")).execute("PRAGMA integrity_check").fetchone()[0]
    serves = request(conn, "GET", "/info/api")[0] == 200 and \
        request(conn, "POST", *write_body(args.writes + 1))[0] == 200
    conn.close()
    daemon.stop()
    if not missing:
        subprocess.run(["rm", "-rf", data], check=True)
    else:
        print("  data kept in", data, flush=True)
    if missing:
        print("  missing writes:", missing[:10], flush=True)
    ok = not missing and integrity == "ok" and serves
    print(f"run {run:2}: killed after {len(answered):4} answered writes; missing {len(missing)}; "
          f"integrity {integrity}; serves again {'yes' if serves else 'NO'}; {'ok' if ok else 'FAILED'}",
          flush=True)
    return ok


def guarded_run(args, run):
    # A run that fails with an exception counts as failed; its daemons must not outlive it.
    try:
        return one_run(args, run)
    except Exception as e:  # noqa: BLE001 - any fault of a run is reported and counted
        print(f"run {run:2}: FAILED: {e}", flush=True)
        return False
    finally:
        for daemon in Daemon.started:
            if daemon.proc.poll() is None:
                daemon.kill()
        Daemon.started.clear()


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--build", default="build")
    parser.add_argument("--runs", type=int, default=20)
    parser.add_argument("--writes", type=int, default=1000)
    parser.add_argument("--connections", type=int, default=16)
    args = parser.parse_args()
    passed = sum(guarded_run(args, run) for run in range(1, args.runs + 1))
    print(f"{passed} of {args.runs} runs passed")
    return 0 if passed == args.runs else 1


if __name__ == "__main__":
    sys.exit(main())
