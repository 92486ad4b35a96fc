"""The module's arguments in the forms Python programs write them, checked
and turned into what the library takes.

ctypes wraps an integer silently into 32 bits, so every number and every
length is checked here, before the library sees it.
"""

import ipaddress
import operator

INT32_MIN = -(2**31)
INT32_MAX = 2**31 - 1

_HEX_DIGITS = "0123456789abcdefABCDEF"


def int32(value, what):
    """value as an int of the library's 32-bit signed range."""
    try:
        number = operator.index(value)
    except TypeError:
        raise TypeError(f"{what} must be an integer, not {type(value).__name__}") from None
    if not INT32_MIN <= number <= INT32_MAX:
        raise ValueError(f"{what} must lie in {INT32_MIN} to {INT32_MAX}, not {number}")
    return number


def text(value, what):
    """A text argument as bytes without a zero byte; a str must be ASCII."""
    if isinstance(value, ipaddress.IPv4Address):
        value = str(value)
    if isinstance(value, str):
        value = value.encode("ascii")
    elif isinstance(value, (bytes, bytearray, memoryview)):
        value = bytes(value)
    else:
        raise TypeError(f"{what} must be str or bytes, not {type(value).__name__}")
    if b"\0" in value:
        raise ValueError(f"{what} must not contain a zero byte")
    return value


def data(value):
    """Bytes for the device: bytes-like or an ASCII str, at most INT32_MAX
    bytes (checked before anything is copied)."""
    if isinstance(value, str):
        size = len(value)
    elif isinstance(value, (bytes, bytearray, memoryview)):
        size = memoryview(value).nbytes
    else:
        raise TypeError(f"data must be bytes or str, not {type(value).__name__}")
    if size > INT32_MAX:
        raise ValueError(f"data must be at most {INT32_MAX} bytes, not {size}")
    return value.encode("ascii") if isinstance(value, str) else bytes(value)


def terminator(value):
    """The reply's end byte as a number: one byte, one character or 0 to 255."""
    if isinstance(value, str):
        value = value.encode("ascii")
    if isinstance(value, (bytes, bytearray, memoryview)):
        value = bytes(value)
        if len(value) != 1:
            raise ValueError("terminator must be one byte")
        return value[0]
    if not hasattr(type(value), "__index__"):
        raise TypeError(
            "terminator must be one byte (b'\\r'), one character or a byte value, "
            f"not {type(value).__name__}"
        )
    number = operator.index(value)
    if not 0 <= number <= 255:
        raise ValueError("terminator must be a byte value, 0 to 255")
    return number


def mac(value):
    """A MAC address in the library's form "00-20-4A-8D-72-33".

    Takes six pairs of hex digits in either case joined by "-" or by ":"
    (as "ip neigh" prints them: "00:20:4a:8d:72:33"). Any other text is
    passed on unchanged, for the library to reject.
    """
    raw = text(value, "mac")
    form = raw.decode("ascii", "replace")
    if len(form) != 17 or form[2] not in "-:":
        return raw
    separator = form[2]
    for i, c in enumerate(form):
        if (c != separator) if i % 3 == 2 else (c not in _HEX_DIGITS):
            return raw
    return form.upper().replace(":", "-").encode("ascii")


def _host_bits_of_netmask(netmask):
    if isinstance(netmask, (bytes, bytearray)):
        netmask = netmask.decode("ascii", "replace")
    try:
        value = int(ipaddress.IPv4Address(netmask))
    except ValueError:
        raise ValueError(f"not a netmask: {netmask!r}") from None
    hosts = ~value & 0xFFFFFFFF
    # Contiguous: the host part is a run of ones at the bottom.
    if hosts & (hosts + 1):
        raise ValueError(f"not a netmask: {netmask!r}")
    return bin(hosts).count("1")


def address_and_host_bits(address, netmask, host_bits):
    """The address text and the host-bit count for the assignment.

    The netmask comes from one of: a "/PREFIX" after the address (an
    ipaddress.IPv4Interface carries one), netmask= ("255.255.0.0"), or
    host_bits= (the library's count: 8 for 255.255.255.0); with none of them
    it is 255.255.255.0.
    """
    if isinstance(address, ipaddress.IPv4Interface):
        address = address.with_prefixlen
    raw = text(address, "address")
    given = []
    if b"/" in raw:
        raw, prefix = raw.split(b"/", 1)
        if not (prefix.isdigit() and len(prefix) <= 2 and int(prefix) <= 32):
            shown = prefix.decode("ascii", "replace")
            raise ValueError(f"not a prefix length (0 to 32): {shown!r}")
        given.append(32 - int(prefix))
    if netmask is not None:
        given.append(_host_bits_of_netmask(netmask))
    if host_bits is not None:
        given.append(int32(host_bits, "host_bits"))
    if len(given) > 1:
        raise ValueError("give the netmask once: address/PREFIX, netmask= or host_bits=")
    return raw, given[0] if given else 8
