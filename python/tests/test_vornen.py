"""The vornen module against the library and simulated devices.

Bed: 00-20-4A-8D-72-33 at 192.168.16.100 (the simulator's command port
answers each CR-ended line with "OK:" + line + CR) and 00-20-4A-10-00-02
without an address.
"""

import ipaddress
import mmap
import os
import subprocess
import sys
import threading
import time

import pytest

import vornen
from vornen import ResultCode, VornENError

KNOWN = "00-20-4A-8D-72-33"
KNOWN_ADDRESS = "192.168.16.100"
NEW = "00-20-4A-10-00-02"
ABSENT = "00-20-4A-77-77-77"


def wait_until_logged(mac, event, seconds=5.0):
    """Polls the simulated device's event log until it holds the event."""
    path = os.path.join(os.environ.get("VORNEN_BED_LOGS", ""), mac + ".log")
    deadline = time.monotonic() + seconds
    while time.monotonic() < deadline:
        try:
            with open(path, encoding="utf-8", errors="replace") as log:
                if event in log.read():
                    return
        except OSError:
            pass
        time.sleep(0.02)
    pytest.fail(f"{mac} did not log '{event}' within {seconds} s")


def raised(call, *arguments, **keywords):
    with pytest.raises(VornENError) as caught:
        call(*arguments, **keywords)
    return caught.value


class TestWithoutNetwork:
    def test_version_text(self):
        assert vornen.get_dll_version() == "VornEN.DLL Rev. 1.001"

    def test_library_comes_from_the_override(self):
        vornen.get_dll_version()
        wanted = os.environ.get("VORNEN_LIBRARY", "libVornEN.so.1")
        assert vornen.library_path() == wanted

    def test_calls_before_open_fail_with_the_state_error(self):
        for call, arguments in [
            (vornen.set_ip_address, (KNOWN, KNOWN_ADDRESS)),
            (vornen.get_ip_address, (KNOWN,)),
            (vornen.send_str, (KNOWN_ADDRESS, b"X")),
            (vornen.send_recv_str, (KNOWN_ADDRESS, b"X\r")),
        ]:
            error = raised(call, *arguments)
            assert error.code is ResultCode.ERR_ILLEGALSTATE_ONCONNECTION
            assert error.code == -100

    def test_error_carries_code_name_description_and_export(self):
        error = raised(vornen.set_ip_address, KNOWN, KNOWN_ADDRESS)
        assert error.function == "En_Set_IPAddress"
        assert error.name == "ERR_ILLEGALSTATE_ONCONNECTION"
        assert error.description == "library not opened, or a connection is in use"
        assert str(error) == (
            "En_Set_IPAddress failed: -100 ERR_ILLEGALSTATE_ONCONNECTION: "
            "library not opened, or a connection is in use"
        )

    def test_unknown_code_keeps_its_number(self):
        error = VornENError("En_Open", -9999)
        assert error.code == -9999 and error.name is None
        assert error.description == "unknown result code"

    def test_result_codes_from_the_header(self):
        assert len(ResultCode) == 46
        assert len({int(c) for c in ResultCode}) == 46
        assert ResultCode(-1008).name == "ERR_NODEVICE_FORMAC"
        assert ResultCode.ERR_NODEVICE_FORMAC.description == (
            "no device answered for that MAC address"
        )
        assert ResultCode.ERR_ILLEGALSTATE_ONRELSEASE == -400
        assert all(c.description and c < 0 for c in ResultCode)

    def test_texts_are_checked_before_the_call(self):
        with pytest.raises(TypeError):
            vornen.get_ip_address(None)
        with pytest.raises(ValueError):
            vornen.get_ip_address("00-20-4A-8D-72-33\0")
        with pytest.raises(UnicodeEncodeError):
            vornen.send_str("192.168.16.100", "ｘ")
        with pytest.raises(ValueError):
            vornen.send_recv_str(KNOWN_ADDRESS, b"X", terminator=b"\r\n")
        with pytest.raises(ValueError):
            vornen.send_recv_str(KNOWN_ADDRESS, b"X", max_bytes=-1)
        with pytest.raises(TypeError, match="terminator must be one byte"):
            vornen.send_recv_str(KNOWN_ADDRESS, b"X", terminator=None)

    @pytest.mark.parametrize(
        "call, arguments, keywords",
        [
            (vornen.send_recv_str, (KNOWN_ADDRESS, b"X\r"), {"max_bytes": 2**31}),
            (vornen.send_recv_str, (KNOWN_ADDRESS, b"X\r"), {"max_bytes": 2**32 + 4}),
            (vornen.set_ip_address, (NEW, "192.168.16.102"), {"host_bits": 2**32 + 8}),
        ],
    )
    def test_numbers_beyond_32_bits_are_refused(self, call, arguments, keywords):
        # ctypes would wrap them silently; the library must never see them.
        with pytest.raises(ValueError):
            call(*arguments, **keywords)

    @pytest.mark.parametrize("call", [vornen.send_str, vornen.send_recv_str])
    def test_data_beyond_32_bits_is_refused(self, call):
        # An anonymous mapping: 2 GiB of address space, no memory used.
        with mmap.mmap(-1, 2**31) as area, memoryview(area) as data:
            with pytest.raises(ValueError, match="data must be at most"):
                call(KNOWN_ADDRESS, data)

    def test_host_bits_only_by_keyword(self):
        # A third positional argument was the host-bit count: 24 meant
        # 255.0.0.0, not a /24.
        with pytest.raises(TypeError):
            vornen.set_ip_address(NEW, "192.168.16.102", 24)

    @pytest.mark.parametrize(
        "address, keywords, complaint",
        [
            ("192.168.16.102/24", {"netmask": "255.255.255.0"}, "give the netmask once"),
            ("192.168.16.102/24", {"host_bits": 8}, "give the netmask once"),
            ("192.168.16.102/33", {}, "not a prefix length"),
            ("192.168.16.102/", {}, "not a prefix length"),
            ("192.168.16.102", {"netmask": "255.0.255.0"}, "not a netmask"),
            ("192.168.16.102", {"netmask": "255.255.255.00"}, "not a netmask"),
        ],
    )
    def test_netmask_given_once_and_well_formed(self, address, keywords, complaint):
        with pytest.raises(ValueError, match=complaint):
            vornen.set_ip_address(NEW, address, **keywords)


class TestInTheBed:
    def test_open_and_close(self, devices):
        vornen.open()
        vornen.open()  # again: the same adapter
        vornen.close()
        assert raised(vornen.get_ip_address, KNOWN).code == -100

    def test_context_manager_closes_also_after_an_exception(self, devices):
        with pytest.raises(RuntimeError):
            with vornen.opened():
                assert vornen.get_ip_address(KNOWN) == KNOWN_ADDRESS
                raise RuntimeError("inside")
        assert raised(vornen.get_ip_address, KNOWN).code == -100

    @pytest.mark.parametrize(
        "form",
        [KNOWN, "00:20:4A:8D:72:33", "00:20:4a:8d:72:33", "00-20-4a-8D-72-33", KNOWN.encode()],
    )
    def test_find_by_mac_in_every_form(self, devices, form):
        with vornen.opened():
            assert vornen.get_ip_address(form) == devices[KNOWN]

    def test_no_device_for_mac_after_the_wait(self, devices):
        with vornen.opened():
            began = time.monotonic()
            error = raised(vornen.get_ip_address, ABSENT)
            assert error.code is ResultCode.ERR_NODEVICE_FORMAC
            assert time.monotonic() - began >= 5.0
            # The library is still opened and usable.
            assert vornen.get_ip_address(KNOWN) == KNOWN_ADDRESS

    def test_command_and_reply(self, devices):
        with vornen.opened():
            assert vornen.send_recv_str(KNOWN_ADDRESS, b"VERSION\r") == b"OK:VERSION\r"
            assert vornen.send_recv_str(KNOWN_ADDRESS, "PING\r", terminator=13) == b"OK:PING\r"
            assert vornen.send_recv_str(KNOWN_ADDRESS, bytearray(b"AB\r"), max_bytes=4) == b"OK:A"
            vornen.send_str(KNOWN_ADDRESS, b"RESET\r")
            assert vornen.send_recv_str(KNOWN_ADDRESS, b"AGAIN\r") == b"OK:AGAIN\r"

    def test_command_needs_something_to_send_or_to_read(self, devices):
        with vornen.opened():
            error = raised(vornen.send_recv_str, KNOWN_ADDRESS, b"", max_bytes=0)
            assert error.code is ResultCode.ERR_ILLEGAL_INPUT_PARAMETER
            assert raised(vornen.send_str, KNOWN_ADDRESS, b"").code == -1005

    def test_assignment_takes_the_netmask_in_every_form(self, devices):
        assert devices[NEW] == ""
        with vornen.opened():
            # Like the real module, the device restarts on the records'
            # address after the dialogue and hears no query meanwhile.
            vornen.set_ip_address(NEW.lower().replace("-", ":"), "192.168.16.102/16")
            wait_until_logged(NEW, "address set 192.168.16.102 host-bits 16")
            # Again on the address the device now has, each form once.
            vornen.set_ip_address(NEW, "192.168.16.102", netmask="255.255.240.0")
            wait_until_logged(NEW, "address set 192.168.16.102 host-bits 12")
            vornen.set_ip_address(NEW, ipaddress.IPv4Interface("192.168.16.102/25"))
            wait_until_logged(NEW, "address set 192.168.16.102 host-bits 7")
            vornen.set_ip_address(NEW, "192.168.16.102", host_bits=8)
            wait_until_logged(NEW, "address set 192.168.16.102 host-bits 8")
            # On the PC's /24 again, it hears the directed broadcast.
            assert vornen.get_ip_address(NEW) == "192.168.16.102"

    def test_assignment_without_the_right_is_refused_at_once(self, devices):
        # The interpreter without CAP_NET_ADMIN, as an ordinary user runs it.
        program = (
            "import vornen\n"
            "vornen.open()\n"
            f"vornen.set_ip_address('{KNOWN}', '192.168.16.110')\n"
        )
        run = subprocess.run(
            ["/usr/bin/setpriv", "--bounding-set", "-net_admin", sys.executable, "-c", program],
            capture_output=True,
            text=True,
            timeout=60,
        )
        assert run.returncode == 1
        assert "PermissionError: [Errno 1] no right to change the neighbour table" in run.stderr

    def test_assignment_outside_the_adapters_network(self, devices):
        with vornen.opened():
            error = raised(vornen.set_ip_address, NEW, "10.0.0.5")
            assert error.code is ResultCode.ERR_INPUTED_IP_MAY_UNREACHABLE
            assert raised(vornen.set_ip_address, NEW, KNOWN_ADDRESS, host_bits=33).code == -1005

    def test_threads_take_turns(self, devices):
        results = []

        def find():
            results.append(vornen.get_ip_address(KNOWN))

        with vornen.opened():
            threads = [threading.Thread(target=find) for _ in range(4)]
            for t in threads:
                t.start()
            for t in threads:
                t.join(timeout=30)
        assert results == [KNOWN_ADDRESS] * 4
