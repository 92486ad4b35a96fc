"""Fixtures for the tests of the vornen module.

The tests run inside the PC namespace of a test bed that vornen-bed-run has
made (ctest does this); the bed describes its devices in VORNEN_BED_DEVICES
("MAC=ADDRESS ...", the address empty for a device without one). Outside a
bed the tests that need devices are skipped.
"""

import os

import pytest

import vornen


def _bed_devices():
    text = os.environ.get("VORNEN_BED_DEVICES")
    if text is None:
        return None
    return dict(entry.split("=", 1) for entry in text.split())


@pytest.fixture
def devices():
    """The bed's devices as {MAC: address}; skips outside a bed."""
    found = _bed_devices()
    if found is None:
        pytest.skip("not inside a test bed (run through vornen-bed-run)")
    return found


@pytest.fixture(autouse=True)
def closed_library(monkeypatch):
    """Every test starts and ends with the library closed and without an
    adapter named."""
    monkeypatch.delenv("VORNEN_INTERFACE", raising=False)
    vornen.close()
    yield
    vornen.close()
