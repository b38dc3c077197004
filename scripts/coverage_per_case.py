#!/usr/bin/env python3
"""Reads the per-case coverage that scripts/coverage-per-case.sh exported and prints, for every case, its
length in the test sources and the product lines and branches only it covers, then a set of cases that
can all go together without losing a line or branch (greedy, longest first). Coverage does not see what
a case asserts: a case in that set may still be the only guard of an outcome.
Usage: coverage_per_case.py OUTPUT-DIR SOURCE-ROOT"""
import collections
import os
import re
import sys

out, root = sys.argv[1], sys.argv[2]
names = dict(line.rstrip("\n").split(" ", 1) for line in open(os.path.join(out, "tests.txt")))
passed = {line.split()[1] for line in open(os.path.join(out, "results.txt")) if line.split()[0] == "0"}


def covered(path):
    items, source = set(), None
    for line in open(path, errors="replace"):
        if line.startswith("SF:"):
            source = re.sub(r"^.*?/(KeynodeApi|host/src)/", r"\1/", line[3:].strip())
        elif line.startswith("DA:"):
            number, count = line[3:].split(",")[:2]
            if int(count) > 0:
                items.add(("line", source, int(number)))
        elif line.startswith("BRDA:"):
            number, block, branch, taken = line[5:].strip().split(",")
            if taken not in ("-", "0"):
                items.add(("branch", source, int(number), block, branch))
    return items


sources = {}
for directory, _, files in os.walk(os.path.join(root, "tests")):
    for name in files:
        if name.endswith(".cpp"):
            sources[name] = open(os.path.join(directory, name)).read().split("\n")


def length(case):
    """Lines of TEST(Suite, Case) up to its closing brace, 0 for cases that are not gtest cases."""
    match = re.match(r"(?:\w+/)?(\w+)\.(\w+)", case)
    if not match:
        return 0
    head = re.compile(r"^TEST(_F|_P)?\(\s*%s,\s*%s\)" % match.groups())
    for lines in sources.values():
        for start, line in enumerate(lines):
            if head.match(line):
                end = start
                while end < len(lines) and not lines[end].startswith("}"):
                    end += 1
                return end - start + 1
    return 0


cov = {n: covered(os.path.join(out, n + ".lcov")) for n in names}
count = collections.Counter()
for items in cov.values():
    count.update(items)
print("suite covers", sum(k[0] == "line" for k in count), "lines,", sum(k[0] == "branch" for k in count), "branches")
if len(passed) != len(names):
    print("failed or not run:", sorted(names[n] for n in names if n not in passed))

print("\nlength only-lines only-branches case")
rows = []
for n in names:
    only = [k for k in cov[n] if count[k] == 1]
    rows.append((length(names[n]), sum(k[0] == "line" for k in only), sum(k[0] == "branch" for k in only), names[n]))
for row in sorted(rows, key=lambda r: ((r[1] + r[2]) / (r[0] + 1), -r[0])):
    print("%6d %10d %13d %s" % row)

print("\ncan go together (longest first):")
left, total = collections.Counter(count), 0
for n in sorted(names, key=lambda n: -length(names[n])):
    if n in passed and length(names[n]) and all(left[k] >= 2 for k in cov[n]):
        left.subtract(cov[n])
        total += length(names[n])
        print("%6d %s" % (length(names[n]), names[n]))
print("%6d lines in all" % total)
