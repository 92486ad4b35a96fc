# -*- coding: utf-8 -*-
"""What the modules of vornen.devices decide, and how they reach the devices.

The modules run on the PC of a device segment. They read the state first
(find the device by its MAC), decide, and act only when the state differs.
The decisions take the device as an object with find() and set(), so that
they can be tried without a network; LibraryDevice is the real one, through
the Python module vornen (package python3-vornen).

An assignment is refused, unless forced, for an address that is the PC's
own, the gateway of one of its routes, or in its neighbour table with
another MAC: the permanent entry the assignment writes would cut the PC off
from that host.
"""

from __future__ import absolute_import, division, print_function

__metaclass__ = type

import ipaddress
import json
import os
import re
import select
import socket
import subprocess
import time

_MAC = re.compile(r"^[0-9A-Fa-f]{2}([-:])[0-9A-Fa-f]{2}(\1[0-9A-Fa-f]{2}){4}$")

# Discovery: one query to UDP 30718 of the adapter's broadcast address; each
# device answers with 30 bytes that carry its MAC at offset 24.
DISCOVERY_PORT = 30718
DISCOVERY_QUERY = b"\x00\x00\x00\xf6"
DISCOVERY_REPLY_LENGTH = 30
DISCOVERY_MAC_OFFSET = 24
# A scan ends at the latest this long after its query, even while replies
# keep coming.
SCAN_LIMIT_S = 60
# Finds after an assignment until the device answers at its new address.
CONFIRM_ATTEMPTS = 3
CONFIRM_PAUSE_S = 0.5

# Flags of /proc/net/arp and /proc/net/route, as the kernel numbers them.
_ARP_COMPLETE = 0x2
_ARP_PERMANENT = 0x4
_ROUTE_GATEWAY = 0x2


class Failure(Exception):
    """A failed task: its message and what the module returns beside it."""

    def __init__(self, msg, **result):
        super().__init__(msg)
        self.msg = msg
        self.result = result


def run_module(module, work):
    """Exits the module with the result of work(), or fails it: a Failure
    with its message and result, a missing python3-vornen saying so."""
    try:
        result = work()
    except Failure as f:
        module.fail_json(msg=f.msg, **f.result)
    except ImportError as e:
        module.fail_json(msg="the Python module vornen (python3-vornen) is missing: %s" % e)
    module.exit_json(**result)


def library_failure(error, what):
    """A Failure from a vornen.VornENError, with its result code."""
    return Failure(
        "%s failed: %d %s: %s" % (what, int(error.code), error.name or "?", error.description),
        result_code=int(error.code),
        result_name=error.name,
        description=error.description,
        function=error.function,
    )


def parse_mac(text):
    """The MAC in the library's form "00-20-4A-8D-72-33": six pairs of hex
    digits in either case, joined by "-" or by ":"."""
    if not isinstance(text, str) or not _MAC.match(text):
        raise Failure("not a MAC address: '%s'" % (text,))
    return text.upper().replace(":", "-")


def parse_target(address, netmask=None):
    """(address, prefix) from "A.B.C.D[/PREFIX]" and an optional netmask;
    without either the prefix is 24."""
    text, _, prefix = str(address).partition("/")
    try:
        ipaddress.IPv4Address(text)
    except ValueError:
        raise Failure("not an address: '%s'" % (address,))
    given = []
    if prefix:
        if not (prefix.isdigit() and len(prefix) <= 2 and int(prefix) <= 32):
            raise Failure("not an address: '%s'" % (address,))
        given.append(int(prefix))
    elif "/" in str(address):
        raise Failure("not an address: '%s'" % (address,))
    if netmask:
        try:
            hosts = ~int(ipaddress.IPv4Address(netmask)) & 0xFFFFFFFF
        except ValueError:
            raise Failure("not a netmask: '%s'" % (netmask,))
        # Contiguous: the host part is a run of ones at the bottom.
        if hosts & (hosts + 1):
            raise Failure("not a netmask: '%s'" % (netmask,))
        given.append(32 - bin(hosts).count("1"))
    if len(given) > 1:
        raise Failure("give the netmask once: address/PREFIX or netmask")
    return text, given[0] if given else 24


class View:
    """What the PC's tables say: own addresses (address, device), gateways
    (address, device), neighbours (address, mac, device, permanent)."""

    def __init__(self, own=(), gateways=(), neighbours=()):
        self.own = list(own)
        self.gateways = list(gateways)
        self.neighbours = list(neighbours)

    def neighbour(self, address):
        for entry in self.neighbours:
            if entry[0] == address:
                return entry
        return None


def _read(path):
    with open(path, encoding="ascii", errors="replace") as f:
        return f.read().splitlines()[1:]


def read_view():
    """The PC's own addresses, gateways and complete or permanent neighbour
    entries, from ip(8) and /proc."""
    own = [(a["local"], ifname) for ifname, a in _ipv4_addresses()]
    gateways = []
    for line in _read("/proc/net/route"):
        f = line.split()
        if len(f) >= 4 and int(f[3], 16) & _ROUTE_GATEWAY and int(f[2], 16):
            # The kernel prints the address as the 32-bit word it holds.
            gateways.append((socket.inet_ntoa(int(f[2], 16).to_bytes(4, "little")), f[0]))
    neighbours = []
    for line in _read("/proc/net/arp"):
        f = line.split()
        if len(f) >= 6 and _MAC.match(f[3]):
            flags = int(f[2], 16)
            if flags & (_ARP_COMPLETE | _ARP_PERMANENT):
                neighbours.append((f[0], parse_mac(f[3]), f[5], bool(flags & _ARP_PERMANENT)))
    return View(own, gateways, neighbours)


def unsafe_reason(view, address, mac):
    """Why setting `address` would cut the PC off from a host; None if not."""
    for own, device in view.own:
        if own == address:
            return "%s is this PC's own address (%s)" % (address, device)
    for gateway, device in view.gateways:
        if gateway == address:
            return "%s is the gateway of a route on %s" % (address, device)
    entry = view.neighbour(address)
    if entry and entry[1] != mac:
        return "%s is in the neighbour table with another MAC: %s lladdr %s dev %s%s" % (
            address,
            address,
            entry[1].lower().replace("-", ":"),
            entry[2],
            " PERMANENT" if entry[3] else "",
        )
    return None


def ensure_address(device, view, mac, address, prefix, force=False, check_mode=False):
    """Makes the device with `mac` answer at `address`; returns the module's
    result. Nothing is set when it already does (unless `force`), nor in
    check mode. Raises Failure for a refused address or a device that does
    not answer at the address after the set."""
    previous = device.find(mac)
    wanted = "%s/%d" % (address, prefix)
    result = {
        "mac": mac,
        "address": address,
        "prefix": prefix,
        "previous": previous,
        "changed": False,
    }
    if previous == address and not force:
        return result
    if not force:
        reason = unsafe_reason(view, address, mac)
        if reason:
            raise Failure("refusing to set %s: %s (force: true sets it anyway)" % (address, reason),
                          mac=mac, address=address, previous=previous, changed=False)
    result["changed"] = True
    result["diff"] = {
        "before": "%s: %s\n" % (mac, previous or "not found"),
        "after": "%s: %s\n" % (mac, wanted),
    }
    if check_mode:
        return result
    device.set(mac, wanted)
    # A device takes its new address as it restarts after the dialogue: it
    # may still answer at the old one, or not at all, for a moment.
    for attempt in range(CONFIRM_ATTEMPTS):
        found = device.find(mac)
        if found == address:
            break
        if found is not None and attempt + 1 < CONFIRM_ATTEMPTS:
            time.sleep(CONFIRM_PAUSE_S)
    else:
        raise Failure("%s -> %s was set, but the device %s" % (
            mac, wanted, "answers at %s" % found if found else "does not answer any more"),
            mac=mac, address=address, previous=previous, found=found, changed=True)
    return result


def _ipv4_addresses():
    """(interface, addr_info) of every IPv4 address the PC has."""
    output = subprocess.run(["ip", "-j", "-4", "addr", "show"], check=True,
                            stdout=subprocess.PIPE, universal_newlines=True).stdout
    for link in json.loads(output or "[]"):
        for info in link.get("addr_info", []):
            if info.get("family") == "inet":
                yield link["ifname"], dict(info, flags=link.get("flags", []))


def segment_adapter(interface=None):
    """(local address, broadcast address) of the adapter to the devices: the
    one named, or the PC's one adapter that is neither loop-back nor
    point-to-point, as the library chooses it."""
    usable = [(name, info) for name, info in _ipv4_addresses()
              if "LOOPBACK" not in info["flags"] and "POINTOPOINT" not in info["flags"]
              and (interface is None or name == interface)]
    if len(usable) != 1:
        raise Failure("%s usable adapter%s%s: name the one to the devices with interface" % (
            "no" if not usable else "several", "" if not usable else "s",
            " named %s" % interface if interface else ""))
    info = usable[0][1]
    network = ipaddress.IPv4Network("%s/%d" % (info["local"], info["prefixlen"]), strict=False)
    return info["local"], str(network.broadcast_address)


def scan(local, broadcast, wait_ms):
    """Every device that answers one discovery query: sorted (MAC, address)
    pairs. Replies are read until none came for `wait_ms`."""
    found = set()
    try:
        _discover(local, broadcast, wait_ms, found)
    except OSError as e:
        raise Failure("scan failed: %s" % e)
    return sorted(found)


def _discover(local, broadcast, wait_ms, found):
    with socket.socket(socket.AF_INET, socket.SOCK_DGRAM) as s:
        s.setsockopt(socket.SOL_SOCKET, socket.SO_BROADCAST, 1)
        s.bind((local, 0))
        s.sendto(DISCOVERY_QUERY, (broadcast, DISCOVERY_PORT))
        end = time.monotonic() + SCAN_LIMIT_S
        while time.monotonic() < end:
            if not select.select([s], [], [], wait_ms / 1000.0)[0]:
                break
            reply, (sender, _) = s.recvfrom(100)
            if len(reply) == DISCOVERY_REPLY_LENGTH:
                mac = reply[DISCOVERY_MAC_OFFSET:DISCOVERY_MAC_OFFSET + 6]
                found.add(("-".join("%02X" % b for b in mac), sender))


def forget_entry(view, address):
    """Removes the permanent neighbour entry for `address`; True if one was
    there."""
    entry = view.neighbour(address)
    if not entry or not entry[3]:
        return False
    subprocess.run(["ip", "neigh", "del", address, "dev", entry[2]], check=True)
    return True


class LibraryDevice:
    """The devices of the segment through the library, opened while the
    object is used in a with block."""

    def __init__(self, interface=None):
        import vornen  # python3-vornen on the segment PC

        self.vornen = vornen
        if interface:
            os.environ["VORNEN_INTERFACE"] = interface

    def __enter__(self):
        try:
            self.vornen.open()
        except self.vornen.VornENError as e:
            raise library_failure(e, "open")
        return self

    def __exit__(self, *exc):
        self.vornen.close()

    def find(self, mac, required=False):
        """The device's address; None when no device answers for the MAC
        (a failure when `required`)."""
        try:
            return self.vornen.get_ip_address(mac)
        except self.vornen.VornENError as e:
            if e.code == self.vornen.ResultCode.ERR_NODEVICE_FORMAC and not required:
                return None
            raise library_failure(e, "find")

    def set(self, mac, address):
        try:
            self.vornen.set_ip_address(mac, address)
        except PermissionError as e:
            raise Failure("%s (become: true)" % e.strerror)
        except self.vornen.VornENError as e:
            raise library_failure(e, "set")

    def send(self, host, text):
        try:
            self.vornen.send_str(host, text)
        except self.vornen.VornENError as e:
            raise library_failure(e, "send")

    def ask(self, host, text, terminator, max_bytes):
        """The reply, as vornctl ask reports it."""
        try:
            # One byte more tells a reply of exactly max_bytes from a longer one.
            raw = self.vornen.send_recv_str(host, text, terminator=terminator,
                                            max_bytes=max_bytes + 1)
        except self.vornen.VornENError as e:
            raise library_failure(e, "ask")
        truncated = len(raw) > max_bytes
        raw = raw[:max_bytes]
        terminated = not truncated and raw.endswith(terminator.encode("latin-1"))
        shown = raw[:-1] if terminated else raw
        return {
            "reply": shown.decode("latin-1"),
            "reply_hex": raw.hex(),
            "length": len(raw),
            "terminated": terminated,
            "truncated": truncated,
        }
