"""VornEN for Python: set and find the IPv4 address of networked devices by
their MAC address, and carry command text to and from them.

The module wraps the shared library (libVornEN.so.1, VornEN.dll on Windows)
through ctypes; it has no compiled part of its own. Each export is a function
that takes and returns Python texts and bytes and raises VornENError for a
failed call. MACs are written as vornctl and "ip neigh" write them, addresses
with their prefix::

    import vornen

    with vornen.opened():
        vornen.set_ip_address("00:20:4a:8d:72:33", "192.168.16.100/24")
        address = vornen.get_ip_address("00-20-4A-8D-72-33")
        reply = vornen.send_recv_str(address, b"VERSION\\r")

Setting an address needs the right to change the neighbour table
(CAP_NET_ADMIN, e.g. root); without it set_ip_address raises PermissionError
at once. Arguments the library could not take raise ValueError or TypeError
before it is called.

The library keeps one connection for the whole process; calls from several
threads take turns. The environment variable VORNEN_INTERFACE names the
adapter to use on a PC with several (read at each open()).
"""

try:
    from ._codes import ResultCode
except ModuleNotFoundError as missing:
    # The result codes are generated from VornEN.h by the build, so that they
    # have one source; python/ in a checkout holds the rest of the package.
    if missing.name != __name__ + "._codes":
        raise
    raise ImportError(
        "vornen: the result codes are made by the build; from a checkout use the "
        "package of the build tree (PYTHONPATH=build/python), or install it"
    ) from None
from ._errors import VornENError
from ._exports import (
    close,
    get_dll_version,
    get_ip_address,
    open,
    opened,
    send_recv_str,
    send_str,
    set_ip_address,
)
from ._library import library_path, load_library

# open and close are left out, so that "from vornen import *" does not hide
# the built-in open().
__all__ = [
    "ResultCode",
    "VornENError",
    "get_dll_version",
    "get_ip_address",
    "library_path",
    "load_library",
    "opened",
    "send_recv_str",
    "send_str",
    "set_ip_address",
]
