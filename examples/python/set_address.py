#!/usr/bin/env python3
"""Gives the device with this MAC an address; run it as root (or with
CAP_NET_ADMIN), since the library writes a neighbour entry for it.

    python3 set_address.py MAC ADDRESS/PREFIX   e.g. 00:20:4a:10:00:02 192.168.16.102/24
"""

import sys

import vornen


def main(argv):
    if len(argv) != 3:
        print(f"usage: {argv[0]} MAC ADDRESS/PREFIX", file=sys.stderr)
        return 2
    mac, address = argv[1:]
    try:
        with vornen.opened():
            vornen.set_ip_address(mac, address)
    except (vornen.VornENError, PermissionError, ValueError) as error:
        print(error, file=sys.stderr)
        return 1
    print(f"{mac} takes {address}")
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
