"""Whether this process may change the neighbour table."""

import sys

_CAP_NET_ADMIN = 12


def may_change_neighbours():
    """False when Linux says this process lacks CAP_NET_ADMIN.

    An assignment writes a permanent neighbour entry; without the right the
    write fails, the device never learns its address and the library would
    only report a time-out after its waits. Elsewhere, or when the kernel's
    status cannot be read, the library is left to try.
    """
    if not sys.platform.startswith("linux"):
        return True
    try:
        with open("/proc/self/status", encoding="ascii", errors="replace") as status:
            for line in status:
                if line.startswith("CapEff:"):
                    return bool((int(line[7:], 16) >> _CAP_NET_ADMIN) & 1)
    except (OSError, ValueError):
        pass
    return True
