"""The vornen module against the library and simulated devices.

Bed: 00-20-4A-8D-72-33 at 192.168.16.100 (the simulator's command port
answers each CR-ended line with "OK:" + line + CR) and 00-20-4A-10-00-02
without an address.
"""

import os
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
            (vornen.set_ip_address, (KNOWN, KNOWN_ADDRESS, 8)),
            (vornen.get_ip_address, (KNOWN,)),
            (vornen.send_str, (KNOWN_ADDRESS, b"X")),
            (vornen.send_recv_str, (KNOWN_ADDRESS, b"X\r")),
        ]:
            error = raised(call, *arguments)
            assert error.code is ResultCode.ERR_ILLEGALSTATE_ONCONNECTION
            assert error.code == -100

    def test_error_carries_code_name_description_and_export(self):
        error = raised(vornen.set_ip_address, KNOWN, KNOWN_ADDRESS, 8)
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

    def test_find_by_mac_in_either_form(self, devices):
        with vornen.opened():
            assert vornen.get_ip_address(KNOWN) == devices[KNOWN]
            assert vornen.get_ip_address(KNOWN.replace("-", ":").encode()) == KNOWN_ADDRESS

    def test_library_rejects_lower_case_mac(self, devices):
        with vornen.opened():
            error = raised(vornen.get_ip_address, KNOWN.lower())
            assert error.code is ResultCode.ERR_ILLEGAL_INPUT_PARAMETER

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

    def test_assignment_then_discovery(self, devices):
        assert devices[NEW] == ""
        with vornen.opened():
            vornen.set_ip_address(NEW, "192.168.16.102", host_bits=8)
            # Like the real module, the device restarts on the records'
            # address after the dialogue and hears no query meanwhile.
            wait_until_logged(NEW, "address set 192.168.16.102")
            assert vornen.get_ip_address(NEW) == "192.168.16.102"

    def test_assignment_outside_the_adapters_network(self, devices):
        with vornen.opened():
            error = raised(vornen.set_ip_address, NEW, "10.0.0.5", 8)
            assert error.code is ResultCode.ERR_INPUTED_IP_MAY_UNREACHABLE
            assert raised(vornen.set_ip_address, NEW, KNOWN_ADDRESS, 33).code == -1005

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
