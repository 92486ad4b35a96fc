"""VORNEN_INTERFACE on a PC with two adapters.

Bed: pc0 192.168.16.1/24 with 00-20-4A-8D-72-33 at 192.168.16.100 behind it,
and extra0 10.1.2.3/8 with 00-20-4A-20-00-01 at 10.1.2.100.
"""

import pytest

import vornen
from vornen import ResultCode, VornENError

ON_PC0 = "00-20-4A-8D-72-33"
ON_EXTRA0 = "00-20-4A-20-00-01"


def code_of(call, *arguments):
    with pytest.raises(VornENError) as caught:
        call(*arguments)
    return caught.value.code


def test_two_adapters_need_a_name(devices):
    assert code_of(vornen.open) is ResultCode.ERR_TOOMANYNONETWORKINTERFACE


@pytest.mark.parametrize(
    "adapter, here, there, outside",
    [
        ("pc0", ON_PC0, ON_EXTRA0, "10.1.2.5"),
        ("extra0", ON_EXTRA0, ON_PC0, "192.168.16.5"),
    ],
)
def test_named_adapter_is_the_one_used(devices, monkeypatch, adapter, here, there, outside):
    monkeypatch.setenv("VORNEN_INTERFACE", adapter)
    with vornen.opened():
        # The query goes to this adapter's broadcast address only.
        assert vornen.get_ip_address(here) == devices[here]
        # The subnet test runs against this adapter's broadcast address:
        # an address on the other adapter's network is refused at once.
        assert code_of(vornen.set_ip_address, there, outside) == -1007


def test_unknown_name_finds_no_adapter(devices, monkeypatch):
    monkeypatch.setenv("VORNEN_INTERFACE", "nosuch0")
    assert code_of(vornen.open) is ResultCode.ERR_NONETWORKINTERFACEONINFO
