#!/usr/bin/env python3
"""Prints the fault matrix as Markdown tables, one per transport, from the JSON report of one run
of fault_matrix_tests (--gtest_output=json:FILE): rows are faults, columns phases, each cell the
ending the user must see ("508", "510", "512", "515", "516", "unable" or "delivered") and whether the cell
passed, or empty where the fault cannot strike in that phase; then the count passed."""
import json
import sys

outcomes, phases, faults = {}, [], []
for suite in json.load(open(sys.argv[1]))["testsuites"]:
    for test in suite["testsuite"]:
        transport, phase, fault = test["name"].split("/")[-1].split("_", 2)
        if phase not in phases:
            phases.append(phase)
        if fault not in faults:
            faults.append(fault)
        verdict = "FAIL" if test.get("failures") else "pass"
        outcomes[(transport, phase, fault)] = f"{test.get('ending', '?')} {verdict}"

for transport in ("Socket", "Vxi11"):
    print(f"\n{'Raw socket' if transport == 'Socket' else 'VXI-11'}:\n")
    print("| fault \\ phase | " + " | ".join(phases) + " |")
    print("|---" * (len(phases) + 1) + "|")
    for fault in faults:
        cells = [outcomes.get((transport, phase, fault), "") for phase in phases]
        print(f"| {fault} | " + " | ".join(cells) + " |")
passed = sum(1 for value in outcomes.values() if value.endswith("pass"))
print(f"\n{passed} of {len(outcomes)} cells pass.")
