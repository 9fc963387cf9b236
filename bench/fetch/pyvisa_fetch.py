#!/usr/bin/python3
"""The same exchange as one getWaveform, from pyvisa-py: the peer of a whole trv3-host fetch.

Usage: pyvisa_fetch.py RESOURCE [POINTS] [--seconds]
Sends the identification, the transfer commands, reads the preamble and the byte block, and scales
the codes as the add-in does, so that a whole-process timing compares like with like. Prints the
number of samples, or with --seconds the time from opening the resource manager to the scaled
samples, for comparison with an in-process fetch.
"""
import sys
import time

import pyvisa


def main() -> int:
    resource = sys.argv[1]
    arguments = [argument for argument in sys.argv[2:] if argument != "--seconds"]
    points = int(arguments[0]) if arguments else 1000
    started = time.perf_counter()
    instrument = pyvisa.ResourceManager("@py").open_resource(resource)
    instrument.read_termination = "\n"
    instrument.write_termination = "\n"
    instrument.query("*idn?")
    for command in (":Stop", ":WAVeform:POINts:MODE RAW", f"waveform:points {points}",
                    "waveform:source  Channel1", "waveform:format byte"):
        instrument.write(command)
    preamble = [float(field) for field in instrument.query("waveform:preamble?").split(",")]
    codes = instrument.query_binary_values("waveform:data?", datatype="B", container=list)
    zero = round(preamble[9])
    scale = (256 / 200) * (32767 / 127)
    samples = [2 * zero - max(-32768, min(32767, round((code - zero) * scale))) for code in codes]
    instrument.close()
    print(time.perf_counter() - started if "--seconds" in sys.argv else len(samples))
    return 0


if __name__ == "__main__":
    sys.exit(main())
