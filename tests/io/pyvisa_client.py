#!/usr/bin/python3
"""Reads from an instrument through pyvisa-py, as an independent client to compare ours with.

Prints one JSON object: the reply to --query, the codes of the block that --block asks for (as hex),
and the seconds that each of --repeat block exchanges took (command and whole block).
"""
import argparse
import json
import time

import pyvisa


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("address")
    parser.add_argument("--query", default="*IDN?")
    parser.add_argument("--block", default="waveform:data?")
    parser.add_argument("--repeat", type=int, default=1)
    args = parser.parse_args()

    manager = pyvisa.ResourceManager("@py")
    instrument = manager.open_resource(args.address, read_termination="\n", write_termination="\n")
    instrument.timeout = 10000
    reply = instrument.query(args.query)
    seconds = []
    block = b""
    for _ in range(args.repeat):
        started = time.perf_counter()
        instrument.write(args.block)
        block = instrument.read_binary_values(datatype="B", container=bytes, header_fmt="ieee",
                                              expect_termination=True)
        seconds.append(time.perf_counter() - started)
    instrument.close()
    manager.close()
    print(json.dumps({"reply": reply, "block_hex": block.hex(), "seconds": seconds}))


if __name__ == "__main__":
    main()
