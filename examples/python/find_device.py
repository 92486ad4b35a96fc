#!/usr/bin/env python3
"""Finds a device by its MAC address and, when a command is given, sends it
to the device's command port and prints the reply.

    python3 find_device.py MAC [COMMAND]
"""

import sys

import vornen


def main(argv):
    if len(argv) not in (2, 3):
        print(f"usage: {argv[0]} MAC [COMMAND]", file=sys.stderr)
        return 2
    print("library:", vornen.get_dll_version())
    try:
        # On a PC with several adapters, VORNEN_INTERFACE names the one to use.
        with vornen.opened():
            address = vornen.get_ip_address(argv[1])
            print(f"{argv[1]} is at {address}")
            if len(argv) == 3:
                reply = vornen.send_recv_str(address, argv[2] + "\r", terminator="\r")
                print("reply:", reply.rstrip(b"\r").decode("ascii", "replace"))
    except vornen.VornENError as error:
        print(error, file=sys.stderr)
        return 1
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
