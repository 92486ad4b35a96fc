"""The seven exports of the library as Python functions.

Texts (host, MAC and address texts) are str or bytes; a str must be ASCII;
an address may also be an ipaddress.IPv4Address. Data for the device is
bytes-like, or an ASCII str. Every argument is checked before the library
is called: a number or a length outside the library's 32-bit signed range
raises ValueError, a value of the wrong type TypeError.

Every wait of the library for the network is bounded by its wait time-out
of 5000 ms; the figures below are the worst cases. Each call holds the
library's process-wide lock while it runs: a call from another thread waits
for it. ctypes lets other Python threads run meanwhile.
"""

import contextlib
import ctypes
import errno

from . import _arguments as arguments
from ._errors import check
from ._library import library
from ._privilege import may_change_neighbours

# Room for any dotted IPv4 text with its terminator, as the window passes.
_TEXT_CAPACITY = 100


def open():  # noqa: A001 - the name of the export it wraps
    """En_Open: starts the socket layer and finds the PC's one usable adapter.

    Sends nothing: it reads the adapter list and keeps the directed broadcast
    address of the one adapter that is neither loop-back nor point-to-point.
    It does not wait for the network. May be called again at any time; each
    call repeats the search.

    When the environment variable VORNEN_INTERFACE names an adapter
    (os.environ works), only that adapter's addresses count: on Linux by its
    interface name, on Windows by its name as the network connections show it
    or by one of its IPv4 addresses. A name that no adapter has gives
    ERR_NONETWORKINTERFACEONINFO.

    Raises VornENError with ERR_NONETWORKINTERFACEONINFO (-14: no usable
    adapter), ERR_TOOMANYNONETWORKINTERFACE (-15: several; choose one with
    VORNEN_INTERFACE), ERR_WSAIOCTLONINFO (-13: the list could not be read,
    more than 20 addresses), or, from the socket layer, -10, -11 or -12.
    After a failure the library is not opened.
    """
    check("En_Open", library().En_Open())


def close():
    """En_Close: forgets the adapter and stops the socket layer.

    Sends nothing and never fails. Other calls then fail as before open():
    get_ip_address and set_ip_address, send_str and send_recv_str with
    ERR_ILLEGALSTATE_ONCONNECTION (-100).
    """
    check("En_Close", library().En_Close())


@contextlib.contextmanager
def opened():
    """A context manager: open() on entry, close() on exit, also after an
    exception::

        with vornen.opened():
            print(vornen.get_ip_address("00-20-4A-8D-72-33"))
    """
    open()
    try:
        yield
    finally:
        close()


def send_str(host, data):
    """En_SendStr: sends bytes to the device's command port; expects nothing.

    On the wire: a TCP connection to port 14001 of host (a dotted IPv4
    address, at most 16 characters of digits, "." and "A" to "F"), one send
    of all the bytes, then a shutdown and close. Blocks for a 20 ms pause in
    the connect and up to 5000 ms for the connect to complete: at most about
    5.02 s.

    Raises VornENError with ERR_ILLEGAL_INPUT_PARAMETER (-1005: host text
    rejected, or empty data), ERR_ILLEGALSTATE_ONCONNECTION (-100: not
    opened), a connect code -101 to -108 (-101: no answer within 5000 ms) or
    ERR_SENDERR (-201). The library stays opened after every one of them.
    """
    data = arguments.data(data)
    host = arguments.text(host, "host")
    check("En_SendStr", library().En_SendStr(host, data, len(data)))


def send_recv_str(host, data=b"", *, terminator=b"\r", max_bytes=65536):
    """En_SendRecvStr: sends bytes to the command port and returns the reply.

    On the wire: a TCP connection to port 14001 of host, one send of data
    (nothing when it is empty), a 10 ms pause, then reads until the reply
    holds the terminator (one byte, included in the result), max_bytes have
    arrived (the rest of the reply is dropped, without a failure), or the
    device closes the connection; then a shutdown and close.

    Blocks for the connect (20 ms pause, up to 5000 ms), the 10 ms pause,
    and up to 5000 ms for each read: a device that answers nothing costs
    about 10.03 s; a device that keeps sending pieces less than 5 s apart
    keeps the call reading until one of the three ends.

    terminator is one byte (b"\\r"), one character or a byte value (13);
    max_bytes is 0 to 2**31 - 1, and that much memory is reserved for the
    reply. Raises ValueError outside those ranges, TypeError for a value of
    another type (terminator=None among them).

    Raises VornENError with -1005 (host text rejected, or empty data with
    max_bytes 0), -100 (not opened), a connect code -101 to -108, -201
    (send failed), ERR_TIMEOUT_ONREAD (-301: nothing more within 5000 ms
    and no terminator yet) or -302 to -304 (-304: the connection was
    closed or reset without a readable end). The library stays opened
    after every one of them; the bytes of a failed call are lost.
    """
    data = arguments.data(data)
    host = arguments.text(host, "host")
    end = arguments.terminator(terminator)
    capacity = arguments.int32(max_bytes, "max_bytes")
    if capacity < 0:
        raise ValueError("max_bytes must not be negative")
    buffer = ctypes.create_string_buffer(max(capacity, 1))
    size = ctypes.c_int32(capacity)
    check(
        "En_SendRecvStr",
        library().En_SendRecvStr(host, data, len(data), buffer, ctypes.byref(size), end),
    )
    return buffer.raw[: size.value]


def get_ip_address(mac):
    """En_Get_IPAddress: finds the address of the device with this MAC.

    mac is six pairs of hex digits in either case, joined by "-" or by ":":
    "00-20-4A-8D-72-33", or "00:20:4a:8d:72:33" as "ip neigh" prints it.
    Returns the dotted address the device answered from, e.g.
    "192.168.16.100".

    On the wire: one UDP datagram 00 00 00 F6 to port 30718 of the adapter's
    broadcast address, a 10 ms pause, then it reads the 30-byte replies,
    waiting up to 5000 ms for each, with a 10 ms pause after each, until one
    carries the MAC. No answer: about 5.01 s. Replies of other devices that
    keep coming less than 5 s apart keep the call reading.

    Raises VornENError with -1005 (any other MAC text), -100 (not opened),
    ERR_NODEVICE_FORMAC (-1008: no reply with this MAC within 5000 ms), a
    datagram of another length (-510, -509), or a socket failure (-500 to
    -512). The library stays opened after every one of them.
    """
    buffer = ctypes.create_string_buffer(_TEXT_CAPACITY)
    capacity = ctypes.c_int32(_TEXT_CAPACITY)
    check(
        "En_Get_IPAddress",
        library().En_Get_IPAddress(arguments.mac(mac), buffer, ctypes.byref(capacity)),
    )
    return buffer.raw[: capacity.value].decode("ascii")


def set_ip_address(mac, address, *, netmask=None, host_bits=None):
    """En_Set_IPAddress: gives the device with this MAC the wanted address.

    mac as for get_ip_address. The device's netmask comes from one of:
    a prefix after the address, "192.168.16.100/24" (or an
    ipaddress.IPv4Interface); netmask="255.255.255.0"; or host_bits=, the
    library's own count of host bits (8 for 255.255.255.0, 16 for
    255.255.0.0, 24 for 255.0.0.0). Without any of them it is
    255.255.255.0. The netmask and the host-bit count are keyword-only, so
    that a third positional argument (a prefix or a host-bit count?) cannot
    be mistaken. The address must lie in the network of the opened adapter.

    On the wire: a permanent entry in the PC's neighbour table binds the
    address to the MAC; a TCP connection attempt to port 1 of the address;
    then on TCP port 9999 the setup dialogue: it reads the greeting, sends
    "M", reads, sends "S0" CR, five setup records with a 10 ms pause after
    each, "RS" CR, and closes. Blocks at most about 20.1 s: four waits of
    up to 5000 ms (two connects, two reads) and the fixed pauses (20 ms in
    each connect, 1 ms, 5 x 10 ms). The neighbour entry stays afterwards.

    Raises PermissionError at once, before anything is sent, on Linux when
    the process lacks CAP_NET_ADMIN (run as root, or give the interpreter
    the capability): without it the device could never learn the address.
    Raises ValueError for a prefix, netmask or host-bit count it cannot
    take, or more than one of them. Raises VornENError with -100 (not
    opened), -1005 (MAC text, address text or host_bits rejected; host_bits
    must lie in 0 to 32), ERR_INPUTED_IP_MAY_UNREACHABLE (-1007: the
    address is outside the adapter's network), a connect code -101 to -108,
    a read code -301 to -304 or a send code -200, -201. The library stays
    opened after every one of them.
    """
    mac = arguments.mac(mac)
    address, host_bits = arguments.address_and_host_bits(address, netmask, host_bits)
    if not may_change_neighbours():
        raise PermissionError(
            errno.EPERM,
            "no right to change the neighbour table (CAP_NET_ADMIN): "
            "run as root or give the interpreter that capability",
        )
    check("En_Set_IPAddress", library().En_Set_IPAddress(mac, address, host_bits))


def get_dll_version():
    """En_Get_Dll_Version: the library's version text, "VornEN.DLL Rev. 1.001".

    Sends nothing, works opened or not, never blocks.
    """
    buffer = ctypes.create_string_buffer(_TEXT_CAPACITY)
    length = ctypes.c_int32(_TEXT_CAPACITY)
    check("En_Get_Dll_Version", library().En_Get_Dll_Version(buffer, ctypes.byref(length)))
    return buffer.raw[: length.value].decode("ascii")
