#!/usr/bin/python3
"""pyvisa-py in the same exchanges as our session, as the peer of the comparison.

Usage: pyvisa_peer.py RESOURCE idn REPEAT
       pyvisa_peer.py RESOURCE block REPEAT SETTLE_SECONDS
Prints a JSON list of seconds: one "*IDN?" query each, or one query_binary_values read each of a
block that the instrument has had SETTLE_SECONDS to prepare after "waveform:data?" was written.
"""
import json
import sys
import time

import pyvisa


def main() -> int:
    resource, mode, repeat = sys.argv[1], sys.argv[2], int(sys.argv[3])
    manager = pyvisa.ResourceManager("@py")
    instrument = manager.open_resource(resource, read_termination="\n", write_termination="\n")
    instrument.timeout = 30000
    seconds = []
    for _ in range(repeat):
        if mode == "idn":
            started = time.perf_counter()
            instrument.query("*IDN?")
        else:
            instrument.write("waveform:data?")
            time.sleep(float(sys.argv[4]))
            started = time.perf_counter()
            instrument.read_binary_values(datatype="B", container=bytes, header_fmt="ieee",
                                          expect_termination=True)
        seconds.append(time.perf_counter() - started)
    instrument.close()
    manager.close()
    print(json.dumps(seconds))
    return 0


if __name__ == "__main__":
    sys.exit(main())
