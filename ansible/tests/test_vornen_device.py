"""The decisions of the address module, against a segment held in memory:
it acts only when the device is not where it should be, never in check
mode, and refuses what would cut the PC off from another host."""

import pytest

import vornen_device as vd

MAC = "00-20-4A-8D-72-33"
OTHER_MAC = "00-20-4A-10-00-02"


class Segment:
    """Devices by MAC and the address each answers at; `lag` finds after a
    set still see the old address, as while a device restarts."""

    def __init__(self, devices, lag=0, takes=True):
        self.devices = dict(devices)
        self.sets = []
        self.lag = lag
        self.takes = takes
        self._old = {}

    def find(self, mac):
        if self.lag and mac in self._old:
            self.lag -= 1
            return self._old[mac]
        return self.devices.get(mac)

    def set(self, mac, address):
        self.sets.append((mac, address))
        self._old[mac] = self.devices.get(mac)
        if self.takes:
            self.devices[mac] = address.split("/")[0]


EMPTY = vd.View(own=[("192.168.16.1", "eth1")])


def test_a_device_at_its_address_is_left_alone():
    segment = Segment({MAC: "192.168.16.100"})
    result = vd.ensure_address(segment, EMPTY, MAC, "192.168.16.100", 24)
    assert result["changed"] is False
    assert segment.sets == []


def test_check_mode_reports_the_change_and_sends_nothing():
    segment = Segment({MAC: "192.168.16.50"})
    result = vd.ensure_address(segment, EMPTY, MAC, "192.168.16.100", 24, check_mode=True)
    assert result["changed"] is True
    assert result["diff"] == {
        "before": MAC + ": 192.168.16.50\n",
        "after": MAC + ": 192.168.16.100/24\n",
    }
    assert segment.sets == []


def test_a_device_elsewhere_is_set_and_found_again():
    # Not found before; the first find after the set still misses it.
    segment = Segment({MAC: None}, lag=1)
    result = vd.ensure_address(segment, EMPTY, MAC, "192.168.16.100", 16)
    assert result["changed"] is True
    assert result["previous"] is None
    assert segment.sets == [(MAC, "192.168.16.100/16")]
    # A second run finds it there and changes nothing.
    again = vd.ensure_address(segment, EMPTY, MAC, "192.168.16.100", 16)
    assert again["changed"] is False
    assert len(segment.sets) == 1


def test_force_sets_a_device_already_at_its_address():
    segment = Segment({MAC: "192.168.16.100"})
    result = vd.ensure_address(segment, EMPTY, MAC, "192.168.16.100", 24, force=True)
    assert result["changed"] is True
    assert segment.sets == [(MAC, "192.168.16.100/24")]


def test_a_device_that_does_not_take_the_address_fails_the_task():
    segment = Segment({MAC: "192.168.16.50"}, takes=False)
    with pytest.raises(vd.Failure, match="answers at 192.168.16.50"):
        vd.ensure_address(segment, EMPTY, MAC, "192.168.16.100", 24)


VIEW = vd.View(
    own=[("192.168.16.1", "eth1"), ("10.250.1.2", "eth0")],
    gateways=[("192.168.16.254", "eth1")],
    neighbours=[
        ("192.168.16.20", OTHER_MAC, "eth1", False),
        ("192.168.16.100", MAC, "eth1", True),
    ],
)


@pytest.mark.parametrize(
    "address, reason",
    [
        ("192.168.16.1", "192.168.16.1 is this PC's own address (eth1)"),
        ("192.168.16.254", "192.168.16.254 is the gateway of a route on eth1"),
        (
            "192.168.16.20",
            "192.168.16.20 is in the neighbour table with another MAC: "
            "192.168.16.20 lladdr 00:20:4a:10:00:02 dev eth1",
        ),
    ],
)
def test_refused_addresses_are_not_set_unless_forced(address, reason):
    segment = Segment({MAC: "192.168.16.50"})
    with pytest.raises(vd.Failure) as refused:
        vd.ensure_address(segment, VIEW, MAC, address, 24, check_mode=True)
    assert refused.value.msg == "refusing to set %s: %s (force: true sets it anyway)" % (
        address,
        reason,
    )
    vd.ensure_address(segment, VIEW, MAC, address, 24, force=True)
    assert segment.sets == [(MAC, address + "/24")]


def test_the_entry_of_the_same_mac_is_no_refusal():
    segment = Segment({MAC: None})
    result = vd.ensure_address(segment, VIEW, MAC, "192.168.16.100", 24)
    assert result["changed"] is True


@pytest.mark.parametrize(
    "given, expected",
    [
        ("00:20:4a:8d:72:33", MAC),
        ("00-20-4a-8D-72-33", MAC),
        ("00:20-4A-8D-72-33", None),
        ("0020.4A8D.7233", None),
    ],
)
def test_macs_in_the_forms_vornctl_takes(given, expected):
    if expected is None:
        with pytest.raises(vd.Failure, match="not a MAC address: '%s'" % given):
            vd.parse_mac(given)
    else:
        assert vd.parse_mac(given) == expected


@pytest.mark.parametrize(
    "address, netmask, expected",
    [
        ("192.168.16.100", None, ("192.168.16.100", 24)),
        ("192.168.16.100/16", None, ("192.168.16.100", 16)),
        ("192.168.16.100", "255.255.0.0", ("192.168.16.100", 16)),
        ("192.168.16.100/24", "255.255.0.0", "give the netmask once"),
        ("192.168.16.100", "255.0.255.0", "not a netmask: '255.0.255.0'"),
        ("192.168.16.100", "0.0.0.255", "not a netmask: '0.0.0.255'"),
        ("192.168.16.100", "255.255.0", "not a netmask: '255.255.0'"),
        ("192.168.16.100/33", None, "not an address: '192.168.16.100/33'"),
        ("192.168.16.1000", None, "not an address"),
    ],
)
def test_addresses_and_netmasks(address, netmask, expected):
    if isinstance(expected, str):
        with pytest.raises(vd.Failure, match=expected):
            vd.parse_target(address, netmask)
    else:
        assert vd.parse_target(address, netmask) == expected
