#!/usr/bin/env python3
"""Latency of card and card holder lookups and filter pages against a running keynoded, beside
GET /api/v1/info/api of the same server. One persistent connection; p50 and p99 per request kind.
Usage: cards_latency.py PORT USER PASSWORD CARD_COUNT [REQUESTS] [DAEMON_PID]"""
import base64
import http.client
import json
import random
import sys
import time

port, user, password, cards = int(sys.argv[1]), sys.argv[2], sys.argv[3], int(sys.argv[4])
requests = int(sys.argv[5]) if len(sys.argv) > 5 else 60
daemon = sys.argv[6] if len(sys.argv) > 6 else None
auth = "Basic " + base64.b64encode(f"{user}:{password}".encode()).decode()
connection = http.client.HTTPConnection("127.0.0.1", port, timeout=60)
first_number = 7_000_000_000
random.seed(7)


def memory():
    if not daemon:
        return {}
    with open(f"/proc/{daemon}/status") as status:
        return {k: v.strip() for k, v in (line.split(":", 1) for line in status) if k in ("VmRSS", "VmHWM")}


def call(method, path, body=None):
    headers = {"Authorization": auth, "Content-Type": "application/json"}
    connection.request(method, "/api/v1" + path, body=body, headers=headers)
    reply = connection.getresponse()
    data = reply.read()
    if reply.status != 200:
        raise SystemExit(f"{method} {path} {body} -> {reply.status} {data[:300]!r}")
    return data


def card_id(number):
    return json.loads(call("GET", f"/access/cards?cardNumber={number}"))["records"][0]["id"]["id"]


peak_rss_kb = 0


def sample_rss():
    global peak_rss_kb
    rss = memory().get("VmRSS")
    if rss:
        peak_rss_kb = max(peak_rss_kb, int(rss.split()[0]))


def measure(name, make):
    for _ in range(3):
        call(*make())
    samples = []
    for _ in range(requests):
        args = make()
        start = time.perf_counter()
        call(*args)
        samples.append((time.perf_counter() - start) * 1000)
        sample_rss()
    samples.sort()
    p50 = samples[len(samples) // 2]
    p99 = samples[min(len(samples) - 1, int(len(samples) * 0.99))]
    print(f"| {name} | {requests} | {p50:.2f} | {p99:.2f} |", flush=True)
    return p50


def some_number():
    return first_number + random.randrange(cards)


ids = [card_id(some_number()) for _ in range(20)]
groups = json.loads(call("GET", "/access/accessGroups"))["records"]
group = groups[0]["id"]["id"]


def card_filter(criteria):
    return "POST", "/access/cards/filter", json.dumps({"cardFilter": criteria})


def holder_filter(criteria):
    return "POST", "/access/cardHolders/filter", json.dumps({"cardHolderFilter": criteria})


print("| request | n | p50 ms | p99 ms |")
print("|---|---|---|---|")
measure("GET /info/api (baseline)", lambda: ("GET", "/info/api"))
measure("GET card by cardNumber", lambda: ("GET", f"/access/cards?cardNumber={some_number()}"))
measure("GET card by id", lambda: ("GET", "/access/cards?id=" + json.dumps({"id": random.choice(ids)}).replace(" ", "")))
measure("card filter by number", lambda: card_filter({"number": str(some_number())}))
measure("card filter by accessGroupIDs, page of 1000", lambda: card_filter({"accessGroupIDs": {"ids": [{"id": group}]}}))
for skip in (0, 500_000, cards - 1000):
    measure(f"card filter page of 1000 at skip {skip}", lambda skip=skip: card_filter({"skipCount": skip}))
measure("holder filter by cardIds (10 cards)",
        lambda: holder_filter({"cardIds": {"ids": [{"id": i} for i in random.sample(ids, 10)]}}))
measure("holder filter page of 1000 at skip 500000", lambda: holder_filter({"skipCount": min(500_000, cards - 1000)}))
print("daemon memory at the end:", memory())
# VmHWM also holds the one password verification of the first request (argon2id, 64 MiB, freed after).
print(f"highest VmRSS sampled after each request: {peak_rss_kb} kB")
