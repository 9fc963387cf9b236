"""pyvisa-py, an independent VISA client, reads the identification and a waveform block from
trv3-sim over SOCKET or INSTR (VXI-11).

Usage: pyvisa_client_test.py PATH_TO_TRV3_SIM SOCKET|INSTR
INSTR needs the portmapper port 111: run it inside tests/netns-run.sh.
"""
import os
import select
import subprocess
import sys
import tempfile

import pyvisa

START_TIMEOUT_S = 10


def read_line(stream):
    # stream is unbuffered, so select sees every line that has not been read yet
    ready, _, _ = select.select([stream], [], [], START_TIMEOUT_S)
    if not ready:
        raise RuntimeError("trv3-sim printed no resource line in time")
    return stream.readline().decode().strip()


def exchange(resource):
    resource.timeout = 5000
    resource.read_termination = "\n"
    resource.write_termination = "\n"
    identity = resource.query("*IDN?")
    for command in (":Stop", ":WAVeform:POINts:MODE RAW", "waveform:points 2000",
                    "waveform:source  Channel2", "waveform:format byte"):
        resource.write(command)
    preamble = resource.query("waveform:preamble?").split(",")
    data = resource.query_binary_values("waveform:data?", datatype="B", container=bytes,
                                        header_fmt="ieee", expect_termination=True)
    return identity, preamble, data


def main():
    simulator, kind = sys.argv[1], sys.argv[2]
    with tempfile.TemporaryDirectory() as folder:
        log = os.path.join(folder, "commands.log")
        process = subprocess.Popen([simulator, "--vxi11", "--model", "TRV30M4A", "--log", log],
                                   stdout=subprocess.PIPE, bufsize=0)
        try:
            resources = {"SOCKET": read_line(process.stdout), "INSTR": read_line(process.stdout)}
            manager = pyvisa.ResourceManager("@py")
            resource = manager.open_resource(resources[kind])
            try:
                identity, preamble, data = exchange(resource)
            finally:
                resource.close()
                manager.close()
        finally:
            process.terminate()
            status = process.wait(10)
        with open(log) as file:
            logged = file.read().splitlines()

    failures = []

    def check(condition, what):
        if not condition:
            failures.append(what)

    check(identity == "VELMORA,TRV30M4A,MY12345678,03.10.2026", f"identity {identity!r}")
    check(len(preamble) == 10 and preamble[2] == "+2000", f"preamble {preamble!r}")
    check(len(data) == 2000, f"{len(data)} data bytes")
    check(len(set(data)) > 1, "flat data")
    check(logged == ["*IDN?", ":Stop", ":WAVeform:POINts:MODE RAW", "waveform:points 2000",
                     "waveform:source  Channel2", "waveform:format byte", "waveform:preamble?",
                     "waveform:data?"], f"log {logged!r}")
    check(status == 0, f"exit status {status}")
    for failure in failures:
        print(f"FAILED over {kind}: {failure}")
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
